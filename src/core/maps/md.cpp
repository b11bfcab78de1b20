// The md map (Mega Drive): value = offset, 32-bit big-endian by default.
//   address $OOOOOO, the offset itself; typed as a file offset
//   header  "SEGA" at 0100 or 0101
//   banks   none
//   check   the checksum at 018E: the sum of the big-endian words from 0200 on,
//           modulo 10000 (an odd last byte is a word's high byte, its low one 0)
//   grows   to 4 MiB, a whole number of words; the ROM's last address at
//           01A4-01A7 (big-endian) says the new size
#include <algorithm>

#include "core/base/base.hpp"
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

std::string address_text(const MapFields&, const RomLayout&, std::uint64_t offset) {
  return "$" + hex_digits(offset, 6);
}

constexpr std::uint64_t CHECKSUM = 0x18E, ROM_END = 0x1A4, DATA = 0x200;

HeaderBytes checksum(const RomView& rom, const RomLayout&) {
  std::uint64_t sum = 0;
  for (std::uint64_t at = DATA; at < rom.size; at += 2)
    sum += std::uint64_t{rom.data[at]} << 8 | (at + 1 < rom.size ? rom.data[at + 1] : 0);
  return big_endian(sum, 2);
}

constexpr ChecksumRule CHECKSUMS[] = {
    {.name = "checksum", .at = CHECKSUM, .size = 2, .value = checksum},
};

SizeFields size_fields(const RomView& rom, std::uint64_t size) {
  if (rom.size < ROM_END + 4) return error_report(ReportId::expand_no_header, {"md", "$01A4"});
  if (size % 2 != 0) return error_report(ReportId::expand_odd, {with_commas(size)});
  return std::vector<HeaderWrite>{{ROM_END, big_endian(size - 1, 4)}};
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
    .checksums = CHECKSUMS,
    .grows_to = 4u << 20,
    .size_fields = size_fields,
};

} // namespace textdump
