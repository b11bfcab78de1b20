#include "core/maps/rom_header.hpp"

#include <algorithm>

#include "core/base/base.hpp"
#include "core/maps/address_map.hpp"

namespace textdump {

namespace {

// The checksum's bytes in the ROM.
HeaderChecksum place_of(const ChecksumRule& rule, const RomLayout& layout) {
  return {rule.name, rule.at + (rule.past_copier_header ? layout.copier_header : 0u), rule.size};
}

bool holds(const RomView& rom, const HeaderChecksum& checksum) {
  return checksum.at <= rom.size && rom.size - checksum.at >= checksum.size;
}

void write_bytes(std::string& rom, std::uint64_t at, const HeaderBytes& field) {
  for (unsigned i = 0; i < field.size; ++i) rom[at + i] = static_cast<char>(field.bytes[i]);
}

bool grows(const MapDescriptor& map) {
  return map.grows_to != 0;
}

} // namespace

RomView rom_view_of(const std::string& rom) {
  return {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
}

std::vector<HeaderChecksum> header_checksums(const MapDescriptor& map, const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  std::vector<HeaderChecksum> checksums;
  for (const ChecksumRule& rule : map.checksums) {
    HeaderChecksum checksum = place_of(rule, layout);
    if (holds(rom, checksum)) {
      const HeaderBytes value = rule.value(rom, layout);
      const bool right =
          std::equal(value.bytes.begin(), value.bytes.begin() + value.size, rom.data + checksum.at);
      checksum.state = right ? ChecksumState::right : ChecksumState::wrong;
    }
    checksums.push_back(checksum);
  }
  return checksums;
}

std::vector<HeaderChecksum> fix_checksums(const MapDescriptor& map, std::string& rom,
                                          std::span<const HeaderChecksum> before) {
  const RomView view = rom_view_of(rom);
  const RomLayout layout = layout_of(view);
  for (std::size_t i = 0; i < map.checksums.size() && i < before.size(); ++i) {
    const ChecksumRule& rule = map.checksums[i];
    const HeaderChecksum checksum = place_of(rule, layout);
    if (before[i].state != ChecksumState::right || !holds(view, checksum)) continue;
    write_bytes(rom, checksum.at, rule.value(view, layout));
  }
  return header_checksums(map, view);
}

std::variant<Expansion, Report> plan_expansion(const MapDescriptor& map, const RomView& rom,
                                               std::uint64_t size) {
  if (map.grows_to == 0)
    return error_report(ReportId::expand_map,
                        {std::string(map.name), map_names(", ", " or ", FinderForms::none, grows)});
  if (size < rom.size)
    return error_report(ReportId::expand_smaller, {with_commas(size), with_commas(rom.size)});
  if (size > map.grows_to)
    return error_report(ReportId::expand_too_large,
                        {with_commas(size), std::string(map.name), with_commas(map.grows_to)});
  Expansion plan{rom.size, size, {}};
  if (map.size_fields == nullptr) return plan;
  auto fields = map.size_fields(rom, size);
  if (auto* report = std::get_if<Report>(&fields)) return std::move(*report);
  plan.writes = std::move(std::get<std::vector<HeaderWrite>>(fields));
  return plan;
}

void expand_rom(const MapDescriptor& map, std::string& rom, const Expansion& plan,
                std::uint8_t fill) {
  const std::vector<HeaderChecksum> before = header_checksums(map, rom_view_of(rom));
  rom.resize(plan.to, static_cast<char>(fill));
  for (const HeaderWrite& write : plan.writes) write_bytes(rom, write.at, write.value);
  fix_checksums(map, rom, before);
}

} // namespace textdump
