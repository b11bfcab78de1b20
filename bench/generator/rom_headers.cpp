#include "generator/rom_headers.hpp"

#include <bit>
#include <cstring>

namespace textdump::testing {
namespace {

void put16le(std::vector<std::uint8_t>& rom, std::size_t pos, std::uint64_t value) {
  write_pointer(rom, pos, value & 0xFFFF, 2, ByteOrder::le);
}

void put_text(std::vector<std::uint8_t>& rom, std::size_t pos, const std::string& text) {
  std::memcpy(rom.data() + pos, text.data(), text.size());
}

std::size_t snes_header(const RomGeometry& g) {
  return g.h + (g.map == AddressMap::lorom ? 0x7FC0 : 0xFFC0);
}

void write_snes(Rng& rng, std::vector<std::uint8_t>& rom, const RomGeometry& g,
                const RomOptions& options) {
  if (options.copier_header) {
    put16le(rom, 0, options.rom_size / 0x2000);
    if (rng.percent(50)) {
      rom[8] = 0xAA;
      rom[9] = 0xBB;
      rom[10] = 0x04;
    }
  }
  const std::size_t base = snes_header(g);
  put_text(rom, base, make_title(rng, 21));
  rom[base + 0x15] = g.map == AddressMap::lorom ? 0x20 : 0x21;
  const std::uint8_t cart = rng.percent(50) ? 0x00 : 0x02;
  rom[base + 0x16] = cart;
  std::uint8_t size_code = 0;
  while ((std::size_t{0x400} << size_code) < options.rom_size) ++size_code;
  rom[base + 0x17] = size_code;
  rom[base + 0x18] = cart == 0 ? 0 : static_cast<std::uint8_t>(rng.range(1, 5));
  rom[base + 0x19] = static_cast<std::uint8_t>(rng.below(3));
  const bool extended = rng.percent(50);
  rom[base + 0x1A] = extended ? 0x33 : 0x01;
  if (extended) {
    put_text(rom, base - 0x10, "01");
    std::string code = make_title(rng, 4);
    for (char& c : code) c = c == ' ' ? 'A' : c;
    put_text(rom, base - 0x0E, code);
  }
  rom[base + 0x1B] = static_cast<std::uint8_t>(rng.below(2));
  put16le(rom, base + 0x1C, 0xFFFF); // complement and checksum, final in write_checksums
  put16le(rom, base + 0x1E, 0x0000);
  // Native COP, BRK, ABORT, NMI, (unused), IRQ; emulation COP, (unused), ABORT, NMI, RESET, IRQ.
  const std::uint64_t shared = 0x8000 | rng.below(0x8000);
  for (std::size_t v = 0x24; v < 0x40; v += 2) {
    if (v == 0x2C || v == 0x30 || v == 0x32 || v == 0x36) continue;
    put16le(rom, base + v, rng.percent(50) ? shared : 0x8000 | rng.below(0x8000));
  }
}

void write_gb(Rng& rng, std::vector<std::uint8_t>& rom, const RomGeometry& g) {
  fill_code(rng, std::span(rom).subspan(0, 0x100), Cpu::sm83);
  const std::uint8_t entry[] = {0x00, 0xC3, 0x50, 0x01};
  std::memcpy(rom.data() + 0x100, entry, sizeof entry);
  for (std::size_t i = 0x104; i < 0x134; ++i) rom[i] = rng.byte(); // a logo-shaped region
  std::string title = make_title(rng, 15);
  while (!title.empty() && title.back() == ' ') title.pop_back();
  title.resize(15, '\0');
  put_text(rom, 0x134, title);
  const std::uint8_t color_flags[] = {0x00, 0x80, 0xC0};
  rom[0x143] = rng.pick(color_flags);
  const bool new_licensee = rng.percent(50);
  if (new_licensee) put_text(rom, 0x144, "01");
  rom[0x146] = rng.percent(30) ? 0x03 : 0x00;
  const std::uint8_t types[] = {0x01, 0x03, 0x13, 0x19, 0x1B};
  const std::uint8_t type = g.file_size == 0x8000 ? std::uint8_t{0x00} : rng.pick(types);
  rom[0x147] = type;
  rom[0x148] = static_cast<std::uint8_t>(std::countr_zero(g.file_size / 0x8000));
  const bool ram = type == 0x03 || type == 0x13 || type == 0x1B;
  rom[0x149] = ram ? static_cast<std::uint8_t>(rng.range(2, 3)) : 0;
  rom[0x14A] = static_cast<std::uint8_t>(rng.below(2));
  rom[0x14B] = new_licensee ? 0x33 : 0x01;
  rom[0x14C] = 0;
}

void write_nes(Rng& rng, std::vector<std::uint8_t>& rom, const RomGeometry& g,
               const NesChoices& nes, const CharTable& table) {
  const std::size_t prg = g.data_end - g.data_begin;
  const std::uint8_t magic[] = {'N', 'E', 'S', 0x1A};
  std::memcpy(rom.data(), magic, sizeof magic);
  rom[4] = static_cast<std::uint8_t>(prg / 0x4000);
  rom[5] = static_cast<std::uint8_t>(nes.chr_bytes / 0x2000);
  rom[6] =
      static_cast<std::uint8_t>((nes.mapper & 0x0F) << 4 | (nes.trainer ? 0x04 : 0) | rng.below(2));
  rom[7] = static_cast<std::uint8_t>(nes.mapper & 0xF0);
  if (nes.trainer) fill_code(rng, std::span(rom).subspan(16, 512), Cpu::m6502);
  // NMI, RESET and IRQ, all in the bank seen at 0xC000-0xFFFF.
  for (std::size_t v = 0; v < 3; ++v) {
    const std::uint64_t window =
        prg == 0x8000 ? 0x8000 + rng.below(0x8000) : 0xC000 + rng.below(0x4000);
    put16le(rom, g.data_end - 6 + 2 * v, window);
  }
  if (nes.chr_bytes > 0) {
    fill_tiles(rng, std::span(rom).subspan(g.data_end, nes.chr_bytes), table, true, true, false);
  }
}

// A branch over the header, the logo (its first bytes as every cartridge has
// them, the rest random), the title and code, 96 at B2 and the header's complement.
void write_gba(Rng& rng, std::vector<std::uint8_t>& rom) {
  const std::uint8_t branch[] = {0x2E, 0x00, 0x00, 0xEA};
  std::memcpy(rom.data(), branch, sizeof branch);
  const std::uint8_t logo[] = {0x24, 0xFF, 0xAE, 0x51, 0x69, 0x9A, 0xA2, 0x21};
  std::memcpy(rom.data() + 4, logo, sizeof logo);
  for (std::size_t i = 4 + sizeof logo; i < 0xA0; ++i) rom[i] = rng.byte();
  put_text(rom, 0xA0, make_title(rng, 12));
  std::string code = make_title(rng, 4);
  for (char& c : code) c = c == ' ' ? 'A' : c;
  put_text(rom, 0xAC, code);
  put_text(rom, 0xB0, "01");
  rom[0xB2] = 0x96;
  std::uint8_t check = 0;
  for (std::size_t i = 0xA0; i < 0xBD; ++i) check = static_cast<std::uint8_t>(check - rom[i]);
  rom[0xBD] = static_cast<std::uint8_t>(check - 0x19);
}

// The 68000 vectors (big-endian addresses into the ROM) and the header at 100.
void write_md(Rng& rng, std::vector<std::uint8_t>& rom, const RomGeometry& g) {
  write_pointer(rom, 0, 0x00FFFE00, 4, ByteOrder::be);
  for (std::size_t v = 4; v < 0x100; v += 4)
    write_pointer(rom, v, 0x200 + 2 * rng.below(0x400), 4, ByteOrder::be);
  put_text(rom, 0x100, "SEGA MEGA DRIVE ");
  put_text(rom, 0x110, "(C)SEGA 1994.JAN");
  put_text(rom, 0x120, make_title(rng, 48));
  put_text(rom, 0x150, make_title(rng, 48));
  put_text(rom, 0x180, "GM 00000000-00");
  put_text(rom, 0x190, "J               ");
  write_pointer(rom, 0x1A0, 0, 4, ByteOrder::be);
  write_pointer(rom, 0x1A4, g.file_size - 1, 4, ByteOrder::be);
  write_pointer(rom, 0x1A8, 0xFF0000, 4, ByteOrder::be);
  write_pointer(rom, 0x1AC, 0xFFFFFF, 4, ByteOrder::be);
  for (std::size_t i = 0x1B0; i < 0x1F0; ++i) rom[i] = ' ';
  put_text(rom, 0x1F0, "JUE             ");
}

} // namespace

NesChoices draw_nes_choices(Rng& rng, std::size_t prg_size) {
  NesChoices nes;
  nes.trainer = rng.percent(20);
  if (prg_size <= 0x8000) {
    nes.chr_bytes = 0x2000;
  } else {
    nes.mapper = rng.percent(50) ? 1 : 2;
    const std::size_t banks[] = {0, 1, 2, 4};
    nes.chr_bytes = nes.mapper == 2 ? 0 : 0x2000 * rng.pick(banks);
  }
  return nes;
}

std::vector<ByteRange> header_ranges(const RomGeometry& g) {
  switch (g.map) {
  case AddressMap::linear: return {};
  case AddressMap::lorom:
  case AddressMap::hirom: {
    std::vector<ByteRange> ranges;
    if (g.data_begin > 0) ranges.push_back({0, g.data_begin});
    ranges.push_back({snes_header(g) - 0x10, snes_header(g) + 0x40});
    return ranges;
  }
  case AddressMap::gb: return {{0, 0x150}};
  case AddressMap::gba: return {{0, 0xC0}};
  case AddressMap::md: return {{0, 0x200}};
  case AddressMap::nes:
    return {{0, g.data_begin}, {g.data_end - 6, g.data_end}, {g.data_end, g.file_size}};
  }
  return {};
}

void write_headers(Rng& rng, std::vector<std::uint8_t>& rom, const RomGeometry& g,
                   const RomOptions& options, const NesChoices& nes, const CharTable& table) {
  switch (g.map) {
  case AddressMap::linear: break;
  case AddressMap::lorom:
  case AddressMap::hirom: write_snes(rng, rom, g, options); break;
  case AddressMap::gb: write_gb(rng, rom, g); break;
  case AddressMap::nes: write_nes(rng, rom, g, nes, table); break;
  case AddressMap::gba: write_gba(rng, rom); break;
  case AddressMap::md: write_md(rng, rom, g); break;
  }
}

void write_checksums(std::vector<std::uint8_t>& rom, const RomGeometry& g) {
  if (g.map == AddressMap::lorom || g.map == AddressMap::hirom) {
    std::uint64_t sum = 0;
    for (std::size_t i = g.data_begin; i < g.file_size; ++i) sum += rom[i];
    put16le(rom, snes_header(g) + 0x1C, (sum & 0xFFFF) ^ 0xFFFF);
    put16le(rom, snes_header(g) + 0x1E, sum & 0xFFFF);
  } else if (g.map == AddressMap::gb) {
    std::uint8_t header = 0;
    for (std::size_t i = 0x134; i <= 0x14C; ++i)
      header = static_cast<std::uint8_t>(header - rom[i] - 1);
    rom[0x14D] = header;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < rom.size(); ++i) {
      if (i != 0x14E && i != 0x14F) sum += rom[i];
    }
    write_pointer(rom, 0x14E, sum & 0xFFFF, 2, ByteOrder::be);
  } else if (g.map == AddressMap::md) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0x200; i + 1 < rom.size(); i += 2)
      sum += read_pointer(rom, i, 2, ByteOrder::be);
    write_pointer(rom, 0x18E, sum & 0xFFFF, 2, ByteOrder::be);
  }
}

} // namespace textdump::testing
