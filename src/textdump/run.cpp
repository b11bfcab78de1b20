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

Failure run_dump(RunRequest& request, CodeTable& table, const Console& console) {
  RomImage rom;
  if (!rom.open(request.romfile))
    return fail(console, Failure::rom_open, message_rom_open(request.romfile));

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
                message_dump_is_input(request.dumpfile, "ROM file"));
  case DumpOpen::is_table:
    return fail(console, Failure::dump_is_input,
                message_dump_is_input(request.dumpfile, "table file"));
  }

  if (!file_opens(request.tablefile))
    return finish_dump(
        out, fail(console, Failure::table_open, message_table_open(request.tablefile)), console);
  if (load_font_table(table, request.tablefile, console) != 0)
    return finish_dump(out, Failure::table_read, console);

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
