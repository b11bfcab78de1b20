// The process's arguments as UTF-8, whatever the system hands them over in.
//
// Linux passes its bytes through. Windows gives main() its arguments in the
// ANSI code page, which cannot spell every file name: there they are read
// again from the wide (UTF-16) command line and converted, and the io layer
// opens files by their wide names.
#pragma once

#include <string>
#include <vector>

namespace textdump {

std::vector<std::string> program_arguments(int argc, char** argv);

} // namespace textdump
