#include "textdump/run.hpp"

#include <unistd.h>

#include "hexutil/hexutil.hpp"
#include "table/read_file.hpp"
#include "table/table_loader.hpp"
#include "textdump/dump_engine.hpp"
#include "textdump/rom_image.hpp"

namespace textdump {

namespace {

Failure fail(const Console& console, Failure failure, const std::string& message) {
  say(console, message);
  pause(console);
  return failure;
}

// The dump file's last flush and close; a failure there is the run's failure.
Failure finish_dump(DumpOutput& out, Failure failure, const Console& console) {
  if (!dump_close(out)) {
    const Failure write =
        fail(console, Failure::dump_write, message_dump_write(out.name, out.error));
    return failure == Failure::none ? write : failure;
  }
  return failure;
}

bool is_space(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

namespace {

// The first line, and the count, of lines whose key has four or more digits:
// a standard table read in this format.
struct LongKeys {
  std::size_t count = 0;
  std::size_t first_line = 0;
  std::string first_content;

  void see(const TableLine& line) {
    const std::size_t from = line.kind == LineKind::text ? 0 : 1;
    if (line.kind == LineKind::directive) return;
    std::size_t digits = 0;
    while (from + digits < line.content.size() && is_hex_digit(line.content[from + digits]))
      ++digits;
    if (digits < 4 || from + digits >= line.content.size() || line.content[from + digits] != '=')
      return;
    if (count++ == 0) {
      first_line = line.number;
      first_content = line.content;
    }
  }
};

// Refuses a dump file that is a member of the loaded table's family: a switch
// would load it as a table after it was emptied.
bool dump_is_family_member(const DumpOutput& out, const CodeTable& table,
                           const std::string& tablefile) {
  for (std::size_t code = 0; code < TABLE_CODES; ++code) {
    const bool switches = table.code_value[code] == CODE_TABLE_SWITCH;
    for (const std::uint8_t number : {std::uint8_t{0}, table.code_params[code].p1}) {
      std::string member = tablefile;
      if (switches && set_table_digit(member, static_cast<char>(0x30 + number)) &&
          same_file(file_id_of(member), out.id))
        return true;
    }
  }
  return false;
}

} // namespace

Failure run_dump(RunRequest& request, CodeTable& table, const Console& console) {
  RomImage rom;
  set_rom_changed_report(request.dash_is_stdout ? STDERR_FILENO : STDOUT_FILENO,
                         message_rom_changed(request.romfile));
  switch (rom.open(request.romfile)) {
  case RomOpen::ok: break;
  case RomOpen::cannot_open:
    return fail(console, Failure::rom_open, message_rom_open(request.romfile));
  case RomOpen::too_large:
    return fail(console, Failure::rom_too_large, message_rom_too_large(request.romfile));
  case RomOpen::changed:
    return fail(console, Failure::rom_changed, message_rom_changed(request.romfile));
  }

  DumpOutput out;
  const bool to_stdout = request.dash_is_stdout && request.dumpfile == "-";
  const DumpOpen opened =
      to_stdout
          ? use_dump_descriptor(out, STDOUT_FILENO, request.dumpfile, rom.id(), request.tablefile)
          : open_dump_file(out, request.dumpfile, rom.id(), request.tablefile);
  switch (opened) {
  case DumpOpen::ok: break;
  case DumpOpen::cannot_create:
    return fail(console, Failure::dump_create, message_dump_create(request.dumpfile, out.error));
  case DumpOpen::is_rom:
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "the ROM file"));
  case DumpOpen::is_table:
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "the table file"));
  }

  if (!file_opens(request.tablefile))
    return finish_dump(
        out, fail(console, Failure::table_open, message_table_open(request.tablefile)), console);
  LongKeys long_keys;
  const TableLineObserver observe = [&long_keys](const TableLine& line) { long_keys.see(line); };
  if (load_font_table(table, request.tablefile, console,
                      request.warnings ? observe : TableLineObserver{}) != 0)
    return finish_dump(out, Failure::table_read, console);
  if (dump_is_family_member(out, table, request.tablefile)) {
    discard_dump(out);
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "a table file"));
  }
  if (!truncate_dump(out))
    return finish_dump(
        out, fail(console, Failure::dump_create, message_dump_create(request.dumpfile, out.error)),
        console);

  if (request.warnings) {
    if (long_keys.count > 0)
      say(console, warning_long_keys(request.tablefile, long_keys.count, long_keys.first_line,
                                     long_keys.first_content));
    if (has_snes_without_end(table)) say(console, warning_no_end_for_snes());
    if (request.start_offset <= request.end_offset && request.end_offset >= rom.view().size)
      say(console, warning_end_past_rom(request.end_offset, rom.view().size));
  }

  DumpState state{table, rom.view(), out, console, request.tablefile};
  state.rom_pos = request.start_offset;
  state.end_offset = request.end_offset;
  const DumpEnd end = run_dump_loop(state);
  return finish_dump(out, end == DumpEnd::table_failed ? Failure::table_switch : Failure::none,
                     console);
}

bool read_word(std::FILE* in, std::string& word) {
  word.clear();
  int c = std::getc(in);
  while (c != EOF && is_space(c)) c = std::getc(in);
  while (c != EOF && !is_space(c)) {
    word.push_back(static_cast<char>(c));
    c = std::getc(in);
  }
  if (c != EOF) std::ungetc(c, in);
  return !word.empty();
}

Failure run_dialogue(std::FILE* in, bool terminal_input, const Console& console) {
  CodeTable table;
  init_code_table(table);
  say(console, BANNER);

  RunRequest request;
  std::string* const names[] = {&request.romfile, &request.tablefile, &request.dumpfile};
  static constexpr const char* prompts[] = {
      "ROM FILE NAME :", "TABLE FILE NAME :", "DUMP TO FILE :", "START OFFSET :", "END OFFSET :"};
  std::string word;
  for (int i = 0; i < 5; ++i) {
    say(console, prompts[i]);
    std::fflush(stdout);
    if (!read_word(in, word))
      return fail(console, Failure::input_ended, "\n" + message_input_ended());
    // Each offset is converted as soon as it is typed, so its reports follow its prompt.
    if (i < 3)
      *names[i] = word;
    else
      (i == 3 ? request.start_offset : request.end_offset) = hex_to_int(word, console);
  }
  if (terminal_input) {
    // The rest of the answer line belongs to no prompt; the pause must not take it.
    int c = std::getc(in);
    while (c != EOF && c != '\n') c = std::getc(in);
  }

  const Failure failure = run_dump(request, table, console);
  if (failure != Failure::none) return failure;
  say(console, END_PROGRAM);
  pause(console);
  return Failure::none;
}

} // namespace textdump
