// The checkers' report lines: one line each, with where, what and the line's
// text shown printable; after five reports of one kind the rest are counted
// and summarised on one line at the end.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/messages.hpp"

namespace textdump {

struct Reporter {
  std::FILE* out;
  int problems = 0;

  struct Repeats {
    std::size_t shown = 0, more = 0, first = 0, last = 0;
  };
  static constexpr std::size_t SHOWN_PER_KIND = 5;
  std::map<std::string, Repeats> repeats{};
  std::vector<std::string> kinds{}; // in the order first seen

  // where: "line 12" or "line 12, column 3"; kind groups reports (what, when empty).
  void report(std::size_t line, const std::string& where, std::string_view content,
              const std::string& what, bool problem, const std::string& kind) {
    if (problem) ++problems;
    const std::string& key = kind.empty() ? what : kind;
    auto [it, fresh] = repeats.try_emplace(key);
    if (fresh) kinds.push_back(key);
    Repeats& seen = it->second;
    if (seen.shown == SHOWN_PER_KIND) {
      if (seen.more++ == 0) seen.first = line;
      seen.last = line;
      return;
    }
    ++seen.shown;
    std::fprintf(out, "%s: %s%s: %s\n", where.c_str(),
                 problem ? "" : "note: ", printable(what).c_str(), printable(content).c_str());
  }

  void print_repeats() const {
    for (const std::string& kind : kinds) {
      const Repeats& seen = repeats.at(kind);
      if (seen.more == 0) continue;
      std::fprintf(out, "... and %s more like this (lines %s-%s)\n", with_commas(seen.more).c_str(),
                   with_commas(seen.first).c_str(), with_commas(seen.last).c_str());
    }
  }
};

} // namespace textdump
