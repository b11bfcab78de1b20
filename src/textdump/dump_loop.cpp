#include <algorithm>

#include "textdump/dump_engine.hpp"

namespace textdump {

namespace {

// Writes the plain bytes from rom_pos on, up to the first byte that is not
// plain, the end of the ROM file or end_offset. No branch depends on the byte's
// kind: every piece is copied whole (16 bytes) and the buffer advances by its size.
// False when the dump file could not be written.
bool dump_plain_run(DumpState& state) {
  const Pieces& pieces = state.pieces;
  if (state.rom_pos >= state.rom.size) return true;
  const std::uint64_t stop =
      std::min<std::uint64_t>(std::uint64_t{state.end_offset} + 1, state.rom.size);
  const unsigned char* p = state.rom.data + state.rom_pos;
  const unsigned char* const end = state.rom.data + stop;
  DumpOutput& out = state.out;
  char* const buffer = out.buffer.get();
  std::size_t used = out.used;
  std::size_t counted = used; // out_pos already covers the buffer up to here
  while (p < end) {
    const Piece& piece = pieces[*p];
    if (piece.size == NOT_PLAIN) break;
    if (DUMP_BUFFER_SIZE - used < sizeof(Piece)) {
      out.out_pos += used - counted;
      out.used = used;
      if (!dump_flush(out)) return false;
      used = counted = 0;
    }
    std::memcpy(buffer + used, &piece, sizeof(Piece));
    used += piece.size;
    ++p;
  }
  out.out_pos += used - counted;
  out.used = used;
  const std::uint64_t reached = static_cast<std::uint64_t>(p - state.rom.data);
  if (reached > 0xFFFFFFFFu) {
    // The byte at 0xFFFFFFFF was the last one a 32-bit position can hold.
    state.rom_pos = 0xFFFFFFFFu;
    state.wrapped = true;
  } else {
    state.rom_pos = static_cast<std::uint32_t>(reached);
  }
  return true;
}

} // namespace

DumpEnd run_dump_loop(DumpState& state) {
  state.header_size = header_size_of(state.rom);
  const std::uint32_t* const code_value = state.table.code_value.data();
  DumpOutput& out = state.out;
  build_pieces(state.table, state.active_table, state.pieces);

  while (state.rom_pos <= state.end_offset) {
    if (!dump_plain_run(state)) return DumpEnd::write_failed;
    if (state.wrapped || state.rom_pos > state.end_offset) break;
    const std::uint8_t code = rom_byte(state.rom, state.rom_pos);
    const std::uint32_t value = code_value[code];
    // Texts, (XX) and markers write and are done; the other kinds act.
    if (dump_simple(state, code, value)) {
    } else if (value == CODE_END) {
      // Another table is in force: table 0 comes back before the marker.
      if (!restore_table(state)) return DumpEnd::table_failed;
      dump_write(out, END_BYTES);
    } else if (value == CODE_POINTER) {
      follow_pointer(state, code);
    } else if (value == CODE_TABLE_SWITCH) {
      if (!switch_table(state, code)) return DumpEnd::table_failed;
    } else {
      pause(state.console); // an unassigned value: nothing is written
    }
    if (out.error != 0) return DumpEnd::write_failed;
    // The last offset a 32-bit position can hold ends the loop, as does a
    // position that argument bytes carried past it.
    if (state.wrapped || state.rom_pos == 0xFFFFFFFFu) break;
    ++state.rom_pos;
  }
  return DumpEnd::complete;
}

} // namespace textdump
