#include "generator/rom_pointers.hpp"

#include <algorithm>

namespace textdump::testing {
namespace {

constexpr std::size_t kNesWindow = 0x8000;
constexpr std::uint64_t kGbaRom = 0x08000000; // where a gba cartridge is seen

std::optional<std::size_t> inside(const RomGeometry& g, std::uint64_t offset) {
  if (offset >= g.file_size) return std::nullopt;
  return static_cast<std::size_t>(offset);
}

std::uint32_t bank_or_default(const RomGeometry& g, const PointerFormat& f, std::size_t at) {
  return f.bank ? *f.bank : default_bank(g, at);
}

} // namespace

RomGeometry make_geometry(const RomOptions& options, bool nes_trainer, std::size_t chr_bytes) {
  RomGeometry g;
  g.map = options.map;
  switch (options.map) {
  case AddressMap::linear:
  case AddressMap::gb:
  case AddressMap::gba:
  case AddressMap::md:
    g.file_size = options.rom_size;
    g.data_end = options.rom_size;
    g.bank_size = options.map == AddressMap::gb ? 0x4000 : 0x10000;
    break;
  case AddressMap::lorom:
  case AddressMap::hirom:
    g.data_begin = options.copier_header ? 512 : 0;
    g.file_size = g.data_begin + options.rom_size;
    g.data_end = g.file_size;
    g.h = g.file_size & 0x7FF;
    g.bank_size = options.map == AddressMap::lorom ? 0x8000 : 0x10000;
    break;
  case AddressMap::nes:
    g.data_begin = 16 + (nes_trainer ? 512 : 0);
    g.data_end = g.data_begin + options.rom_size;
    g.file_size = g.data_end + chr_bytes;
    g.bank_size = options.rom_size <= 0x8000 ? options.rom_size : 0x4000;
    break;
  }
  return g;
}

std::uint32_t default_bank(const RomGeometry& g, std::size_t at) {
  if (at < g.data_begin) return 0;
  switch (g.map) {
  case AddressMap::linear:
  case AddressMap::gba:
  case AddressMap::md: return 0;
  case AddressMap::lorom: return static_cast<std::uint32_t>((at - g.h) / 0x8000);
  case AddressMap::hirom: return static_cast<std::uint32_t>((at - g.h) / 0x10000);
  case AddressMap::gb: return static_cast<std::uint32_t>(at / 0x4000);
  case AddressMap::nes: return static_cast<std::uint32_t>((at - g.data_begin) / g.bank_size);
  }
  return 0;
}

std::uint32_t bank_of(const RomGeometry& g, std::size_t offset) {
  if (g.map == AddressMap::linear || g.map == AddressMap::gba || g.map == AddressMap::md)
    return static_cast<std::uint32_t>(offset / g.bank_size);
  return default_bank(g, offset);
}

std::optional<std::size_t> decode_value(const RomGeometry& g, const PointerFormat& f,
                                        std::size_t at, std::uint64_t value) {
  const std::uint64_t bank = bank_or_default(g, f, at);
  switch (g.map) {
  case AddressMap::linear: {
    const std::int64_t offset = static_cast<std::int64_t>(value) + f.base;
    if (offset < 0) return std::nullopt;
    return inside(g, static_cast<std::uint64_t>(offset));
  }
  case AddressMap::lorom: {
    if ((value & 0x8000) == 0) return std::nullopt;
    if (f.size == 2) return inside(g, (value & 0x7FFF) + bank * 0x8000 + g.h);
    const std::uint64_t b = (value >> 16) & 0xFF;
    if (f.size != 3 || (b >= 0x7E && b < 0x80)) return std::nullopt;
    return inside(g, (value & 0x7FFF) + (b & 0x7F) * 0x8000 + g.h);
  }
  case AddressMap::hirom: {
    if (f.size == 2) return inside(g, (value & 0xFFFF) + bank * 0x10000 + g.h);
    const std::uint64_t b = (value >> 16) & 0xFF;
    if (f.size != 3 || !(b >= 0xC0 || (b >= 0x40 && b <= 0x7D))) return std::nullopt;
    return inside(g, (value & 0x3FFFFF) + g.h);
  }
  case AddressMap::gb: {
    if (f.size != 2 && f.size != 3) return std::nullopt;
    const std::uint64_t address = value & 0xFFFF;
    if (address < 0x4000) return inside(g, address);
    if (address >= 0x8000) return std::nullopt;
    const std::uint64_t b = f.size == 3 ? value >> 16 : std::max<std::uint64_t>(bank, 1);
    return inside(g, b * 0x4000 + (address - 0x4000));
  }
  case AddressMap::gba:
    if (f.size != 4 || value < kGbaRom || value - kGbaRom >= 0x2000000) return std::nullopt;
    return inside(g, value - kGbaRom);
  case AddressMap::md: return inside(g, value);
  case AddressMap::nes: {
    if (f.size != 2 || value < kNesWindow || value >= kNesWindow + g.bank_size) return std::nullopt;
    return inside(g, g.data_begin + bank * g.bank_size + (value - kNesWindow));
  }
  }
  return std::nullopt;
}

std::optional<std::uint64_t> encode_offset(const RomGeometry& g, const PointerFormat& f,
                                           std::size_t at, std::size_t offset) {
  const std::uint64_t bank = bank_or_default(g, f, at);
  std::optional<std::uint64_t> value;
  switch (g.map) {
  case AddressMap::linear: {
    const std::int64_t v = static_cast<std::int64_t>(offset) - f.base;
    if (v >= 0 && (f.size >= 8 || (static_cast<std::uint64_t>(v) >> (8 * f.size)) == 0)) {
      value = static_cast<std::uint64_t>(v);
    }
    break;
  }
  case AddressMap::lorom: {
    if (offset < g.h) break;
    const std::uint64_t r = offset - g.h;
    const std::uint64_t b = r / 0x8000;
    if (f.size == 2 && b == bank) value = 0x8000 | (r & 0x7FFF);
    if (f.size == 3 && b < 0x7E) {
      value = ((b | (f.alternate_banks ? 0x80 : 0)) << 16) | 0x8000 | (r & 0x7FFF);
    }
    break;
  }
  case AddressMap::hirom: {
    if (offset < g.h) break;
    const std::uint64_t r = offset - g.h;
    if (f.size == 2 && r / 0x10000 == bank) value = r & 0xFFFF;
    if (f.size == 3 && r < 0x400000) {
      value = (f.alternate_banks && r < 0x3E0000 ? 0x400000 : 0xC00000) | r;
    }
    break;
  }
  case AddressMap::gb: {
    const std::uint64_t b = offset / 0x4000;
    if (offset < 0x4000) {
      value = offset;
    } else if ((f.size == 2 && b == std::max<std::uint64_t>(bank, 1)) ||
               (f.size == 3 && b <= 0xFF)) {
      value = (f.size == 3 ? b << 16 : 0) | (0x4000 + offset % 0x4000);
    }
    break;
  }
  case AddressMap::nes: {
    if (offset < g.data_begin || offset >= g.data_end) break;
    const std::uint64_t r = offset - g.data_begin;
    if (r / g.bank_size == bank) value = kNesWindow + r % g.bank_size;
    break;
  }
  case AddressMap::gba:
    if (f.size == 4) value = kGbaRom + offset;
    break;
  case AddressMap::md:
    if (f.size == 4 || offset >> (8 * f.size) == 0) value = offset;
    break;
  }
  if (value && decode_value(g, f, at, *value) != offset) return std::nullopt;
  return value;
}

std::uint64_t read_pointer(const std::vector<std::uint8_t>& rom, std::size_t pos, unsigned size,
                           ByteOrder order) {
  std::uint64_t value = 0;
  for (unsigned i = 0; i < size; ++i) {
    const unsigned shift = order == ByteOrder::le ? 8 * i : 8 * (size - 1 - i);
    value |= static_cast<std::uint64_t>(rom[pos + i]) << shift;
  }
  return value;
}

void write_pointer(std::vector<std::uint8_t>& rom, std::size_t pos, std::uint64_t value,
                   unsigned size, ByteOrder order) {
  for (unsigned i = 0; i < size; ++i) {
    const unsigned shift = order == ByteOrder::le ? 8 * i : 8 * (size - 1 - i);
    rom[pos + i] = static_cast<std::uint8_t>((value >> shift) & 0xFF);
  }
}

std::size_t run_length(const std::vector<std::uint8_t>& rom, const RomGeometry& g,
                       const PointerFormat& f, std::size_t at, const std::vector<bool>& is_start) {
  PointerFormat fixed = f;
  fixed.bank = bank_or_default(g, f, at);
  std::size_t n = 0;
  for (std::size_t pos = at; pos + f.size <= rom.size(); pos += f.stride, ++n) {
    const auto offset = decode_value(g, fixed, at, read_pointer(rom, pos, f.size, f.order));
    if (!offset || !is_start[*offset]) break;
  }
  return n;
}

} // namespace textdump::testing
