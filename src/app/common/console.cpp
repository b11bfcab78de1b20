#include "app/common/console.hpp"

#include <cstdlib>
#include <string>

namespace textdump {

namespace {

#ifndef _WIN32
// "Press Enter to continue . . ." on out, and a wait for a line end on in.
void wait_for_enter(std::FILE* in, std::FILE* out) {
  const std::string text = message_text({MessageId::press_enter});
  std::fwrite(text.data(), 1, text.size(), out);
  std::fflush(out);
  int c = std::getc(in);
  while (c != EOF && c != '\n') c = std::getc(in);
}
#endif

void console_pause(bool terminal_input) {
  std::fflush(stdout);
  if (!terminal_input) return; // answers from a file or a pipe: nobody to wait for
#ifdef _WIN32
  (void)std::system("PAUSE");
#else
  wait_for_enter(stdin, stdout);
#endif
}

} // namespace

void show_progress(std::string_view what, std::size_t width, std::size_t longest,
                   MessageId message) {
  std::string padded(what.substr(0, longest));
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  const std::string line = "\r" + message_text({message, {padded}});
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void clear_progress(std::size_t width) {
  const std::string line = "\r" + std::string(width, ' ') + "\r";
  std::fwrite(line.data(), 1, line.size(), stderr);
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
