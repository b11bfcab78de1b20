// The gba map (Game Boy Advance): the cartridge seen at 08000000, its second
// 16 MiB at 09000000 (a ROM of up to 32 MiB); 32-bit pointers.
//   value   offset + 08000000
//   address $08000000 and on; typed 08000000-09FFFFFF, or a file offset
//   header  the logo's first bytes at 04 and the fixed value 96 at B2
//   banks   none
//   check   the complement at BD: -(the sum of A0-BC + 19), modulo 100
//   grows   to 32 MiB
#include <algorithm>

#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"

namespace textdump {

namespace {

using namespace map_parts;

constexpr std::uint32_t ROM = 0x08000000, ROM_SIZE = 0x02000000;

std::uint64_t to_offset(const MapFields&, const RomLayout&, PointerPlace, std::uint32_t value) {
  if (value < ROM || value - ROM >= ROM_SIZE) return NO_OFFSET;
  return value - ROM;
}

std::optional<std::uint32_t> to_value(const MapFields&, const RomLayout&, PointerPlace place,
                                      std::uint64_t offset) {
  if (offset >= ROM_SIZE) return std::nullopt;
  return fitting(ROM + offset, place.size);
}

// The first bytes of the logo every cartridge header holds at 04, and the
// fixed value at B2.
bool header(const RomView& rom, const RomLayout&) {
  static constexpr std::uint8_t LOGO[] = {0x24, 0xFF, 0xAE, 0x51, 0x69, 0x9A, 0xA2, 0x21};
  if (rom.size < 0xC0 || rom.data[0xB2] != 0x96) return false;
  return std::equal(std::begin(LOGO), std::end(LOGO), rom.data + 4);
}

std::string address_text(const MapFields&, const RomLayout&, std::uint64_t offset) {
  if (offset >= ROM_SIZE) return "";
  return "$" + hex_digits(ROM + offset, 8);
}

std::uint64_t position_offset(const MapFields&, const RomLayout& layout, TypedPosition position) {
  if (position.bank || position.value < ROM) return plain_position({}, layout, position);
  return position.value - ROM < ROM_SIZE ? position.value - ROM : NO_OFFSET;
}

constexpr std::uint64_t COMPLEMENT = 0xBD;

HeaderBytes complement(const RomView& rom, const RomLayout&) {
  return {{static_cast<std::uint8_t>(0 - (byte_sum(rom, 0xA0, COMPLEMENT) + 0x19))}, 1};
}

constexpr ChecksumRule CHECKSUMS[] = {
    {.name = "complement check", .at = COMPLEMENT, .size = 1, .value = complement},
};

} // namespace

constexpr MapDescriptor platforms::gba{
    .id = AddressMap::gba,
    .name = "gba",
    .sizes = 1u << 4,
    .sizes_refused = ReportId::pointers_gba_size,
    .default_size = 4,
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = header,
    .address_text = address_text,
    .position_offset = position_offset,
    .checksums = CHECKSUMS,
    .grows_to = ROM_SIZE,
};

} // namespace textdump
