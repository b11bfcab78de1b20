// What a ROM's header says of its address map: one test a map, each true when
// the header suggests the map (the registry in core/maps/address_map.cpp names them
// as its maps' suggested_by).
//
//   lorom, hirom  a SNES header at 7FC0 or FFC0 past the copier header whose
//                 checksum and complement agree, or whose title is printable and
//                 map byte a known one; the map byte names the map of its place
//   gb            the header checksum at 014D holds
//   nes           the iNES magic at 0
//   gba           the logo's first bytes at 04 and the fixed value 96 at B2
//   md            "SEGA" at 0100 or 0101
//   linear        every ROM
#pragma once

#include "core/maps/address_map.hpp"

namespace textdump::map_headers {

bool every_rom(const RomView& rom, const RomLayout& layout);
bool lorom(const RomView& rom, const RomLayout& layout);
bool hirom(const RomView& rom, const RomLayout& layout);
bool gb(const RomView& rom, const RomLayout& layout);
bool ines(const RomView& rom, const RomLayout& layout);
bool gba(const RomView& rom, const RomLayout& layout);
bool md(const RomView& rom, const RomLayout& layout);

} // namespace textdump::map_headers
