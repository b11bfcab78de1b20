// The dump engine: decodes a ROM range through the code table into the dump.
//
//   run_dump_loop   every offset from rom_pos to end_offset inclusive
//   follow_pointer  FIXED records and SNES pointer tables    (pointers.cpp)
//   switch_table    TABLE bytes: load another family member   (table_switch.cpp)
//   restore_table   the next END byte brings table 0 back     (table_switch.cpp)
//
// The engine does no console I/O of its own: messages go to the console's sink
// and pauses to its pause function.
#pragma once

#include <cstdint>
#include <string>

#include "hexutil/console.hpp"
#include "table/code_table.hpp"
#include "textdump/dump_output.hpp"
#include "textdump/pieces.hpp"
#include "textdump/rom_image.hpp"

namespace textdump {

struct DumpState {
  CodeTable& table;
  RomView rom;
  DumpOutput& out;
  const Console& console;
  std::string& tablefile;        // rewritten in place by table switching
  std::uint32_t rom_pos = 0;     // offset of the byte being decoded
  std::uint32_t end_offset = 0;  // last offset to decode, inclusive
  std::uint32_t header_size = 0; // copier header length, for SNES pointers
  std::uint8_t active_table = 0; // table switched to last; 0 when none is in force
  bool wrapped = false;          // rom_pos went past 0xFFFFFFFF: the loop ends
  Pieces pieces{};               // short renderings of the code table in force
};

enum class DumpEnd {
  complete,     // rom_pos passed end_offset
  table_failed, // a switch or restore could not reopen or reload; message given
  write_failed, // the dump file could not be written; out.error tells why
};

DumpEnd run_dump_loop(DumpState& state);

// Writes what a byte of a simple kind writes: its text, (XX), CR LF, "[WAIT]"
// CR LF, or "[END]" CR LF while no restore is due. False, writing nothing, for
// the kinds that act (END with another table in force, pointer, TABLE, unassigned).
inline bool dump_simple(DumpState& state, std::uint8_t code, std::uint32_t value) {
  const Piece& piece = state.pieces[code];
  if (piece.size != NOT_PLAIN) {
    dump_piece(state.out, piece);
  } else if (value == CODE_UNDEFINED) {
    dump_undefined(state.out, code);
  } else if (value <= CODE_TEXT_MAX) {
    dump_write(state.out, state.table.code_text[code]);
  } else if (value == CODE_LINE_BREAK) {
    dump_write(state.out, LINE_BREAK_BYTES);
  } else if (value == CODE_WAIT) {
    dump_write(state.out, WAIT_BYTES);
  } else if (value == CODE_END && state.active_table == 0) {
    dump_write(state.out, END_BYTES);
  } else {
    return false;
  }
  return true;
}

// For a byte whose code_value is CODE_POINTER, with rom_pos on it. Consumes the
// argument bytes (rom_pos ends on the last one) and writes the string they select.
void follow_pointer(DumpState& state, std::uint8_t control);
void follow_fixed(DumpState& state, std::uint8_t control);
void follow_snes(DumpState& state, std::uint8_t control);

// The ROM file offset of the SNES address p read from the pointer entry at e.
std::uint32_t snes_file_offset(std::uint32_t p, std::uint32_t e, std::uint8_t memory_map,
                               std::uint8_t pointer_size, std::uint32_t header_size);

enum class CopyLimit { record, none };

// Decodes the string at target: at most limit codes for a record, else up to an
// END byte or the end of the ROM file.
void copy_target(DumpState& state, std::uint32_t target, CopyLimit kind, std::uint32_t limit);

// For a TABLE byte: loads the family member of the entry's table number.
// False when the run must end (message and pause given).
bool switch_table(DumpState& state, std::uint8_t code);

// Loads member 0 again before an END byte while another member is in force.
// False when the run must end (message and pause given).
bool restore_table(DumpState& state);

// Stores digit just before the first '.' of the file-name part of the name
// (after the last '/' or '\'). False, leaving the name alone, when that part has
// no '.' or begins with one; false too, after storing it, for a digit that is
// '/', '\' or NUL, which would name another file.
bool set_table_digit(std::string& tablefile, char digit);

} // namespace textdump
