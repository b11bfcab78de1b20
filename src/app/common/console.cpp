#include "app/common/console.hpp"

#include <cstdlib>

#include "app/common/messages.hpp"

namespace textdump {

void wait_for_enter(std::FILE* in, std::FILE* out) {
  std::fwrite(PRESS_ENTER.data(), 1, PRESS_ENTER.size(), out);
  std::fflush(out);
  int c = std::getc(in);
  while (c != EOF && c != '\n') c = std::getc(in);
}

void console_pause(bool terminal_input) {
  std::fflush(stdout);
  if (!terminal_input) return; // answers from a file or a pipe: nobody to wait for
#ifdef _WIN32
  (void)std::system("PAUSE");
#else
  wait_for_enter(stdin, stdout);
#endif
}

Console stream_console(std::FILE* stream, bool with_pause, bool terminal_input) {
  Console console;
  console.print = [stream](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
  };
  if (with_pause) console.pause = [terminal_input] { console_pause(terminal_input); };
  console.fd = stream == stdout ? 1 : 2;
  return console;
}

} // namespace textdump
