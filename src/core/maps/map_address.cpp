#include "core/maps/map_address.hpp"

#include "core/base/base.hpp"
#include "core/maps/address_map.hpp"

namespace textdump {

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
                              TypedPosition position, const MapFields& fields) {
  const std::uint64_t offset = map.position_offset(fields, layout, position);
  return offset < layout.size ? offset : NO_OFFSET;
}

std::string address_text(const MapDescriptor& map, const RomLayout& layout, std::uint64_t offset,
                         const MapFields& fields) {
  if (map.address_text == nullptr || offset >= layout.size) return "";
  return map.address_text(fields, layout, offset);
}

const MapDescriptor* platform_map(const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  for (const MapDescriptor& map : address_maps())
    if (map.address_text != nullptr && map.suggested_by != nullptr && map.suggested_by(rom, layout))
      return &map;
  return nullptr;
}

std::string offset_and_address(const MapDescriptor* map, const RomLayout& layout,
                               std::uint64_t offset, const MapFields& fields) {
  std::string text = "$" + hex_number(offset);
  const std::string address = map != nullptr ? address_text(*map, layout, offset, fields) : "";
  return address.empty() ? text : text + " (" + address + ")";
}

} // namespace textdump
