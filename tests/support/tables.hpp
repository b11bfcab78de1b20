// A code table in the standard format made from table text, as the tests that
// decode, search or insert through one build it: every table of the text laid
// over one standard-format code table.
#pragma once

#include <string_view>

#include "core/tables/tables.hpp"

namespace textdump::testing {

inline CodeTable standard_table(std::string_view text) {
  CodeTable table(TableFormat::standard);
  table.lay_over(parse_standard_table(text).definitions());
  return table;
}

} // namespace textdump::testing
