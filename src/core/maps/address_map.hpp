// Address maps: how a pointer's value becomes a ROM file offset, and back.
//
// Every map is one descriptor in one registry: its name, the pointer sizes it
// takes, the fields of a --pointers argument it reads (base, bank, window,
// banksize), value -> file offset, file offset -> value, whether a ROM's
// header suggests it (core/maps/map_headers.hpp), and the platform's address of a
// file offset both ways (core/maps/map_address.hpp). The --pointers parser, the finder, the usage text and
// the messages all read the registry, so a new map is one new descriptor
// (and its id).
//
// Maps (h is the copier header: the ROM size modulo 0x800):
//   linear offset = value + base (base may be negative: -7FF0)
//   lorom  24-bit: (v & 7FFF) + ((v >> 16) & 7F) * 8000 + h; 16-bit: the 32 KiB
//          bank of the pointer table itself unless bank= is given. Bit 15 set.
//   hirom  24-bit: (v & 3FFFFF) + h (banks C0-FF and 40-7D); 16-bit: the
//          64 KiB bank of the pointer table unless bank= is given.
//   gb     0000-3FFF bank 0; 4000-7FFF the bank of the pointer table (at least
//          1) unless bank= is given; size 3 is an address then a bank byte.
//   nes    the iNES header (and a 512-byte trainer) skipped; window (8000) is
//          where the bank is seen; banksize defaults to the PRG size up to
//          32 KiB, else 16 KiB; bank to the one that holds the pointer table.
//   gba    32-bit: value = offset + 08000000; 09000000 on mirrors it for ROMs
//          over 16 MiB (up to 32 MiB).
//   md     Mega Drive: value = offset, 32-bit big-endian by default.
//
//   snes_offset       the SNES arithmetic of both the lorom and hirom maps and
//                     the table files' SNES entries
//   snes_file_offset  the SNES entries of a table: LoROM or HiROM, 16- or 24-bit
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/base/report.hpp"
#include "core/base/rom_view.hpp"

namespace textdump {

enum class AddressMap { linear, lorom, hirom, gb, nes, gba, md };
enum class SnesMap : std::uint8_t { lorom, hirom };

// The fields of a pointer table that the maps read. A map takes only some of
// them (its descriptor lists which); the others keep these defaults.
struct MapFields {
  std::int64_t base = 0;                 // linear: offset = value + base
  std::optional<std::uint32_t> bank;     // the bank 16-bit pointers point into
  std::uint32_t window = 0x8000;         // nes: where the bank is seen
  std::optional<std::uint32_t> banksize; // nes: the size of a bank

  friend bool operator==(const MapFields&, const MapFields&) = default;
};

// What the maps need to know of a ROM.
struct RomLayout {
  std::uint64_t size = 0;
  std::uint32_t copier_header = 0; // size & 0x7FF
  bool ines = false;               // "NES\x1A" at offset 0
  std::uint32_t prg_start = 0;     // iNES: 16, plus 512 with a trainer
  std::uint32_t prg_size = 0;      // iNES: byte 4 * 16 KiB
};

RomLayout layout_of(const RomView& rom);

// Past the end of every ROM: what a value that maps to no offset gives.
inline constexpr std::uint64_t NO_OFFSET = ~std::uint64_t{0};

// A position as typed: BANK:ADDRESS (bank set), or one hexadecimal value.
struct TypedPosition {
  std::optional<std::uint32_t> bank;
  std::uint32_t value = 0;

  friend bool operator==(const TypedPosition&, const TypedPosition&) = default;
};

// One pointer as a map sees it: its size in bytes and its own file offset.
struct PointerPlace {
  unsigned size = 2;
  std::uint64_t slot = 0;
};

struct MapDescriptor {
  AddressMap id;
  std::string_view name;
  unsigned sizes;                 // bit n set: takes n-byte pointers
  ReportId sizes_refused{};       // the report when a size is not taken
  std::span<const std::string_view> fields;
  std::string_view finder_field; // the field --map NAME:VALUE sets, if any (a base)
  unsigned default_size = 2;
  ByteOrder default_order = ByteOrder::le;
  bool searched_big_endian = true; // the finder also reads its pointers big-endian
  // The file offset a value stands for; it may lie past the ROM's end (the
  // caller checks), and is NO_OFFSET when the map reaches no offset with it.
  std::uint64_t (*to_offset)(const MapFields&, const RomLayout&, PointerPlace, std::uint32_t value);
  // A value that stands for the offset; nothing when no value of the
  // pointer's size does.
  std::optional<std::uint32_t> (*to_value)(const MapFields&, const RomLayout&, PointerPlace,
                                           std::uint64_t offset);
  // The ROM's header suggests the map; null for a map no header suggests.
  bool (*suggested_by)(const RomView&, const RomLayout&);
  // The platform's address of a file offset ("$C1:013D"); null for a map
  // without one, and "" for an offset the map does not see.
  std::string (*address_text)(const RomLayout&, std::uint64_t offset);
  // The file offset of a typed position: the map's address form, or a plain
  // file offset; NO_OFFSET when it is neither.
  std::uint64_t (*position_offset)(const RomLayout&, TypedPosition position);

  bool takes_size(unsigned size) const { return size < 32 && (sizes >> size & 1u) != 0; }
  bool takes_field(std::string_view field) const;
};

// Every map, in the order the usage text lists them.
std::span<const MapDescriptor> address_maps();
const MapDescriptor& map_of(AddressMap map);
std::string_view name_of(AddressMap map);
const MapDescriptor* find_map(std::string_view name);

// The fields some map takes, in the order the usage text lists them.
std::span<const std::string_view> map_field_names();

// Reads a map field's value into fields; a report saying what a value of
// that field is when it is wrong. The field must be one of map_field_names().
std::optional<Report> parse_map_field(std::string_view field, std::string_view value,
                                      MapFields& fields);

// The names of the maps joined by separator, the last two by last (when
// given): map_names("|") is "linear|lorom|hirom|gb|nes". With finder_forms a
// map with a finder field is followed by its NAME:FIELD form, as a list item
// (", " gives "linear, linear:BASE, lorom, ...") or in brackets when
// bracketed ("linear (or linear:BASE), lorom, ...").
enum class FinderForms { none, listed, bracketed };
std::string map_names(std::string_view separator, std::string_view last = {},
                      FinderForms finder_forms = FinderForms::none);

// The SNES arithmetic: LoROM counts 32 KiB banks and keeps the low 15 bits of
// the address, HiROM counts 64 KiB banks and keeps the low 16; the copier
// header comes on top. The caller says which bank the address lies in.
constexpr std::uint64_t snes_offset(SnesMap map, std::uint32_t address, std::uint64_t bank,
                                    std::uint32_t header) {
  return map == SnesMap::lorom ? (address & 0x7FFF) + bank * 0x8000 + header
                               : (address & 0xFFFF) + bank * 0x10000 + header;
}

// The file offset of the SNES address p read from the pointer entry at file
// offset e. 24-bit LoROM: bank & 0x7F counts 32 KiB pieces; 24-bit HiROM: the
// address with bit 23 cleared; 16-bit pointers stay in the 32 KiB (LoROM) or
// 64 KiB (HiROM) piece of the file that holds the entry. The copier header is
// added once more at the end. All arithmetic is 32-bit and wraps, as the
// table entries define it.
std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, SnesMap map,
                               std::uint8_t pointer_size, std::uint32_t header_size);

} // namespace textdump
