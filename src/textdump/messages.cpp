#include "textdump/messages.hpp"

#include <cstring>

namespace textdump {

namespace {

std::string shown(std::string_view name) {
  return std::string(name.substr(0, name.find('\0')));
}

} // namespace

int exit_status(Failure failure) {
  switch (failure) {
  case Failure::none: return 0;
  case Failure::usage: return 2;
  default: return 1;
  }
}

std::string message_rom_open(std::string_view romfile) {
  return "Can't open the ROM file \"" + shown(romfile) + "\".\n";
}

std::string message_table_open(std::string_view tablefile) {
  return "Can't open the table file \"" + shown(tablefile) + "\".\n";
}

std::string message_dump_create(std::string_view dumpfile, int error) {
  return "Can't create the dump file \"" + shown(dumpfile) + "\": " + std::strerror(error) + ".\n";
}

std::string message_dump_is_input(std::string_view dumpfile, std::string_view which) {
  return "Won't write the dump file \"" + shown(dumpfile) + "\": it is the " + std::string(which) +
         ".\n";
}

std::string message_dump_write(std::string_view dumpfile, int error) {
  return "Can't write the dump file \"" + shown(dumpfile) + "\": " + std::strerror(error) + ".\n";
}

std::string message_input_ended() {
  return "Input ended before all five answers were given.\n";
}

} // namespace textdump
