// The engine's only way to the user: one message sink and one pause.
//
// The console driver supplies both. Dialogue runs print to standard output and
// pause for a key; command-line runs print to standard error and never pause;
// tests collect the messages in a string. Nothing in the engine touches a
// terminal on its own.
#pragma once

#include <functional>
#include <string_view>

namespace textdump {

struct Console {
  std::function<void(std::string_view)> print; // one message, written as given
  std::function<void()> pause;                 // wait for the user, or do nothing
};

inline void say(const Console& console, std::string_view text) {
  if (console.print) console.print(text);
}

inline void pause(const Console& console) {
  if (console.pause) console.pause();
}

} // namespace textdump
