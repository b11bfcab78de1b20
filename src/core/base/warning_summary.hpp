// Reports as a run shows them: after five of one kind the rest are counted on
// one line, so that a table of a million bad pointers gives a page, not a
// million lines.
//
//   repeats_of          which items to show, given each item's kind: every
//                       item up to the fifth of its kind, then, for each kind
//                       with more, in the order the kinds first came, how many
//                       more and the first and last of them
//   summarise_warnings  the lines of a script's warnings, two being of one
//                       kind when they have one report id: the warnings
//                       shown, then for each kind with more the report
//                       script_more_like_this (the count, the last one's words)
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/base/report.hpp"

namespace textdump {

inline constexpr std::size_t WARNINGS_SHOWN_PER_KIND = 5;

struct Repeats {
  struct More {
    std::size_t count = 0, first = 0, last = 0; // how many, and the items' indices
  };
  std::vector<bool> shown; // by item
  std::vector<More> more;  // the kinds with more, in the order they first came
};

template <typename Kind>
Repeats repeats_of(std::span<const Kind> kinds) {
  Repeats repeats;
  std::map<Kind, std::size_t> seen;    // items of each kind so far
  std::map<Kind, std::size_t> more_at; // a kind's entry in more
  std::vector<Kind> order;             // the kinds in the order first seen
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    const std::size_t count = ++seen[kinds[i]];
    if (count == 1) order.push_back(kinds[i]);
    repeats.shown.push_back(count <= WARNINGS_SHOWN_PER_KIND);
    if (count <= WARNINGS_SHOWN_PER_KIND) continue;
    auto [at, fresh] = more_at.try_emplace(kinds[i], 0);
    if (fresh) {
      at->second = repeats.more.size();
      repeats.more.push_back({0, i, i});
    }
    Repeats::More& more = repeats.more[at->second];
    ++more.count;
    more.last = i;
  }
  // In the order the kinds first came, not the order their sixth did.
  std::vector<Repeats::More> ordered;
  for (const Kind& kind : order)
    if (const auto at = more_at.find(kind); at != more_at.end())
      ordered.push_back(repeats.more[at->second]);
  repeats.more = std::move(ordered);
  return repeats;
}

// words turns a report into its text (app/common/report_text.hpp).
std::vector<std::string> summarise_warnings(std::span<const Report> warnings,
                                            const std::function<std::string(const Report&)>& words);

} // namespace textdump
