#include "app/dump/dialogue.hpp"

#include <vector>

#include "app/dump/run.hpp"
#include "io/streams.hpp"
#include "core/base/base.hpp"

namespace textdump {

namespace {

bool is_space(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads one whitespace-delimited word of any length. False at end of input.
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

} // namespace

Failure run_dialogue(std::FILE* in, bool terminal_input, const Console& console) {
  write(console, text_of(MessageId::banner));
  RunRequest request;
  std::string* const names[] = {&request.romfile, &request.tablefile, &request.dumpfile};
  std::uint32_t* const offsets[] = {&request.start_offset, &request.end_offset};
  std::string word;
  constexpr MessageId PROMPTS[] = {MessageId::prompt_rom, MessageId::prompt_table,
                                   MessageId::prompt_dump, MessageId::prompt_start,
                                   MessageId::prompt_end};
  for (std::size_t i = 0; i < std::size(PROMPTS); ++i) {
    write(console, text_of(PROMPTS[i]));
    std::fflush(stdout);
    if (!read_word(in, word)) {
      write(console, "\n" + message_line({MessageId::input_ended}));
      pause(console);
      return Failure::input_ended;
    }
    if (i < 3) {
      *names[i] = word;
      continue;
    }
    // Each offset is converted as soon as it is typed, so its reports follow its prompt.
    std::vector<char> bad;
    *offsets[i - 3] = hex_to_int(word, &bad);
    for (const char c : bad) write(console, hex_error_text(c));
  }
  if (terminal_input) {
    // The rest of the answer line belongs to no prompt; the pause must not take it.
    int c = std::getc(in);
    while (c != EOF && c != '\n') c = std::getc(in);
  }

  const Failure failure = run_dump(request, console);
  if (failure != Failure::none) return failure;
  say(console, {MessageId::end_program});
  pause(console);
  return Failure::none;
}

int run_command(const DialogueRequest&) {
  const bool terminal = is_terminal(STANDARD_INPUT);
  const Failure failure = run_dialogue(stdin, terminal, stream_console(stdout, true, terminal));
  std::fflush(stdout);
  return exit_status(failure);
}

} // namespace textdump
