// A ROM's header checksums and its growth at the end, through the platform's
// descriptor (its file in core/maps keeps the rules): where each checksum's
// bytes lie, whether they hold now, recomputing them after other bytes
// changed, and a ROM expanded to a new size with the header fields that say
// its size.
//
// What it promises:
// - A checksum that was wrong before stays as it was: fix_checksums and
//   expand_rom recompute only the checksums that the ROM's state before calls
//   right, in the platform's order, and write no other byte.
// - A platform without checksums has none listed; a checksum whose bytes lie
//   past the ROM's end is listed as none.
// - A ROM grows only as its platform says (grows_to, size_fields); anything
//   else is a report with the reason, and the ROM is left as it was.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/maps/map_types.hpp"

namespace textdump {

enum class ChecksumState { none, right, wrong };

// One checksum of a ROM as it is: the rule's name, its bytes' file offset
// (past a copier header) and size, and its state.
struct HeaderChecksum {
  std::string_view name{};
  std::uint64_t at = 0;
  unsigned size = 0;
  ChecksumState state = ChecksumState::none;
};

// A string of bytes seen as a ROM.
RomView rom_view_of(const std::string& rom);

// Every checksum of the map's platform, in the order of its rules.
std::vector<HeaderChecksum> header_checksums(const MapDescriptor& map, const RomView& rom);

// Recomputes in rom, one after the other, each checksum that before (the
// header_checksums of the ROM before its bytes changed, under the same map)
// calls right; the others keep their bytes. The checksums of rom after.
std::vector<HeaderChecksum> fix_checksums(const MapDescriptor& map, std::string& rom,
                                          std::span<const HeaderChecksum> before);

// A ROM grown at its end: the bytes from, to - 1 are new, and the header
// fields that say the size take their values.
struct Expansion {
  std::uint64_t from = 0, to = 0;
  std::vector<HeaderWrite> writes;
};

// How the ROM grows to size bytes under the map, or the report why it does
// not: a platform that does not grow so, a size below the ROM's own or past
// the platform's reach, or one that the header cannot say.
std::variant<Expansion, Report> plan_expansion(const MapDescriptor& map, const RomView& rom,
                                               std::uint64_t size);

// rom grown as planned (a plan for this ROM): the new bytes hold fill, the
// header fields their values, and each checksum right before is right after.
void expand_rom(const MapDescriptor& map, std::string& rom, const Expansion& plan,
                std::uint8_t fill);

} // namespace textdump
