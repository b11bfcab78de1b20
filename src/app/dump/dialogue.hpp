// The console dialogue: banner, five prompts, the run, "END PROGRAM.\n" and the
// pause. Standard output is flushed before every read, so prompts show.
#pragma once

#include <cstdio>
#include <string>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"

namespace textdump {

// Reads one whitespace-delimited word of any length. False at end of input.
bool read_word(std::FILE* in, std::string& word);

Failure run_dialogue(std::FILE* in, bool terminal_input, const Console& console);

} // namespace textdump
