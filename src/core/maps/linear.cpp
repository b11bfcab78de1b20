// The linear map: offset = value + base (base may be negative: -7FF0), for
// every ROM; no address form (a position is a file offset), no banks and no
// checksum. Its ROMs grow to 256 MiB: four times the largest cartridge ROM,
// which a ROM read from a stream may be, and far past any size typed on
// purpose (4 GiB, which 32-bit offsets reach, would be held twice in memory
// while an inserter writes it).
#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"

namespace textdump {

namespace {

using namespace map_parts;

std::uint64_t to_offset(const MapFields& fields, const RomLayout&, PointerPlace,
                        std::uint32_t value) {
  const std::int64_t at = static_cast<std::int64_t>(value) + fields.base;
  if (at < 0) return NO_OFFSET;
  return static_cast<std::uint64_t>(at);
}

std::optional<std::uint32_t> to_value(const MapFields& fields, const RomLayout&, PointerPlace place,
                                      std::uint64_t offset) {
  const std::int64_t value = static_cast<std::int64_t>(offset) - fields.base;
  if (value < 0) return std::nullopt;
  return fitting(static_cast<std::uint64_t>(value), place.size);
}

bool every_rom(const RomView&, const RomLayout&) {
  return true;
}

constexpr std::string_view FIELDS[] = {"base"};

} // namespace

constexpr MapDescriptor platforms::linear{
    .id = AddressMap::linear,
    .name = "linear",
    .sizes = SIZES_2_3_4,
    .fields = FIELDS,
    .finder_field = "base",
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = every_rom,
    .position_offset = plain_position,
    .grows_to = 256u << 20,
};

} // namespace textdump
