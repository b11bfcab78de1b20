// The md map (Mega Drive): value = offset, 32-bit big-endian by default.
//   address $OOOOOO, the offset itself; typed as a file offset
//   header  "SEGA" at 0100 or 0101
//   banks   none
#include <algorithm>

#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"

namespace textdump {

namespace {

using namespace map_parts;

std::uint64_t to_offset(const MapFields&, const RomLayout&, PointerPlace, std::uint32_t value) {
  return value;
}

std::optional<std::uint32_t> to_value(const MapFields&, const RomLayout&, PointerPlace place,
                                      std::uint64_t offset) {
  return fitting(offset, place.size);
}

bool header(const RomView& rom, const RomLayout&) {
  const auto sega_at = [&](std::size_t at) {
    return rom.size >= at + 4 && std::equal(rom.data + at, rom.data + at + 4, "SEGA");
  };
  return rom.size >= 0x200 && (sega_at(0x100) || sega_at(0x101));
}

std::string address_text(const RomLayout&, std::uint64_t offset) {
  return "$" + hex_digits(offset, 6);
}

} // namespace

constexpr MapDescriptor platforms::md{
    .id = AddressMap::md,
    .name = "md",
    .sizes = SIZES_2_3_4,
    .default_size = 4,
    .default_order = ByteOrder::be,
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = header,
    .address_text = address_text,
    .position_offset = plain_position,
};

} // namespace textdump
