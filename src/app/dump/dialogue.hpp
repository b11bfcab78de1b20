// The console dialogue: banner, five prompts, the run, "END PROGRAM.\n" and the
// pause. Standard output is flushed before every read, so prompts show.
#pragma once

#include <cstdio>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"

namespace textdump {

Failure run_dialogue(std::FILE* in, bool terminal_input, const Console& console);

// The dialogue on the standard streams, its pause when standard input is a
// terminal; the exit status.
struct DialogueRequest {};
int run_command(const DialogueRequest&);

} // namespace textdump
