#include "core/maps/map_headers.hpp"

#include <algorithm>

namespace textdump {

namespace {

// A SNES header at 0x7FC0 (LoROM) or 0xFFC0 (HiROM) past the copier header:
// its checksum and complement agree, or its title is printable and its map
// byte a known one; and the map byte names the map of its place.
bool snes_header_at(const RomView& rom, const RomLayout& layout, std::uint64_t header, bool hirom) {
  const std::uint64_t at = header + layout.copier_header;
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

} // namespace

RomLayout layout_of(const RomView& rom) {
  RomLayout layout;
  layout.size = rom.size;
  layout.copier_header = header_size_of(rom);
  layout.ines = rom.size >= 16 && rom.data[0] == 'N' && rom.data[1] == 'E' && rom.data[2] == 'S' &&
                rom.data[3] == 0x1A;
  if (layout.ines) {
    layout.prg_start = 16 + ((rom.data[6] & 0x04) != 0 ? 512u : 0u);
    layout.prg_size = std::uint32_t{rom.data[4]} * 0x4000;
  }
  return layout;
}

namespace map_headers {

bool every_rom(const RomView&, const RomLayout&) {
  return true;
}

bool lorom(const RomView& rom, const RomLayout& layout) {
  return snes_header_at(rom, layout, 0x7FC0, false);
}

bool hirom(const RomView& rom, const RomLayout& layout) {
  return snes_header_at(rom, layout, 0xFFC0, true);
}

bool gb(const RomView& rom, const RomLayout&) {
  if (rom.size < 0x150) return false;
  std::uint8_t check = 0;
  for (std::size_t i = 0x134; i <= 0x14C; ++i)
    check = static_cast<std::uint8_t>(check - rom.data[i] - 1);
  return check == rom.data[0x14D];
}

bool ines(const RomView&, const RomLayout& layout) {
  return layout.ines;
}

// The first bytes of the logo every cartridge header holds at 04, and the
// fixed value at B2.
bool gba(const RomView& rom, const RomLayout&) {
  static constexpr std::uint8_t LOGO[] = {0x24, 0xFF, 0xAE, 0x51, 0x69, 0x9A, 0xA2, 0x21};
  if (rom.size < 0xC0 || rom.data[0xB2] != 0x96) return false;
  return std::equal(std::begin(LOGO), std::end(LOGO), rom.data + 4);
}

bool md(const RomView& rom, const RomLayout&) {
  const auto sega_at = [&](std::size_t at) {
    return rom.size >= at + 4 && std::equal(rom.data + at, rom.data + at + 4, "SEGA");
  };
  return rom.size >= 0x200 && (sega_at(0x100) || sega_at(0x101));
}

} // namespace map_headers

} // namespace textdump
