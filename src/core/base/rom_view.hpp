// A ROM as the decoder sees it: bytes in memory, read at 32-bit offsets.
//
// Every offset at or past the end of the ROM reads as the byte 0xFF (the
// end-of-file result cut to eight bits) and is decoded like any other byte.
// Positions are kept in 64 bits; only a read cuts them to 32.
//
//   read_pointer_value  a 2-, 3- or 4-byte value read whole from inside the ROM
//                       (pointer_value_at: the same where the caller knows it is)
//   JUDGED_STRING_MOST  the longest string that readers judging ROM text take
#pragma once

#include <cstdint>
#include <optional>

namespace textdump {

// The longest string that the readers judging ROM text (the pointer finder,
// the survey, a candidate's preview) follow to its end entry: 1 KiB.
inline constexpr std::uint32_t JUDGED_STRING_MOST = 1024;

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

enum class ByteOrder { le, be };

// The size-byte value at offset at, in the given byte order; every byte of
// it must lie inside the ROM.
inline std::uint32_t pointer_value_at(const RomView& rom, std::uint64_t at, unsigned size,
                                      ByteOrder order) {
  std::uint32_t value = 0;
  for (unsigned b = 0; b < size; ++b)
    value |= std::uint32_t{rom.data[at + b]} << (8 * (order == ByteOrder::le ? b : size - 1 - b));
  return value;
}

// The same, or nothing when a byte of it lies past the end of the ROM.
inline std::optional<std::uint32_t> read_pointer_value(const RomView& rom, std::uint64_t at,
                                                       unsigned size, ByteOrder order) {
  if (at > rom.size || rom.size - at < size) return std::nullopt;
  return pointer_value_at(rom, at, size, order);
}

} // namespace textdump
