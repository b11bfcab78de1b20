#include "core/base/warning_summary.hpp"

#include "core/base/numbers.hpp"

namespace textdump {

std::vector<std::string> summarise_warnings(std::span<const Report> warnings,
                                            const std::function<std::string(const Report&)>& words) {
  std::vector<ReportId> kinds;
  for (const Report& warning : warnings) kinds.push_back(warning.id);
  const Repeats repeats = repeats_of(std::span<const ReportId>(kinds));
  std::vector<std::string> lines;
  for (std::size_t w = 0; w < warnings.size(); ++w)
    if (repeats.shown[w]) lines.push_back(words(warnings[w]));
  for (const Repeats::More& more : repeats.more)
    lines.push_back(words({ReportId::script_more_like_this, Severity::warning, 0, 0,
                           {with_commas(more.count), words(warnings[more.last])}}));
  return lines;
}

} // namespace textdump
