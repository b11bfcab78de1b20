#include "core/base/warning_summary.hpp"

#include "core/base/numbers.hpp"

namespace textdump {

std::vector<std::string> summarise_warnings(
    std::span<const Report> warnings, const std::function<std::string(const Report&)>& words,
    const std::function<std::string(std::size_t, const std::string&)>& more_words) {
  std::vector<ReportId> kinds;
  for (const Report& warning : warnings) kinds.push_back(warning.id);
  const Repeats repeats = repeats_of(std::span<const ReportId>(kinds));
  std::vector<std::string> lines;
  for (std::size_t w = 0; w < warnings.size(); ++w)
    if (repeats.shown[w]) lines.push_back(words(warnings[w]));
  for (const Repeats::More& more : repeats.more) {
    const std::string last = words(warnings[more.last]);
    lines.push_back(more_words ? more_words(more.count, last)
                               : "... and " + with_commas(more.count) +
                                     " more like this, the last: " + last);
  }
  return lines;
}

} // namespace textdump
