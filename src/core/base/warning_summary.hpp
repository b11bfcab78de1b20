// Warnings as a run shows them: after five of one kind the rest are counted on
// one line, so that a table of a million bad pointers gives a page, not a
// million lines. Two warnings are of one kind when they have one report id.
//
//   summarise_warnings  the lines to show: every warning up to the fifth of
//                       its kind, in order, then for each kind with more, in
//                       the order the kinds first came, "... and N more like
//                       this, the last: WARNING"
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/base/report.hpp"

namespace textdump {

inline constexpr std::size_t WARNINGS_SHOWN_PER_KIND = 5;

// words turns a report into its text (app/common/report_text.hpp).
std::vector<std::string> summarise_warnings(std::span<const Report> warnings,
                                            const std::function<std::string(const Report&)>& words);

} // namespace textdump
