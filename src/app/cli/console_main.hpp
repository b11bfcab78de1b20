// The program's entry: the process's words read as a command line
// (app/cli/command_line.hpp), then the command run or the usage error
// printed; out of memory anywhere is one line and status 1. The exit status.
#pragma once

namespace textdump {

int console_main(int argc, char** argv);

} // namespace textdump
