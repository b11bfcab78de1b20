#include <vector>

#include "app/cli/console_main.hpp"
#include "io/arguments.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> arguments = textdump::program_arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return textdump::console_main(static_cast<int>(arguments.size()), pointers.data());
}
