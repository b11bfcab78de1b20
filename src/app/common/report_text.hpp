// The text of every report core returns, in one table: each ReportId has a
// stable name (for JSON, tests and people searching the manual) and the words
// it is printed with.
//
// A text holds its arguments as {N}, the Nth argument as given; {N:hexerror}
// writes the character of argument N the way a table's bad digit is shown in
// the dialogue ("HEX VALUE ERROR:41"). Ids that are reported together under
// one heading by the checker share a group ("" groups by the text itself).
#pragma once

#include <string>
#include <string_view>

#include "core/base/report.hpp"

namespace textdump {

struct ReportText {
  ReportId id;
  std::string_view name;  // stable, lower case with "-"; never reused
  std::string_view group; // the checker's repeats are counted by group
  std::string_view text;
};

const ReportText& report_row(ReportId id);

// The report's words, its arguments put in.
std::string report_text(const Report& report);

} // namespace textdump
