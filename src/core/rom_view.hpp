// A ROM as the decoder sees it: bytes in memory, read at 32-bit offsets.
//
// Every offset at or past the end of the ROM reads as the byte 0xFF (the
// end-of-file result cut to eight bits) and is decoded like any other byte.
// Positions are kept in 64 bits; only a read cuts them to 32.
#pragma once

#include <cstdint>

namespace textdump {

struct RomView {
  const unsigned char* data = nullptr;
  std::uint64_t size = 0; // at most 2^32
};

inline std::uint8_t rom_byte(const RomView& rom, std::uint64_t position) {
  const auto offset = static_cast<std::uint32_t>(position);
  return offset < rom.size ? rom.data[offset] : std::uint8_t{0xFF};
}

// The length of a SNES copier header: the ROM size modulo 0x800.
inline std::uint32_t header_size_of(const RomView& rom) {
  return static_cast<std::uint32_t>(rom.size & 0x7FF);
}

} // namespace textdump
