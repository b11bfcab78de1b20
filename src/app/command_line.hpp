// The command line: what the process's arguments and streams become.
//
//   textdump                             the dialogue on standard input/output
//   textdump ROM TABLE DUMP START END    the same run from arguments: no banner,
//                                        no prompts, no pause, messages on
//                                        standard error, DUMP "-" is standard output
//   textdump --check TABLE               the table checker
//   textdump --help | --version
// Options come before the names; "--" ends them.
#pragma once

namespace textdump {

int console_main(int argc, char** argv);

} // namespace textdump
