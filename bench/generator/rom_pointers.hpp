// Pointer values of the generated ROMs: the address maps both ways (a value to
// a file offset as the project defines them, and a file offset to a value),
// pointer bytes in either byte order, and runs of pointers to string starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "generator/rom_generator.hpp"

namespace textdump::testing {

// Where things lie in one generated file.
struct RomGeometry {
  AddressMap map = AddressMap::linear;
  std::size_t file_size = 0;
  std::size_t data_begin = 0; // first byte after a copier header, or the iNES header and trainer
  std::size_t data_end = 0;   // end of the ROM data; for nes the end of the PRG data
  std::size_t h = 0;          // file_size & 0x7FF for lorom and hirom, else 0
  std::size_t bank_size = 0;  // a text block stays inside one bank of this size
};

RomGeometry make_geometry(const RomOptions& options, bool nes_trainer, std::size_t chr_bytes);

struct PointerFormat {
  unsigned size = 2;
  ByteOrder order = ByteOrder::le;
  unsigned stride = 2;
  std::int64_t base = 0;             // linear
  std::optional<std::uint32_t> bank; // 16-bit pointers; the bank of "at" when empty
  bool alternate_banks = false;      // 24-bit lorom: banks $80+; 24-bit hirom: banks $40-$7D
};

// The bank that a 16-bit pointer table at file offset at reads by default.
std::uint32_t default_bank(const RomGeometry& g, std::size_t at);
// The bank of a file offset in the units of default_bank (for linear, 64 KiB).
std::uint32_t bank_of(const RomGeometry& g, std::size_t offset);

// The file offset a value leads to for a table at "at", or nothing when the value
// is no valid address or lies outside the file.
std::optional<std::size_t> decode_value(const RomGeometry& g, const PointerFormat& f,
                                        std::size_t at, std::uint64_t value);
// A value that decode_value turns back into offset, or nothing when the format
// cannot reach it (another bank for 16-bit pointers, a value too wide for linear).
std::optional<std::uint64_t> encode_offset(const RomGeometry& g, const PointerFormat& f,
                                           std::size_t at, std::size_t offset);

std::uint64_t read_pointer(const std::vector<std::uint8_t>& rom, std::size_t pos, unsigned size,
                           ByteOrder order);
void write_pointer(std::vector<std::uint8_t>& rom, std::size_t pos, std::uint64_t value,
                   unsigned size, ByteOrder order);

// Consecutive pointers from at, stride apart, that lead to string starts
// (is_start holds one flag per file byte); the bank of "at" serves every pointer.
std::size_t run_length(const std::vector<std::uint8_t>& rom, const RomGeometry& g,
                       const PointerFormat& f, std::size_t at, const std::vector<bool>& is_start);

} // namespace textdump::testing
