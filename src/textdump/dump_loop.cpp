#include "textdump/dump_engine.hpp"

namespace textdump {

DumpEnd run_dump_loop(DumpState& state) {
  state.header_size = header_size_of(state.rom);
  const std::uint32_t* const code_value = state.table.code_value.data();
  DumpOutput& out = state.out;

  while (state.rom_pos <= state.end_offset) {
    const std::uint8_t code = rom_byte(state.rom, state.rom_pos);
    const std::uint32_t value = code_value[code];
    if (value <= CODE_TEXT_MAX) {
      if (value == CODE_UNDEFINED)
        dump_undefined(out, code);
      else
        dump_text(out, state.table, code);
    } else if (value == CODE_LINE_BREAK) {
      dump_write(out, LINE_BREAK_BYTES);
    } else if (value == CODE_END) {
      if (state.active_table != 0 && !restore_table(state)) return DumpEnd::table_failed;
      dump_write(out, END_BYTES);
    } else if (value == CODE_WAIT) {
      dump_write(out, WAIT_BYTES);
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
