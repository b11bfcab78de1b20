// Pointer and fixed-length entries: strings reached through a control byte.
//
// FIXED: record number N = control byte + 0x100 b0 + 0x10000 b1 + 0x1000000 b2
//        (the control byte is N's low byte); target = code_base[N] + length * N;
//        at most `length` codes of the record are decoded.
// SNES:  pointer index from the argument bytes; the pointer entry sits at
//        E = code_base[control] + size * index + header_size; its 16- or 24-bit
//        little-endian address is translated through the LoROM or HiROM map.
// All arithmetic wraps modulo 2^32.
#include <cstdio>

#include "hexutil/hexutil.hpp"
#include "textdump/dump_engine.hpp"

namespace textdump {

namespace {

// Steps rom_pos onto the next argument byte and reads it. Argument bytes are
// consumed even past end_offset; past 0xFFFFFFFF the position wraps and the
// dump loop ends after this control byte.
std::uint8_t next_argument(DumpState& state) {
  ++state.rom_pos;
  if (state.rom_pos == 0) state.wrapped = true;
  return rom_byte(state.rom, state.rom_pos);
}

std::uint32_t argument_weight(std::uint32_t i) {
  // power(256, i) is 256^(i + 1); from i = 3 on it is 0 modulo 2^32.
  return i >= 3 ? 0 : static_cast<std::uint32_t>(power(256, static_cast<std::int32_t>(i)));
}

} // namespace

void follow_pointer(DumpState& state, std::uint8_t control) {
  const std::uint8_t format = state.table.code_params[control].format;
  if (format == FORMAT_FIXED) {
    follow_fixed(state, control);
  } else if (format == FORMAT_SNES) {
    follow_snes(state, control);
  } else {
    char message[48];
    std::snprintf(message, sizeof message, "Format %x is undefined.\n", format);
    say(state.console, message);
  }
}

void follow_fixed(DumpState& state, std::uint8_t control) {
  const CodeParams& params = state.table.code_params[control];
  const std::uint32_t record_length = params.p1;
  const std::uint32_t arguments = params.p2;
  std::uint32_t record = control;
  for (std::uint32_t i = 0; i < arguments; ++i) record += next_argument(state) * argument_weight(i);
  // Records past the code table take the base of an entry no table fills.
  const std::uint32_t base =
      record < CODE_COUNT ? state.table.code_base[record] : CODE_BASE_INITIAL;
  copy_target(state, base + record_length * record, CopyLimit::record, record_length);
}

void follow_snes(DumpState& state, std::uint8_t control) {
  const CodeParams& params = state.table.code_params[control];
  const std::uint8_t memory_map = params.p1;
  const std::uint8_t pointer_size = params.p2;
  const std::uint32_t arguments = params.p3;
  // The first two argument bytes each replace the index; later ones add.
  std::uint32_t index = 0;
  for (std::uint32_t i = 0; i < arguments; ++i) {
    const std::uint8_t b = next_argument(state);
    index = i < 2 ? b : index + b * argument_weight(i);
  }
  const std::uint32_t entry =
      state.table.code_base[control] + pointer_size * index + state.header_size;
  std::uint32_t address = rom_byte(state.rom, entry);
  address += static_cast<std::uint32_t>(rom_byte(state.rom, entry + 1)) << 8;
  if (pointer_size == 3)
    address += static_cast<std::uint32_t>(rom_byte(state.rom, entry + 2)) << 16;
  const std::uint32_t target =
      snes_file_offset(address, entry, memory_map, pointer_size, state.header_size);
  copy_target(state, target, CopyLimit::none, 0);
}

std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, std::uint8_t memory_map,
                               std::uint8_t pointer_size, std::uint32_t header_size) {
  if (pointer_size == 3) {
    if (memory_map == MAP_LOROM) {
      // 32 KB banks: the bank byte without bit 7 counts 0x8000-byte pieces.
      const std::uint32_t bank = (p >> 16) & 0xFF;
      return (p & 0x7FFF) + (bank & 0x7F) * 0x8000 + header_size;
    }
    return (p & 0xFF7FFFFF) + header_size; // HiROM: the address with bit 23 cleared
  }
  // 16-bit pointers point into the bank of the file that holds the entry.
  if (memory_map == MAP_LOROM) return (p & 0x7FFF) + (e & 0xFF7F8000) + header_size;
  return (p & 0xFFFF) + (e & 0xFF7F0000) + header_size;
}

void copy_target(DumpState& state, std::uint32_t target, CopyLimit kind, std::uint32_t limit) {
  const std::uint32_t* const code_value = state.table.code_value.data();
  DumpOutput& out = state.out;
  std::uint32_t t = target;
  std::uint32_t remaining = limit;
  for (;;) {
    // A string without an END byte stops at the end of the ROM file.
    if (kind == CopyLimit::none && t >= state.rom.size) return;
    const std::uint8_t code = rom_byte(state.rom, t);
    const std::uint32_t value = code_value[code];
    if (value == CODE_END) return; // no "[END]", no restore
    if (kind == CopyLimit::record && remaining-- == 0) return;
    // Inside a string, kinds write what the dump loop writes for them; pointer,
    // table-switch and unassigned bytes write nothing and do nothing.
    dump_simple(state, code, value);
    ++t;
    if (t == 0 && kind == CopyLimit::none) return; // 4 GiB of string without an END
    if (out.error != 0) return;
  }
}

} // namespace textdump
