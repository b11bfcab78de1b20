// Table switching between a numbered family of table files.
//
// The family's names differ in the table digit: the character just before the
// first '.' of the file-name part (kana0.tbl, kana1.tbl, ...). Table number n
// gives the character 0x30 + n modulo 256, so 10 gives ':' and 0xD0 a NUL that
// ends the name there. A load lays the new member's entries over the code table;
// texts stay with the table that defined them.
#include "table/read_file.hpp"
#include "table/table_loader.hpp"
#include "textdump/dump_engine.hpp"
#include "textdump/messages.hpp"

namespace textdump {

namespace {

bool fail_with(DumpState& state, const std::string& message) {
  say(state.console, message);
  pause(state.console);
  return false;
}

// Opens and loads the member now named by tablefile, whose digit is already set.
bool load_member(DumpState& state, bool digit_set) {
  if (!digit_set || !file_opens(state.tablefile))
    return fail_with(state, message_table_open(printable(state.tablefile)));
  if (same_file(file_id_of(state.tablefile), state.out.id))
    return fail_with(state, message_dump_is_input(state.out.name, "a table file"));
  return load_font_table(state.table, state.tablefile, state.console) == 0;
}

// The code table and the table in force changed: so did their renderings.
void refresh_pieces(DumpState& state) {
  build_pieces(state.table, state.active_table, state.pieces);
}

} // namespace

bool set_table_digit(std::string& tablefile, char digit) {
  const std::size_t slash = tablefile.find_last_of("/\\");
  const std::size_t part = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = tablefile.find('.', part);
  if (dot == std::string::npos || dot == part) return false;
  tablefile[dot - 1] = digit;
  // A digit that is a folder separator or ends the name would name another file.
  return digit != '/' && digit != '\\' && digit != '\0';
}

bool switch_table(DumpState& state, std::uint8_t code) {
  const std::uint8_t number = state.table.code_params[code].p1;
  const bool digit_set = set_table_digit(state.tablefile, static_cast<char>(0x30 + number));
  state.active_table = number;
  if (!load_member(state, digit_set)) return false;
  refresh_pieces(state);
  return true;
}

bool restore_table(DumpState& state) {
  const bool digit_set = set_table_digit(state.tablefile, '0');
  if (!load_member(state, digit_set)) return false;
  state.active_table = 0;
  refresh_pieces(state);
  return true;
}

} // namespace textdump
