#include "app/command_line.hpp"

int main(int argc, char** argv) {
  return textdump::console_main(argc, argv);
}
