#include "core/warning_summary.hpp"

#include <string_view>
#include <unordered_map>

#include "core/numbers.hpp"

namespace textdump {

namespace {

// The warning with every number as "_".
std::string kind_of(std::string_view warning) {
  std::string kind;
  for (std::size_t i = 0; i < warning.size();) {
    const char c = warning[i];
    std::size_t end = i;
    if (c == '$') {
      kind += c;
      end = ++i;
      if (end < warning.size() && warning[end] == '-') ++end;
      while (end < warning.size() && is_hex_digit(warning[end])) ++end;
    } else {
      while (end < warning.size() && warning[end] >= '0' && warning[end] <= '9') ++end;
    }
    if (end > i) {
      kind += '_';
      i = end;
    } else if (c != '$') {
      kind += c;
      ++i;
    }
  }
  return kind;
}

} // namespace

std::vector<std::string> summarise_warnings(const std::vector<std::string>& warnings) {
  struct Seen {
    std::size_t count = 0, last = 0;
  };
  std::unordered_map<std::string, Seen> seen;
  std::vector<std::string> kinds; // in the order first seen
  std::vector<std::string> lines;
  for (std::size_t w = 0; w < warnings.size(); ++w) {
    std::string kind = kind_of(warnings[w]);
    auto [it, fresh] = seen.try_emplace(kind);
    if (fresh) kinds.push_back(std::move(kind));
    if (++it->second.count <= WARNINGS_SHOWN_PER_KIND) lines.push_back(warnings[w]);
    it->second.last = w;
  }
  for (const std::string& kind : kinds) {
    const Seen& s = seen.at(kind);
    if (s.count > WARNINGS_SHOWN_PER_KIND)
      lines.push_back("... and " + with_commas(s.count - WARNINGS_SHOWN_PER_KIND) +
                      " more like this, the last: " + warnings[s.last]);
  }
  return lines;
}

} // namespace textdump
