// core/maps: how a pointer's value becomes a ROM file offset and back, the
// platforms' addresses, pointer tables, and the headers' checksums and a ROM
// grown at its end. Other folders include this header only.
//
// Its files, from the bottom up:
//   map_types.hpp      the vocabulary: map ids, map fields, a ROM's layout,
//                      typed positions, banks, a header's checksum rules and
//                      size fields, and the descriptor of a map
//   map_parts.hpp      what the platforms' files share
//   snes.hpp           the SNES arithmetic of lorom and hirom and the table
//                      files' SNES entries (snes_offset, snes_file_offset),
//                      the SNES header and its checksum
//   one file a platform, each its whole descriptor: values and offsets both
//   ways, header detection, addresses both ways, banks, the header's
//   checksums, and how its ROMs grow
//     linear.cpp       offset = value + base
//     lorom.cpp        32 KiB banks at 8000-FFFF, past the copier header
//     hirom.cpp        64 KiB banks at C0-FF, past the copier header
//     gb.cpp           bank 0 at 0000-3FFF, the switched bank at 4000-7FFF
//     nes.cpp          the iNES PRG in banks at a window, the last one fixed
//     gba.cpp          the cartridge at 08000000
//     md.cpp           value = offset, 32-bit big-endian
//   platforms.hpp      the platforms' descriptors, one line each
//   address_map.hpp    the registry: every map by id and name, the map fields
//                      of --pointers, the maps' names as the usage text lists
//                      them, and a ROM's layout
//   map_address.hpp    addresses as text and typed positions, through the
//                      registry; the ROM's platform
//   pointer_table.hpp  --pointers, and a table's pointers read from a ROM
//   rom_header.hpp     a ROM's checksums checked and fixed, and a ROM grown
//                      at its end (--expand), through the registry
//
// What it promises:
// - A value maps to an offset inside the ROM or to none; a value a map gives
//   for an offset maps back to that offset, and the address a map writes for
//   an offset, typed back, is that offset.
// - A 16-bit pointer of a banked map points into the bank of its own table
//   unless bank= says another; a map whose banks limit its pointers says
//   which bank a target lies in (bank_span), and a ROM whose header says so
//   which other banks its tables may point into (switched_banks: from a
//   fixed bank, or from anywhere).
// - A checksum is right when its bytes hold what its platform's rule computes;
//   one that was wrong before stays as it was. SNES (lorom, hirom: the
//   checksum and its complement, past a copier header), gb (header and
//   global checksum), gba (complement check) and md (checksum) have them;
//   linear and nes have none.
// - A ROM grows at its end only where that is how the platform makes room
//   (linear, gb with a memory bank controller, gba, md), to a size its header
//   can say; lorom, hirom and nes ROMs are refused with the reason.
// - A new platform is one new file in core/maps, its id in map_types.hpp, and
//   its line in platforms.hpp and in the registry (address_map.cpp).
// - Nothing here opens a file or writes text for people but addresses;
//   what is wrong is a report (core/base/report.hpp).
#pragma once

#include "core/maps/address_map.hpp"
#include "core/maps/map_address.hpp"
#include "core/maps/map_types.hpp"
#include "core/maps/pointer_table.hpp"
#include "core/maps/rom_header.hpp"
#include "core/maps/snes.hpp"
