#include "core/base/warning_summary.hpp"

#include <unordered_map>

#include "core/base/numbers.hpp"

namespace textdump {

std::vector<WarningLine> warning_lines(std::span<const Report> warnings) {
  struct Seen {
    std::size_t count = 0, last = 0;
  };
  std::unordered_map<ReportId, Seen> seen;
  std::vector<ReportId> kinds; // in the order first seen
  std::vector<WarningLine> lines;
  for (std::size_t w = 0; w < warnings.size(); ++w) {
    auto [it, fresh] = seen.try_emplace(warnings[w].id);
    if (fresh) kinds.push_back(warnings[w].id);
    if (++it->second.count <= WARNINGS_SHOWN_PER_KIND) lines.push_back({&warnings[w], 0});
    it->second.last = w;
  }
  for (const ReportId kind : kinds) {
    const Seen& s = seen.at(kind);
    if (s.count > WARNINGS_SHOWN_PER_KIND)
      lines.push_back({&warnings[s.last], s.count - WARNINGS_SHOWN_PER_KIND});
  }
  return lines;
}

std::vector<std::string> summarise_warnings(std::span<const Report> warnings,
                                            const std::function<std::string(const Report&)>& words) {
  std::vector<std::string> lines;
  for (const WarningLine& line : warning_lines(warnings)) {
    if (line.more == 0) {
      lines.push_back(words(*line.warning));
      continue;
    }
    lines.push_back(words({ReportId::script_more_like_this, Severity::warning, 0, 0,
                           {with_commas(line.more), words(*line.warning)}}));
  }
  return lines;
}

} // namespace textdump
