#include "app/common/platform_address.hpp"

#include "core/maps/maps.hpp"
#include "core/base/base.hpp"

namespace textdump {

Platform platform_of(const RomView& rom) {
  return {platform_map(rom), layout_of(rom)};
}

std::uint64_t bank_bytes_of(const Platform& platform) {
  return platform.map != nullptr ? platform.map->bank_bytes : 0;
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
