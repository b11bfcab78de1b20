// Address maps: how a pointer read from the ROM becomes a ROM file offset.
//
//   snes_file_offset  the SNES entries of a table: LoROM or HiROM, 16- or 24-bit
//
// All arithmetic is 32-bit and wraps, as the table entries define it.
#pragma once

#include <cstdint>

namespace textdump {

enum class SnesMap : std::uint8_t { lorom, hirom };

// The file offset of the SNES address p read from the pointer entry at file
// offset e. 24-bit LoROM: bank & 0x7F counts 32 KiB pieces; 24-bit HiROM: the
// address with bit 23 cleared; 16-bit pointers stay in the 32 KiB (LoROM) or
// 64 KiB (HiROM) piece of the file that holds the entry. The copier header is
// added once more at the end.
std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, SnesMap map,
                               std::uint8_t pointer_size, std::uint32_t header_size);

} // namespace textdump
