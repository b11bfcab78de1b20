// Addresses as each platform writes them: a file offset as the platform's
// address, and a position typed in that form (or as a file offset) back to a
// file offset. Each map's two functions are in the registry
// (core/maps/address_map.hpp); they see a ROM as its header lays it out, with the
// map fields at their defaults.
//
//   lorom   $BB:AAAA         bank 00-7F, address 8000-FFFF, past the copier header
//   hirom   $BB:AAAA         bank C0-FF, address 0000-FFFF, past the copier header
//                            (typed, also 40-7D, and 00-3F and 80-BF at 8000-FFFF)
//   gb      BB:AAAA          bank 00 at 0000-3FFF, every other bank at 4000-7FFF
//   nes     $AAAA (bank BB)  the PRG's bank (the PRG itself up to 32 KiB, else
//                            16 KiB) at 8000, the last 16 KiB one at C000
//                            (typed BB:AAAA, either half of the CPU's 8000-FFFF)
//   gba     $08000000 and on, the second 16 MiB at 09000000
//   md      $OOOOOO          the offset itself
//   linear  no address
// A position is typed as BANK:ADDRESS ($ or 0x may lead each part) under the
// banked maps, as 08000000-09FFFFFF under gba, and otherwise as a file offset.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/maps/address_map.hpp"

namespace textdump {

// "C1:013D", "$C1:$013D", "0x8000", "ECF0": nothing when it is neither one
// hexadecimal value of up to eight digits nor a bank and an address of up to
// four digits each.
std::optional<TypedPosition> parse_position(std::string_view text);

// The file offset the position stands for under the map; NO_OFFSET when it is
// not one of the map's forms or lies past the ROM's end.
std::uint64_t position_offset(const MapDescriptor& map, const RomLayout& layout,
                              TypedPosition position);

// The platform's address of a file offset inside the ROM; "" when the map has
// none for it.
std::string address_text(const MapDescriptor& map, const RomLayout& layout, std::uint64_t offset);

// The ROM's platform: the first map other than linear that its header
// suggests; null when none does.
const MapDescriptor* platform_map(const RomView& rom);

// "$1234 ($C1:1234)": a file offset and its address under map, or "$1234"
// alone when map is null or has no address for it.
std::string offset_and_address(const MapDescriptor* map, const RomLayout& layout,
                               std::uint64_t offset);

// Each map's own two functions, as the registry names them.
namespace address_forms {
std::string lorom_text(const RomLayout& layout, std::uint64_t offset);
std::string hirom_text(const RomLayout& layout, std::uint64_t offset);
std::string gb_text(const RomLayout& layout, std::uint64_t offset);
std::string nes_text(const RomLayout& layout, std::uint64_t offset);
std::string gba_text(const RomLayout& layout, std::uint64_t offset);
std::string md_text(const RomLayout& layout, std::uint64_t offset);
std::uint64_t lorom_offset(const RomLayout& layout, TypedPosition position);
std::uint64_t hirom_offset(const RomLayout& layout, TypedPosition position);
std::uint64_t gb_offset(const RomLayout& layout, TypedPosition position);
std::uint64_t nes_offset(const RomLayout& layout, TypedPosition position);
std::uint64_t gba_offset(const RomLayout& layout, TypedPosition position);
// A file offset: the value itself, never a bank.
std::uint64_t plain_position(const RomLayout& layout, TypedPosition position);
} // namespace address_forms

} // namespace textdump
