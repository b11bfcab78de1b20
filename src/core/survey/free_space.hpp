// Free space: the runs of a ROM that are very likely unused, as --survey
// shows them and --insert --free auto takes them (one function for both).
//
// A free run is at least FREE_RUN_MIN bytes of the fill byte only: the byte
// the ROM's end is padded with (00 or FF; FF when its last byte is neither),
// or the one asked for. Its first byte is left out: it may end what lies
// before it (a string's end token, a value whose high byte is the fill byte).
// A run is cut at the edges of the platform's banks (bank_bytes of the map
// the header suggests), and never holds a byte of the spans it is told are
// taken (pointer tables, dumped strings) nor of the platform's header; a piece
// that a cut leaves shorter than the least is dropped.
//
// Why FREE_RUN_MIN is 48: two blank 8x8 tiles of 2 bits a pixel, or one of
// 4 bits, are 32 equal bytes, and graphics and tables of zeros that long are
// common inside data; the padding a build leaves at the end of a bank or of
// the ROM is almost always longer. The rule stays a guess: a run of padding
// may be read by code (a buffer copied from ROM), which no look at the bytes
// can tell.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/base/base.hpp"

namespace textdump {

inline constexpr std::uint64_t FREE_RUN_MIN = 48;

struct FreeRun {
  std::uint64_t at = 0, end = 0; // end excluded
  std::uint8_t byte = 0;

  std::uint64_t length() const { return end - at; }
  friend bool operator==(const FreeRun&, const FreeRun&) = default;
};

struct FreeSpaceRule {
  std::optional<std::uint8_t> fill; // none: the ROM's end padding
  std::uint64_t min = FREE_RUN_MIN;
  // [from, to) spans that are not free whatever they hold.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> taken;
};

// The byte the ROM's end is padded with: its last byte when 00 or FF, else FF.
std::uint8_t padding_byte(const RomView& rom);

// The free runs of rom, in address order.
std::vector<FreeRun> free_runs(const RomView& rom, const FreeSpaceRule& rule);

} // namespace textdump
