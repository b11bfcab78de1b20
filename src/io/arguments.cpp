#include "io/arguments.hpp"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "io/system_files.hpp"
#endif

namespace textdump {

std::vector<std::string> program_arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(system_files::utf8_name(wide[i]));
    LocalFree(wide);
    return arguments;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

} // namespace textdump
