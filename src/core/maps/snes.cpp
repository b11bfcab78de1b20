#include "core/maps/snes.hpp"

#include <algorithm>
#include <bit>

#include "core/maps/map_parts.hpp"

namespace textdump {

std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, SnesMap map,
                               std::uint8_t pointer_size, std::uint32_t header_size) {
  // The bank of a 24-bit address: LoROM without bit 7, HiROM with bit 7 of
  // the address's bank byte cleared; of a 16-bit one: the entry's piece, with
  // bit 23 of the entry's position cleared.
  std::uint64_t bank = 0;
  if (pointer_size == 3)
    bank = map == SnesMap::lorom ? (p >> 16) & 0x7F : (p >> 16) & 0xFF7F;
  else
    bank = map == SnesMap::lorom ? (e & 0xFF7F8000) >> 15 : (e & 0xFF7F0000) >> 16;
  return static_cast<std::uint32_t>(snes_offset(map, p, bank, header_size));
}

bool snes_header_of(SnesMap map, const RomView& rom, const RomLayout& layout) {
  const bool hirom = map == SnesMap::hirom;
  const std::uint64_t at = snes_header_at(map) + layout.copier_header;
  if (at + 0x20 > rom.size) return false;
  const std::uint8_t* h = rom.data + at;
  const std::uint8_t* pair = h + SNES_CHECKSUM;
  const unsigned complement = pair[0] | unsigned{pair[1]} << 8,
                 sum = pair[2] | unsigned{pair[3]} << 8;
  // A header whose checksum is unset counts when its title is printable and its map byte known.
  const unsigned mode = h[0x15] & 0xEFu; // the FastROM bit aside
  const bool titled =
      std::all_of(h, h + 0x15, [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; }) &&
      mode >= 0x20 && mode <= 0x25 && mode != 0x24;
  if ((complement ^ sum) != 0xFFFF && !titled) return false;
  return ((h[0x15] & 0x01) != 0) == hirom;
}

std::optional<SwitchedBanks> snes_banks(SnesMap map, const RomView& rom, const RomLayout& layout) {
  if (!snes_header_of(map, rom, layout)) return std::nullopt;
  const std::uint64_t bank = map == SnesMap::lorom ? LOROM_BANK : HIROM_BANK;
  const std::uint64_t data = rom.size - layout.copier_header;
  const auto banks = static_cast<std::uint32_t>((data + bank - 1) / bank);
  if (banks < 2) return std::nullopt;
  return SwitchedBanks{{layout.copier_header, rom.size}, 0, banks, layout.copier_header, bank};
}

namespace {

// The sum of the bytes from, to - 1 of image, the checksum's four at sum_at
// taken as FF FF 00 00.
std::uint64_t part_sum(const RomView& image, std::uint64_t from, std::uint64_t to,
                       std::uint64_t sum_at) {
  std::uint64_t sum = map_parts::byte_sum(image, from, to);
  for (std::uint64_t at = sum_at; at < sum_at + 4; ++at)
    if (at >= from && at < to) sum = sum - image.data[at] + (at < sum_at + 2 ? 0xFF : 0);
  return sum;
}

// The sum of the size bytes from from on, as the console sees them.
std::uint64_t seen_sum(const RomView& image, std::uint64_t from, std::uint64_t size,
                       std::uint64_t sum_at) {
  const std::uint64_t whole = std::bit_floor(size), rest = size - whole;
  const std::uint64_t sum = part_sum(image, from, from + whole, sum_at);
  if (rest == 0) return sum;
  return sum + whole / std::bit_ceil(rest) * seen_sum(image, from + whole, rest, sum_at);
}

} // namespace

HeaderBytes snes_checksum(SnesMap map, const RomView& rom, const RomLayout& layout) {
  const RomView image{rom.data + layout.copier_header, rom.size - layout.copier_header};
  const auto sum = static_cast<std::uint16_t>(
      image.size == 0 ? 0 : seen_sum(image, 0, image.size, snes_header_at(map) + SNES_CHECKSUM));
  const auto complement = static_cast<std::uint16_t>(~sum);
  return {{static_cast<std::uint8_t>(complement), static_cast<std::uint8_t>(complement >> 8),
           static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8)},
          4};
}

} // namespace textdump
