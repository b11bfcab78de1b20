// Warnings as a run shows them: after five of one kind the rest are counted on
// one line, so that a table of a million bad pointers gives a page, not a
// million lines. Two warnings are of one kind when they have one report id.
//
//   warning_lines       the lines to show: every warning up to the fifth of
//                       its kind, in order, then for each kind with more, in
//                       the order the kinds first came, how many more there
//                       were and the last of them
//   summarise_warnings  the same lines as text: a count's line is the report
//                       script_more_like_this (the count, the last one's words)
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/base/report.hpp"

namespace textdump {

inline constexpr std::size_t WARNINGS_SHOWN_PER_KIND = 5;

struct WarningLine {
  const Report* warning = nullptr; // the warning shown; for a count, the last of its kind
  std::size_t more = 0;            // 0 for a warning shown; else how many more of its kind
};

// The lines point into warnings.
std::vector<WarningLine> warning_lines(std::span<const Report> warnings);

// words turns a report into its text (app/common/report_text.hpp).
std::vector<std::string> summarise_warnings(std::span<const Report> warnings,
                                            const std::function<std::string(const Report&)>& words);

} // namespace textdump
