// The platform of a ROM and where it sees a file offset; file offsets as a
// ROM's map prints them.
//
// The platform's map is the first map other than linear that the ROM's header
// suggests (core/maps/map_address.hpp platform_map); a ROM that suggests none has
// no platform address. The address is written as the platform writes it
// (core/maps/map_address.hpp): "$C1:013D", "01:4333", "$ECF0 (bank 07)".
#pragma once

#include <cstdint>
#include <string>

#include "core/maps/maps.hpp"
#include "core/base/base.hpp"

namespace textdump {

struct Platform {
  const MapDescriptor* map = nullptr; // none: no address but the file offset
  RomLayout layout;
};

Platform platform_of(const RomView& rom);

// The size of the platform's banks, a power of two; 0 when it has none.
std::uint64_t bank_bytes_of(const Platform& platform);

// "$C1:013D"; empty when the platform has no address for the offset.
std::string platform_address(const Platform& platform, std::uint64_t offset);

// "$00013D": a file offset with as many digits as the ROM's last offset.
std::string file_offset_text(std::uint64_t offset, std::uint64_t rom_size);

} // namespace textdump
