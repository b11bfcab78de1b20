// The console: one message sink and one pause, chosen by how the tool runs.
//
// Dialogue runs print to standard output and pause for a key; command-line
// runs print to standard error and never pause; tests collect the messages.
#pragma once

#include <cstdio>
#include <functional>
#include <string_view>

namespace textdump {

struct Console {
  std::function<void(std::string_view)> print; // one message, written as given
  std::function<void()> pause;                 // wait for the user, or do nothing
  int fd = 2; // the descriptor the messages reach, for reports that cannot wait
};

inline void say(const Console& console, std::string_view text) {
  if (console.print) console.print(text);
}

inline void pause(const Console& console) {
  if (console.pause) console.pause();
}

// Prints "Press Enter to continue . . ." to out and waits for a line end on in.
void wait_for_enter(std::FILE* in, std::FILE* out);

// The pause: the command interpreter's PAUSE on Windows; elsewhere a wait for
// Enter when standard input is a terminal, and nothing when it is not.
void console_pause(bool terminal_input);

// Messages to stream; the pause as above, or none.
Console stream_console(std::FILE* stream, bool with_pause, bool terminal_input);

} // namespace textdump
