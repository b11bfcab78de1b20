// Placement: the strings of a plan whose blocks are too small moved into
// free space that their pointers reach, and equal strings stored once
// (placement.cpp; share.cpp finds the strings another one ends with).
//
// A block's strings are its pieces from one string end to the next (so a
// string that a pointer points into the middle of, and a string of fixed or
// held length, is one piece). MovablePiece by piece in script order, a piece stays
// in its block, right after the last piece kept, while it fits the block's
// room; one that does not is moved to the first free range, in address order,
// where it fits and every one of its pointers reaches it: the same bank
// for 16-bit pointers, which the whole piece stays in: the platform's bank
// when the caller knows the ROM (bank_of), else by the address type (16 KiB
// for gb, 32 KiB for lorom, 64 KiB for hirom, counted from the #HDR; 16 KiB
// from the #HDR for linear ones); anywhere the pointer's value reaches for 24- and 32-bit ones;
// 8-bit pointers never move their string. What a moved piece leaves is room for the pieces after
// it. A piece no pointer reaches is not moved: it and the pieces before it stay where the plan put
// them.
//
// With share, a piece that is neither fixed nor held and whose bytes equal
// another's, or the end of another's, is not written: its pointers point at
// that copy when they reach it (otherwise it is placed as any other).
//
// The free ranges lose every byte of a block's room, a pointer slot or a
// length field of the plan before anything is placed.
//
// Without free ranges and without share, the plan is left as it is. The
// moved pieces become blocks of their own at the plan's end (PlanBlock::moved).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/base/base.hpp"
#include "core/script/script_types.hpp"

namespace textdump {

struct FreeRange {
  std::uint64_t at = 0, end = 0; // end excluded

  friend bool operator==(const FreeRange&, const FreeRange&) = default;
};

struct MovedString {
  std::size_t line = 0;       // of its first pointer write
  std::size_t block_line = 0; // of its block's #JMP
  std::uint64_t from = 0;     // where the plan had it, its block's strings one after another
  std::uint64_t to = 0;       // where it went
  std::uint64_t bytes = 0;
  bool shared = false; // to is inside another string's copy
};

struct Placement {
  std::vector<Report> diagnostics; // errors: a piece with no room its pointers reach
  std::vector<MovedString> moved;  // in script order
  std::vector<FreeRange> left;     // the free ranges' bytes left, in address order
  std::uint64_t shared_bytes = 0;  // not written, thanks to share
  bool changed = false;            // the plan differs from the fitter's
};

// The bank that a 16-bit pointer to target reaches, as the ROM's platform
// says; nothing: the address type's rule above.
using BankOf = std::function<std::optional<FreeRange>(std::uint64_t target)>;

// Places fit.plan's strings; on success the blocks that overflowed fit, and
// their overflow reports are gone from fit.diagnostics.
Placement place_strings(FitReport& fit, std::vector<FreeRange> free, bool share,
                        const BankOf& bank_of = {});

} // namespace textdump

namespace textdump {

// The ROM's free runs (core/survey/free_space.hpp) outside every block's room,
// pointer slot and length field of the plan: what --free auto offers.
std::vector<FreeRange> auto_free_space(const InsertPlan& plan, const RomView& rom,
                                       std::optional<std::uint8_t> fill);

// The ranges less every block's room, pointer slot and length field of the
// plan (place_strings takes its free ranges so).
std::vector<FreeRange> outside_plan(const std::vector<FreeRange>& free, const InsertPlan& plan);

} // namespace textdump
