#include "core/maps/address_map.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/base/base.hpp"
#include "core/maps/platforms.hpp"

namespace textdump {

namespace {

constexpr std::string_view FIELDS[] = {"base", "bank", "window", "banksize"};

// The registry: one line a platform, in the order of their ids.
const std::array<MapDescriptor, 7>& registry() {
  static const std::array<MapDescriptor, 7> maps{{
      platforms::linear,
      platforms::lorom,
      platforms::hirom,
      platforms::gb,
      platforms::nes,
      platforms::gba,
      platforms::md,
  }};
  return maps;
}

} // namespace

std::span<const MapDescriptor> address_maps() {
  return registry();
}

const MapDescriptor& map_of(AddressMap map) {
  return registry()[static_cast<std::size_t>(map)];
}

std::string_view name_of(AddressMap map) {
  return map_of(map).name;
}

const MapDescriptor* find_map(std::string_view name) {
  const auto maps = address_maps();
  const auto found = std::find_if(maps.begin(), maps.end(),
                                  [&](const MapDescriptor& map) { return map.name == name; });
  return found == maps.end() ? nullptr : &*found;
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

std::string map_names(std::string_view separator, std::string_view last, FinderForms finder_forms,
                      bool (*only)(const MapDescriptor&)) {
  std::vector<MapDescriptor> maps;
  for (const MapDescriptor& map : address_maps())
    if (only == nullptr || only(map)) maps.push_back(map);
  std::string text;
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const MapDescriptor& map = maps[i];
    if (i > 0) text += i + 1 == maps.size() && !last.empty() ? last : separator;
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

RomLayout layout_of(const RomView& rom) {
  RomLayout layout;
  layout.size = rom.size;
  layout.copier_header = header_size_of(rom);
  layout.ines = rom.size >= 16 && rom.data[0] == 'N' && rom.data[1] == 'E' && rom.data[2] == 'S' &&
                rom.data[3] == 0x1A;
  if (layout.ines) {
    layout.prg_start = 16 + ((rom.data[6] & 0x04) != 0 ? 512u : 0u);
    layout.prg_size = std::uint32_t{rom.data[4]} * 0x4000;
  }
  return layout;
}

} // namespace textdump
