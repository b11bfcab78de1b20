// The console driver: what the process's streams and arguments become.
//
//   textdump                             the dialogue on standard input/output
//   textdump ROM TABLE DUMP START END    the same run from arguments: no banner,
//                                        no prompts, no pause, messages on
//                                        standard error, DUMP "-" is standard output
//   textdump --check TABLE               the table checker
//   textdump --help | --version
#pragma once

#include <cstdio>

#include "hexutil/console.hpp"

namespace textdump {

// Prints "Press Enter to continue . . ." to out and waits for a line end on in.
void wait_for_enter(std::FILE* in, std::FILE* out);

// The pause: the command interpreter's PAUSE on Windows; elsewhere a wait for
// Enter when standard input is a terminal, and nothing when it is not.
void console_pause(bool terminal_input);

// Messages to stream; the pause as above, or none.
Console stream_console(std::FILE* stream, bool with_pause, bool terminal_input);

int console_main(int argc, char** argv);

} // namespace textdump
