#include "core/maps/snes.hpp"

#include <algorithm>

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
  const std::uint64_t at = (hirom ? 0xFFC0u : 0x7FC0u) + std::uint64_t{layout.copier_header};
  if (at + 0x20 > rom.size) return false;
  const std::uint8_t* h = rom.data + at;
  const unsigned complement = h[0x1C] | unsigned{h[0x1D]} << 8,
                 sum = h[0x1E] | unsigned{h[0x1F]} << 8;
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

} // namespace textdump
