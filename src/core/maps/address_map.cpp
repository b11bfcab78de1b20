#include "core/maps/address_map.hpp"

#include <algorithm>
#include <array>

#include "core/base/fields.hpp"
#include "core/maps/map_address.hpp"
#include "core/maps/map_headers.hpp"

namespace textdump {

namespace {

constexpr unsigned SIZES_2_3_4 = 1u << 2 | 1u << 3 | 1u << 4;

// The bank a 16-bit pointer points into: bank= when given, else the one of
// the bank_size pieces from first on that holds the pointer itself.
std::uint64_t own_bank(const MapFields& fields, std::uint64_t slot, std::uint64_t first,
                       std::uint64_t bank_size) {
  return fields.bank.value_or(slot >= first ? (slot - first) / bank_size : 0);
}

// The value when it fits the pointer's size.
std::optional<std::uint32_t> fitting(std::uint64_t value, unsigned size) {
  if (size < 4 && value >> (8 * size) != 0) return std::nullopt;
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// --- linear ------------------------------------------------------------------

std::uint64_t linear_offset(const MapFields& fields, const RomLayout&, PointerPlace,
                            std::uint32_t value) {
  const std::int64_t at = static_cast<std::int64_t>(value) + fields.base;
  if (at < 0) return NO_OFFSET;
  return static_cast<std::uint64_t>(at);
}

std::optional<std::uint32_t> linear_value(const MapFields& fields, const RomLayout&,
                                          PointerPlace place, std::uint64_t offset) {
  const std::int64_t value = static_cast<std::int64_t>(offset) - fields.base;
  if (value < 0) return std::nullopt;
  return fitting(static_cast<std::uint64_t>(value), place.size);
}

// --- lorom -------------------------------------------------------------------

std::uint64_t lorom_offset(const MapFields& fields, const RomLayout& layout, PointerPlace place,
                           std::uint32_t value) {
  if ((value & 0x8000) == 0) return NO_OFFSET;
  const std::uint64_t bank = place.size >= 3
                                 ? (value >> 16) & 0x7F
                                 : own_bank(fields, place.slot, layout.copier_header, 0x8000);
  return snes_offset(SnesMap::lorom, value, bank, layout.copier_header);
}

std::optional<std::uint32_t> lorom_value(const MapFields& fields, const RomLayout& layout,
                                         PointerPlace place, std::uint64_t offset) {
  if (offset < layout.copier_header) return std::nullopt;
  const std::uint64_t inside = offset - layout.copier_header, bank = inside / 0x8000;
  const std::uint64_t address = 0x8000 | (inside & 0x7FFF);
  if (place.size >= 3)
    return bank <= 0x7F ? fitting(bank << 16 | address, place.size) : std::nullopt;
  if (bank != own_bank(fields, place.slot, layout.copier_header, 0x8000)) return std::nullopt;
  return fitting(address, place.size);
}

// --- hirom -------------------------------------------------------------------

std::uint64_t hirom_offset(const MapFields& fields, const RomLayout& layout, PointerPlace place,
                           std::uint32_t value) {
  if (place.size >= 3) {
    const std::uint32_t bank = (value >> 16) & 0xFF;
    if (bank < 0x40 || (bank > 0x7D && bank < 0xC0)) return NO_OFFSET;
    return snes_offset(SnesMap::hirom, value, bank & 0x3F, layout.copier_header);
  }
  return snes_offset(SnesMap::hirom, value,
                     own_bank(fields, place.slot, layout.copier_header, 0x10000),
                     layout.copier_header);
}

std::optional<std::uint32_t> hirom_value(const MapFields& fields, const RomLayout& layout,
                                         PointerPlace place, std::uint64_t offset) {
  if (offset < layout.copier_header) return std::nullopt;
  const std::uint64_t inside = offset - layout.copier_header;
  if (place.size >= 3)
    return inside < 0x400000 ? fitting(0xC00000 | inside, place.size) : std::nullopt;
  if (inside / 0x10000 != own_bank(fields, place.slot, layout.copier_header, 0x10000))
    return std::nullopt;
  return fitting(inside & 0xFFFF, place.size);
}

// --- gb ----------------------------------------------------------------------
// 0000-3FFF is bank 0, 4000-7FFF the switched bank. A 3-byte pointer is the
// address and then its bank byte; a 2-byte one points into the bank of the
// table (bank 1 when the table lies in bank 0) unless bank= is given.

std::uint64_t gb_bank(const MapFields& fields, std::uint64_t slot) {
  const std::uint64_t bank = fields.bank.value_or(slot / 0x4000);
  return !fields.bank && bank == 0 ? 1 : bank;
}

std::uint64_t gb_offset(const MapFields& fields, const RomLayout&, PointerPlace place,
                        std::uint32_t value) {
  const std::uint32_t address = value & 0xFFFF;
  if (address >= 0x8000) return NO_OFFSET;
  if (address < 0x4000) return address;
  const std::uint64_t bank = place.size >= 3 ? (value >> 16) & 0xFF : gb_bank(fields, place.slot);
  return bank * 0x4000 + (address - 0x4000);
}

std::optional<std::uint32_t> gb_value(const MapFields& fields, const RomLayout&, PointerPlace place,
                                      std::uint64_t offset) {
  if (offset < 0x4000) return fitting(offset, place.size);
  const std::uint64_t bank = offset / 0x4000, address = 0x4000 + offset % 0x4000;
  if (place.size >= 3)
    return bank <= 0xFF ? fitting(bank << 16 | address, place.size) : std::nullopt;
  if (bank != gb_bank(fields, place.slot)) return std::nullopt;
  return fitting(address, place.size);
}

// --- nes ---------------------------------------------------------------------

std::uint64_t nes_bank_size(const MapFields& fields, const RomLayout& layout) {
  return fields.banksize.value_or(
      layout.prg_size != 0 && layout.prg_size <= 0x8000 ? layout.prg_size : 0x4000);
}

std::uint64_t nes_offset(const MapFields& fields, const RomLayout& layout, PointerPlace place,
                         std::uint32_t value) {
  if (!layout.ines) return NO_OFFSET;
  const std::uint64_t banksize = nes_bank_size(fields, layout);
  if (value < fields.window || value - fields.window >= banksize) return NO_OFFSET;
  const std::uint64_t bank = own_bank(fields, place.slot, layout.prg_start, banksize);
  return layout.prg_start + bank * banksize + (value - fields.window);
}

std::optional<std::uint32_t> nes_value(const MapFields& fields, const RomLayout& layout,
                                       PointerPlace place, std::uint64_t offset) {
  if (!layout.ines || offset < layout.prg_start) return std::nullopt;
  const std::uint64_t banksize = nes_bank_size(fields, layout), inside = offset - layout.prg_start;
  if (inside / banksize != own_bank(fields, place.slot, layout.prg_start, banksize))
    return std::nullopt;
  return fitting(fields.window + inside % banksize, place.size);
}

// --- gba ---------------------------------------------------------------------
// The cartridge is seen at 08000000; its second 16 MiB at 09000000.

constexpr std::uint32_t GBA_ROM = 0x08000000, GBA_ROM_SIZE = 0x02000000;

std::uint64_t gba_offset(const MapFields&, const RomLayout&, PointerPlace, std::uint32_t value) {
  if (value < GBA_ROM || value - GBA_ROM >= GBA_ROM_SIZE) return NO_OFFSET;
  return value - GBA_ROM;
}

std::optional<std::uint32_t> gba_value(const MapFields&, const RomLayout&, PointerPlace place,
                                       std::uint64_t offset) {
  if (offset >= GBA_ROM_SIZE) return std::nullopt;
  return fitting(GBA_ROM + offset, place.size);
}

// --- md ----------------------------------------------------------------------

// --- the registry --------------------------------------------------------------

constexpr std::string_view FIELDS[] = {"base", "bank", "window", "banksize"};
constexpr std::string_view LINEAR_FIELDS[] = {"base"};
constexpr std::string_view BANK_FIELD[] = {"bank"};
constexpr std::string_view NES_FIELDS[] = {"window", "banksize", "bank"};

constexpr std::array<MapDescriptor, 7> MAPS{{
    {AddressMap::linear,
     "linear",
     SIZES_2_3_4,
     {},
     LINEAR_FIELDS,
     "base",
     2,
     ByteOrder::le,
     true,
     linear_offset,
     linear_value,
     map_headers::every_rom,
     nullptr, address_forms::plain_position},
    {AddressMap::lorom,
     "lorom",
     SIZES_2_3_4,
     {},
     BANK_FIELD,
     {},
     2,
     ByteOrder::le,
     true,
     lorom_offset,
     lorom_value,
     map_headers::lorom,
     address_forms::lorom_text, address_forms::lorom_offset},
    {AddressMap::hirom,
     "hirom",
     SIZES_2_3_4,
     {},
     BANK_FIELD,
     {},
     2,
     ByteOrder::le,
     true,
     hirom_offset,
     hirom_value,
     map_headers::hirom,
     address_forms::hirom_text, address_forms::hirom_offset},
    {AddressMap::gb,
     "gb",
     1u << 2 | 1u << 3,
     ReportId::pointers_gb_size,
     BANK_FIELD,
     {},
     2,
     ByteOrder::le,
     false,
     gb_offset,
     gb_value,
     map_headers::gb,
     address_forms::gb_text, address_forms::gb_offset},
    {AddressMap::nes,
     "nes",
     1u << 2,
     ReportId::pointers_nes_size,
     NES_FIELDS,
     {},
     2,
     ByteOrder::le,
     false,
     nes_offset,
     nes_value,
     map_headers::ines,
     address_forms::nes_text, address_forms::nes_offset},
    {AddressMap::gba,
     "gba",
     1u << 4,
     ReportId::pointers_gba_size,
     {},
     {},
     4,
     ByteOrder::le,
     true,
     gba_offset,
     gba_value,
     map_headers::gba,
     address_forms::gba_text, address_forms::gba_offset},
    {AddressMap::md,
     "md",
     SIZES_2_3_4,
     {},
     {},
     {},
     4,
     ByteOrder::be,
     true,
     linear_offset,
     linear_value,
     map_headers::md,
     address_forms::md_text, address_forms::plain_position},
}};

constexpr bool in_id_order() {
  for (std::size_t i = 0; i < MAPS.size(); ++i)
    if (static_cast<std::size_t>(MAPS[i].id) != i) return false;
  return true;
}
static_assert(in_id_order(), "the registry lists the maps in the order of their ids");

} // namespace

bool MapDescriptor::takes_field(std::string_view field) const {
  return std::find(fields.begin(), fields.end(), field) != fields.end();
}

std::span<const MapDescriptor> address_maps() {
  return MAPS;
}

const MapDescriptor& map_of(AddressMap map) {
  return MAPS[static_cast<std::size_t>(map)];
}

std::string_view name_of(AddressMap map) {
  return map_of(map).name;
}

const MapDescriptor* find_map(std::string_view name) {
  const auto* found = std::find_if(MAPS.begin(), MAPS.end(),
                                   [&](const MapDescriptor& map) { return map.name == name; });
  return found == MAPS.end() ? nullptr : found;
}

std::span<const std::string_view> map_field_names() {
  return FIELDS;
}

std::optional<Report> parse_map_field(std::string_view field, std::string_view value,
                                      MapFields& fields) {
  if (field == "base") {
    const bool negative = !value.empty() && value[0] == '-';
    const auto v = hex_field(value.substr(negative ? 1 : 0));
    if (!v) return error_report(ReportId::map_base);
    fields.base = negative ? -static_cast<std::int64_t>(*v) : static_cast<std::int64_t>(*v);
    return std::nullopt;
  }
  const auto v = hex_field(value);
  if (!v) return error_report(ReportId::map_value);
  if (field == "bank") fields.bank = *v;
  if (field == "window") fields.window = *v;
  if (field == "banksize") {
    if (*v == 0) return error_report(ReportId::map_banksize);
    fields.banksize = *v;
  }
  return std::nullopt;
}

std::string map_names(std::string_view separator, std::string_view last, FinderForms finder_forms) {
  std::string text;
  for (std::size_t i = 0; i < MAPS.size(); ++i) {
    const MapDescriptor& map = MAPS[i];
    if (i > 0) text += i + 1 == MAPS.size() && !last.empty() ? last : separator;
    text += map.name;
    if (finder_forms == FinderForms::none || map.finder_field.empty()) continue;
    std::string form = std::string(map.name) + ":";
    for (const char c : map.finder_field)
      form += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    text +=
        finder_forms == FinderForms::listed ? std::string(separator) + form : " (or " + form + ")";
  }
  return text;
}

std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, SnesMap map,
                               std::uint8_t pointer_size, std::uint32_t header_size) {
  // The bank of a 24-bit address: LoROM without bit 7, HiROM with bit 7 of
  // the address's bank byte cleared; of a 16-bit one: the entry's piece, with
  // bit 23 of the entry's position cleared.
  std::uint64_t bank = 0;
  if (pointer_size == 3)
    bank = map == SnesMap::lorom ? (p >> 16) & 0x7F : (p >> 16) & 0xFF7F;
  else
    bank = map == SnesMap::lorom ? (e & 0xFF7F8000) >> 15 : (e & 0xFF7F0000) >> 16;
  return static_cast<std::uint32_t>(snes_offset(map, p, bank, header_size));
}

} // namespace textdump
