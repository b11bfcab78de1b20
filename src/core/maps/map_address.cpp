#include "core/maps/map_address.hpp"

#include "core/base/fields.hpp"
#include "core/base/numbers.hpp"

namespace textdump {

namespace {

// value in hexadecimal, at least width digits.
std::string hex_digits(std::uint64_t value, std::size_t width) {
  std::string digits = hex_number(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// The bank of a typed position when it has one and its address fits 16 bits.
std::optional<std::uint32_t> banked(TypedPosition position) {
  if (!position.bank || position.value > 0xFFFF) return std::nullopt;
  return position.bank;
}

// The NES PRG's banks: the PRG itself up to 32 KiB, else 16 KiB.
std::uint64_t nes_bank_size(const RomLayout& layout) {
  return layout.prg_size != 0 && layout.prg_size <= 0x8000 ? layout.prg_size : 0x4000;
}

} // namespace

namespace address_forms {

std::string lorom_text(const RomLayout& layout, std::uint64_t offset) {
  if (offset < layout.copier_header) return "";
  const std::uint64_t inside = offset - layout.copier_header, bank = inside / 0x8000;
  if (bank > 0x7F) return "";
  return "$" + hex_digits(bank, 2) + ":" + hex_digits(0x8000 | (inside & 0x7FFF), 4);
}

std::uint64_t lorom_offset(const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position(layout, position);
  const auto bank = banked(position);
  if (!bank || *bank > 0xFF || *bank == 0x7E || *bank == 0x7F || position.value < 0x8000)
    return NO_OFFSET;
  return layout.copier_header + std::uint64_t{*bank & 0x7F} * 0x8000 + (position.value & 0x7FFF);
}

std::string hirom_text(const RomLayout& layout, std::uint64_t offset) {
  if (offset < layout.copier_header) return "";
  const std::uint64_t inside = offset - layout.copier_header;
  if (inside >= 0x400000) return "";
  return "$" + hex_digits(0xC0 | inside >> 16, 2) + ":" + hex_digits(inside & 0xFFFF, 4);
}

std::uint64_t hirom_offset(const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position(layout, position);
  const auto bank = banked(position);
  if (!bank || *bank > 0xFF || (*bank >= 0x7E && *bank < 0x80)) return NO_OFFSET;
  // Banks 40-7D and C0-FF see the whole 64 KiB; the others their upper half.
  const bool whole = (*bank & 0x40) != 0;
  if (!whole && position.value < 0x8000) return NO_OFFSET;
  return layout.copier_header + std::uint64_t{*bank & 0x3F} * 0x10000 + position.value;
}

std::string gb_text(const RomLayout&, std::uint64_t offset) {
  if (offset < 0x4000) return "00:" + hex_digits(offset, 4);
  return hex_digits(offset / 0x4000, 2) + ":" + hex_digits(0x4000 + offset % 0x4000, 4);
}

std::uint64_t gb_offset(const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position(layout, position);
  const auto bank = banked(position);
  if (!bank || position.value >= 0x8000) return NO_OFFSET;
  if (position.value < 0x4000) return *bank == 0 ? position.value : NO_OFFSET;
  if (*bank == 0) return NO_OFFSET;
  return std::uint64_t{*bank} * 0x4000 + (position.value - 0x4000);
}

std::string nes_text(const RomLayout& layout, std::uint64_t offset) {
  if (!layout.ines || offset < layout.prg_start) return "";
  const std::uint64_t inside = offset - layout.prg_start, banksize = nes_bank_size(layout);
  if (layout.prg_size != 0 && inside >= layout.prg_size) return ""; // CHR
  const std::uint64_t bank = inside / banksize;
  const bool last = banksize == 0x4000 && (bank + 1) * banksize == layout.prg_size;
  return "$" + hex_digits((last ? 0xC000 : 0x8000) + inside % banksize, 4) + " (bank " +
         hex_digits(bank, 2) + ")";
}

std::uint64_t nes_offset(const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position(layout, position);
  const auto bank = banked(position);
  if (!layout.ines || !bank || position.value < 0x8000) return NO_OFFSET;
  const std::uint64_t banksize = nes_bank_size(layout);
  const std::uint64_t inside = *bank * banksize + (position.value - 0x8000) % banksize;
  if (layout.prg_size != 0 && inside >= layout.prg_size) return NO_OFFSET;
  return layout.prg_start + inside;
}

constexpr std::uint32_t GBA_ROM = 0x08000000, GBA_ROM_SIZE = 0x02000000;

std::string gba_text(const RomLayout&, std::uint64_t offset) {
  if (offset >= GBA_ROM_SIZE) return "";
  return "$" + hex_digits(GBA_ROM + offset, 8);
}

std::uint64_t gba_offset(const RomLayout& layout, TypedPosition position) {
  if (position.bank || position.value < GBA_ROM) return plain_position(layout, position);
  return position.value - GBA_ROM < GBA_ROM_SIZE ? position.value - GBA_ROM : NO_OFFSET;
}

std::string md_text(const RomLayout&, std::uint64_t offset) {
  return "$" + hex_digits(offset, 6);
}

std::uint64_t plain_position(const RomLayout&, TypedPosition position) {
  return position.bank ? NO_OFFSET : position.value;
}

} // namespace address_forms

std::optional<TypedPosition> parse_position(std::string_view text) {
  const std::size_t colon = text.find(':');
  const auto part = [](std::string_view digits, std::size_t most) -> std::optional<std::uint32_t> {
    digits = without_hex_prefix(digits);
    if (digits.size() > most) return std::nullopt;
    return hex_field(digits);
  };
  TypedPosition position;
  if (colon != std::string_view::npos) {
    position.bank = part(text.substr(0, colon), 4);
    if (!position.bank) return std::nullopt;
  }
  const auto value = part(colon == std::string_view::npos ? text : text.substr(colon + 1),
                          colon == std::string_view::npos ? 8 : 4);
  if (!value) return std::nullopt;
  position.value = *value;
  return position;
}

std::uint64_t position_offset(const MapDescriptor& map, const RomLayout& layout,
                              TypedPosition position) {
  const std::uint64_t offset = map.position_offset(layout, position);
  return offset < layout.size ? offset : NO_OFFSET;
}

std::string address_text(const MapDescriptor& map, const RomLayout& layout, std::uint64_t offset) {
  if (map.address_text == nullptr || offset >= layout.size) return "";
  return map.address_text(layout, offset);
}

const MapDescriptor* platform_map(const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  for (const MapDescriptor& map : address_maps())
    if (map.address_text != nullptr && map.suggested_by != nullptr && map.suggested_by(rom, layout))
      return &map;
  return nullptr;
}

std::string offset_and_address(const MapDescriptor* map, const RomLayout& layout,
                               std::uint64_t offset) {
  std::string text = "$" + hex_number(offset);
  const std::string address = map != nullptr ? address_text(*map, layout, offset) : "";
  return address.empty() ? text : text + " (" + address + ")";
}

} // namespace textdump
