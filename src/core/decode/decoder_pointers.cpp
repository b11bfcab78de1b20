// Pointer and fixed-length entries: strings reached through a control byte.
//
// FIXED: record number N = control byte + 0x100 b0 + 0x10000 b1 + 0x1000000 b2
//        (the control byte is N's low byte); the record starts at
//        base + length * N, where the base is the control byte's own while N
//        is below 0x100 and 0xFFFB (the base of a code no table defines) above;
//        at most `length` codes of the record are decoded.
// SNES:  the first two argument bytes each replace the pointer index, a third
//        adds 0x1000000 times itself; the pointer entry sits at
//        E = base + size * index + header size; its 16- or 24-bit little-endian
//        address is translated through the LoROM or HiROM map.
// All arithmetic wraps modulo 2^32, as the table entries define it.
#include "core/maps/maps.hpp"
#include "core/decode/decoder.hpp"

namespace textdump {

namespace {

// The base of a record number that no table file can define.
constexpr std::uint32_t UNDEFINED_BASE = 0xFFFB;

// The weight of argument byte i above the control byte: 256^(i + 1) in 32 bits.
std::uint32_t argument_weight(std::uint32_t i) {
  return i >= 3 ? 0 : std::uint32_t{1} << (8 * (i + 1));
}

} // namespace

std::uint8_t Decoder::next_argument() {
  ++position_;
  return rom_byte(rom_, position_);
}

void Decoder::follow_fixed(const Entry& entry, std::uint8_t control) {
  std::uint32_t record = control;
  for (std::uint32_t i = 0; i < entry.arguments; ++i)
    record += next_argument() * argument_weight(i);
  const std::uint32_t base = record < 0x100 ? entry.base : UNDEFINED_BASE;
  copy_target(base + entry.length * record, entry.length);
}

void Decoder::follow_snes(const Entry& entry) {
  std::uint32_t index = 0;
  for (std::uint32_t i = 0; i < entry.arguments; ++i) {
    const std::uint8_t b = next_argument();
    index = i < 2 ? b : index + b * argument_weight(i);
  }
  const std::uint32_t at = entry.base + entry.pointer_size * index + header_size_;
  std::uint32_t address = rom_byte(rom_, at);
  address += static_cast<std::uint32_t>(rom_byte(rom_, std::uint32_t{at + 1})) << 8;
  if (entry.pointer_size == 3)
    address += static_cast<std::uint32_t>(rom_byte(rom_, std::uint32_t{at + 2})) << 16;
  copy_target(snes_file_offset(address, at, entry.map, entry.pointer_size, header_size_),
              std::nullopt);
}

void Decoder::copy_target(std::uint64_t target, std::optional<std::uint32_t> record_length) {
  std::uint32_t remaining = record_length.value_or(0);
  for (std::uint64_t t = target;; ++t) {
    // A string without an END byte stops at the end of the ROM file.
    if (!record_length && t >= rom_.size) return;
    const std::uint8_t byte = rom_byte(rom_, t);
    const EntryKind kind = kinds_[byte];
    if (kind == EntryKind::end) return; // no "[END]", no restore
    if (record_length && remaining-- == 0) return;
    // Pointer and TABLE bytes inside a string write nothing and do nothing.
    if (writes_only(kind)) write_rendering(byte);
    if (out_.failed()) return;
  }
}

} // namespace textdump
