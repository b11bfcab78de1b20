#include "app/common/platform_address.hpp"

#include "core/maps/map_address.hpp"
#include "core/base/numbers.hpp"

namespace textdump {

Platform platform_of(const RomView& rom) {
  return {platform_map(rom), layout_of(rom)};
}

std::uint64_t bank_bytes_of(const Platform& platform) {
  if (platform.map == nullptr) return 0;
  switch (platform.map->id) {
  case AddressMap::lorom: return 0x8000;
  case AddressMap::hirom: return 0x10000;
  case AddressMap::gb:
  case AddressMap::nes: return 0x4000;
  default: return 0;
  }
}

std::string platform_address(const Platform& platform, std::uint64_t offset) {
  return platform.map != nullptr ? address_text(*platform.map, platform.layout, offset) : "";
}

std::string file_offset_text(std::uint64_t offset, std::uint64_t rom_size) {
  std::string digits = hex_number(offset);
  const std::size_t width = hex_number(rom_size > 0 ? rom_size - 1 : 0).size();
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return "$" + digits;
}

} // namespace textdump
