#include "core/base/warning_summary.hpp"

#include <unordered_map>

#include "core/base/numbers.hpp"

namespace textdump {

std::vector<std::string> summarise_warnings(std::span<const Report> warnings,
                                            const std::function<std::string(const Report&)>& words) {
  struct Seen {
    std::size_t count = 0, last = 0;
  };
  std::unordered_map<ReportId, Seen> seen;
  std::vector<ReportId> kinds; // in the order first seen
  std::vector<std::string> lines;
  for (std::size_t w = 0; w < warnings.size(); ++w) {
    auto [it, fresh] = seen.try_emplace(warnings[w].id);
    if (fresh) kinds.push_back(warnings[w].id);
    if (++it->second.count <= WARNINGS_SHOWN_PER_KIND) lines.push_back(words(warnings[w]));
    it->second.last = w;
  }
  for (const ReportId kind : kinds) {
    const Seen& s = seen.at(kind);
    if (s.count > WARNINGS_SHOWN_PER_KIND)
      lines.push_back("... and " + with_commas(s.count - WARNINGS_SHOWN_PER_KIND) +
                      " more like this, the last: " + words(warnings[s.last]));
  }
  return lines;
}

} // namespace textdump
