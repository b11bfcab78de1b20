// The console: one message sink and one pause, chosen by how the tool runs.
//
// Dialogue runs print to standard output and pause for a key; command-line
// runs print to standard error and never pause; tests collect the messages.
// What is printed comes from the catalogue (app/common/messages.hpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>

#include "app/common/messages.hpp"

namespace textdump {

struct Console {
  std::function<void(std::string_view)> print; // one message, written as given
  std::function<void()> pause;                 // wait for the user, or do nothing
  int fd = 2; // the descriptor the messages reach, for reports that cannot wait
};

// Text already made from the catalogue, as it is.
inline void write(const Console& console, std::string_view text) {
  if (console.print) console.print(text);
}

// A message and its line end.
inline void say(const Console& console, const Message& message) {
  write(console, message_line(message));
}

inline void pause(const Console& console) {
  if (console.pause) console.pause();
}

// A search's progress on standard error, over the line before: "Searching
// WHAT" (or the message given), WHAT cut to longest characters and padded to
// width; clear_progress blanks width characters of it again.
void show_progress(std::string_view what, std::size_t width, std::size_t longest = SIZE_MAX,
                   MessageId message = MessageId::progress_searching);
void clear_progress(std::size_t width);

// Messages to stream; with_pause, the pause: the command interpreter's PAUSE
// on Windows; elsewhere "Press Enter to continue . . ." and a wait for a line
// end when standard input is a terminal, and nothing when it is not.
Console stream_console(std::FILE* stream, bool with_pause, bool terminal_input);

} // namespace textdump
