#include "textdump/console_driver.hpp"

int main(int argc, char** argv) {
  return textdump::console_main(argc, argv);
}
