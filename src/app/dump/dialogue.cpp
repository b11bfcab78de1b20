#include "app/dump/dialogue.hpp"

#include <vector>

#include "app/dump/run.hpp"
#include "core/base/numbers.hpp"

namespace textdump {

namespace {

bool is_space(int c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

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
  say(console, BANNER);
  RunRequest request;
  std::string* const names[] = {&request.romfile, &request.tablefile, &request.dumpfile};
  std::uint32_t* const offsets[] = {&request.start_offset, &request.end_offset};
  std::string word;
  for (std::size_t i = 0; i < std::size(PROMPTS); ++i) {
    say(console, PROMPTS[i]);
    std::fflush(stdout);
    if (!read_word(in, word)) {
      say(console, "\n" + message_input_ended());
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
    for (const char c : bad) say(console, hex_error_text(c));
  }
  if (terminal_input) {
    // The rest of the answer line belongs to no prompt; the pause must not take it.
    int c = std::getc(in);
    while (c != EOF && c != '\n') c = std::getc(in);
  }

  const Failure failure = run_dump(request, console);
  if (failure != Failure::none) return failure;
  say(console, END_PROGRAM);
  pause(console);
  return Failure::none;
}

} // namespace textdump
