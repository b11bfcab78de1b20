#include "core/address_map.hpp"

namespace textdump {

std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, SnesMap map,
                               std::uint8_t pointer_size, std::uint32_t header_size) {
  if (pointer_size == 3) {
    if (map == SnesMap::lorom) {
      const std::uint32_t bank = (p >> 16) & 0xFF;
      return (p & 0x7FFF) + (bank & 0x7F) * 0x8000 + header_size;
    }
    return (p & 0xFF7FFFFF) + header_size;
  }
  if (map == SnesMap::lorom) return (p & 0x7FFF) + (e & 0xFF7F8000) + header_size;
  return (p & 0xFFFF) + (e & 0xFF7F0000) + header_size;
}

} // namespace textdump
