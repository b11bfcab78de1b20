#include "core/tables/table_family.hpp"

namespace textdump {

bool set_table_digit(std::string& tablefile, char digit) {
  const std::size_t slash = tablefile.find_last_of("/\\");
  const std::size_t part = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = tablefile.find('.', part);
  if (dot == std::string::npos || dot == part) return false;
  tablefile[dot - 1] = digit;
  return digit != '/' && digit != '\\' && digit != '\0';
}

} // namespace textdump
