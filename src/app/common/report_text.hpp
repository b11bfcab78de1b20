// The catalogue: the words of every report core returns (ReportId,
// core/base/report.hpp) and of every message the program prints itself
// (MessageId, app/common/messages.hpp), one row an id: its stable name (for
// JSON, tests and people searching the manual; unique across both), its
// group and its words. Core's rows are in report_text.cpp and, from
// FIRST_MODE_REPORT on, report_text_modes.cpp; the program's in
// message_text.cpp; each in id order; all are filled in one way.
//
// A text holds its arguments as {N}, the Nth argument as given; {N|one|many}
// is the word one when argument N is "1", else many; {N:hexerror} writes the
// character of argument N the way a table's bad digit is shown in the dialogue
// ("HEX VALUE ERROR:41"). Ids that are reported together under one heading by
// the checker share a group ("" groups by the text itself).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include <cstdint>

#include "core/base/base.hpp"

namespace textdump {

enum class MessageId : std::uint16_t; // app/common/messages.hpp

template <typename Id>
struct CatalogueRow {
  Id id;
  std::string_view name;  // stable, lower case with "-"; never reused
  std::string_view group; // the checker's repeats are counted by group
  std::string_view text;
};
using ReportText = CatalogueRow<ReportId>;
using MessageText = CatalogueRow<MessageId>;

// True when each row stands at its id's place, the first row at id first: the
// tables check it as they compile.
template <typename Row, std::size_t N>
constexpr bool rows_in_order(const std::array<Row, N>& rows, std::size_t first = 0) {
  for (std::size_t i = 0; i < N; ++i)
    if (static_cast<std::size_t>(rows[i].id) != first + i) return false;
  return true;
}

// The first of core's reports whose row is report_text_modes.cpp's: those on
// the command line's arguments and on the files of the modes beside the script's.
inline constexpr ReportId FIRST_MODE_REPORT = ReportId::pointer_field_form;

// report_text_modes.cpp's rows, from FIRST_MODE_REPORT to the last id.
std::span<const ReportText> mode_report_rows();

const ReportText& report_row(ReportId id);
const MessageText& message_row(MessageId id);

// A row's text with the arguments put in.
std::string filled(std::string_view text, std::span<const std::string> args);

// The report's words, its arguments put in.
std::string report_text(const Report& report);

} // namespace textdump
