// The SNES arithmetic that the lorom and hirom maps (core/maps/lorom.cpp,
// hirom.cpp) and the table files' SNES entries share: the banks of each
// mapping, an address in a bank as a file offset, and the ROM header and its
// checksum.
//
// LoROM counts 32 KiB banks and sees each at 8000-FFFF of its bank (00-7D
// and 80-FF; 7E and 7F are work RAM); HiROM counts 64 KiB banks and sees each
// whole in C0-FF (and 40-7D), its upper half in 00-3F and 80-BF. The copier
// header (the ROM size modulo 0x800) comes before bank 0.
#pragma once

#include <cstdint>
#include <optional>

#include "core/maps/map_types.hpp"

namespace textdump {

enum class SnesMap : std::uint8_t { lorom, hirom };

inline constexpr std::uint32_t LOROM_BANK = 0x8000, HIROM_BANK = 0x10000;

// The file offset of address in the bank-th bank of the map: LoROM keeps the
// low 15 bits of the address, HiROM the low 16; the copier header comes on top.
constexpr std::uint64_t snes_offset(SnesMap map, std::uint32_t address, std::uint64_t bank,
                                    std::uint32_t header) {
  return map == SnesMap::lorom ? (address & (LOROM_BANK - 1)) + bank * LOROM_BANK + header
                               : (address & (HIROM_BANK - 1)) + bank * HIROM_BANK + header;
}

// The file offset of the SNES address p read from the pointer entry at file
// offset e. 24-bit LoROM: bank & 0x7F counts 32 KiB pieces; 24-bit HiROM: the
// address with bit 23 cleared; 16-bit pointers stay in the 32 KiB (LoROM) or
// 64 KiB (HiROM) piece of the file that holds the entry. The copier header is
// added once more at the end. All arithmetic is 32-bit and wraps, as the
// table entries define it.
std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, SnesMap map,
                               std::uint8_t pointer_size, std::uint32_t header_size);

// Where the header lies past the copier header: 7FC0 (LoROM), FFC0 (HiROM);
// its checksum's complement at 1C-1D of it, the checksum at 1E-1F.
constexpr std::uint64_t snes_header_at(SnesMap map) {
  return map == SnesMap::lorom ? 0x7FC0 : 0xFFC0;
}
inline constexpr std::uint64_t SNES_CHECKSUM = 0x1C;

// The complement and the checksum, little-endian, as the header holds them
// when right: the checksum is the 16-bit sum of the bytes past the copier
// header, its own four counted as FF FF 00 00 (which a right pair sums to as
// well). A size that is not a power of two is seen as the largest power of
// two below it, then the rest seen the same way and repeated up to that
// power of two (3 MiB as 2 MiB, then the last 1 MiB twice).
HeaderBytes snes_checksum(SnesMap map, const RomView& rom, const RomLayout& layout);

// The checksum of a map's header, value its snes_checksum.
constexpr ChecksumRule snes_checksum_rule(SnesMap map,
                                          HeaderBytes (*value)(const RomView&, const RomLayout&)) {
  return {.name = "checksum",
          .at = snes_header_at(map) + SNES_CHECKSUM,
          .size = 4,
          .past_copier_header = true,
          .value = value};
}

// A SNES header at 7FC0 (LoROM) or FFC0 (HiROM) past the copier header whose
// checksum and complement agree, or whose title is printable and map byte a
// known one; and its map byte names the map of its place.
bool snes_header_of(SnesMap map, const RomView& rom, const RomLayout& layout);

// With the map's header, every bank past the copier header (16-bit pointers
// anywhere may point into any of them); nothing without one, or with one bank.
std::optional<SwitchedBanks> snes_banks(SnesMap map, const RomView& rom, const RomLayout& layout);

} // namespace textdump
