// Addresses as each platform writes them: a file offset as the platform's
// address, and a position typed in that form (or as a file offset) back to a
// file offset. Each map's own two functions are in its descriptor (the
// platform's file in core/maps); they see a ROM as its header lays it out,
// under a pointer table's map fields (nes: its window= and banksize=; the
// defaults when none is given). Printed and typed forms agree: the address a
// map writes for an offset under some fields, typed back under them, is that
// offset.
//
// A position is typed as BANK:ADDRESS ($ or 0x may lead each part) under the
// banked maps, as 08000000-09FFFFFF under gba, and otherwise as a file offset.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/maps/map_types.hpp"

namespace textdump {

// "C1:013D", "$C1:$013D", "0x8000", "ECF0": nothing when it is neither one
// hexadecimal value of up to eight digits nor a bank and an address of up to
// four digits each.
std::optional<TypedPosition> parse_position(std::string_view text);

// The file offset the position stands for under the map; NO_OFFSET when it is
// not one of the map's forms or lies past the ROM's end.
std::uint64_t position_offset(const MapDescriptor& map, const RomLayout& layout,
                              TypedPosition position, const MapFields& fields = {});

// The platform's address of a file offset inside the ROM; "" when the map has
// none for it.
std::string address_text(const MapDescriptor& map, const RomLayout& layout, std::uint64_t offset,
                         const MapFields& fields = {});

// The ROM's platform: the first map other than linear that its header
// suggests; null when none does.
const MapDescriptor* platform_map(const RomView& rom);

// "$1234 ($C1:1234)": a file offset and its address under map, or "$1234"
// alone when map is null or has no address for it.
std::string offset_and_address(const MapDescriptor* map, const RomLayout& layout,
                               std::uint64_t offset, const MapFields& fields = {});

} // namespace textdump
