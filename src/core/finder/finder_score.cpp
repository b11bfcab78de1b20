#include "core/finder/finder_score.hpp"

#include <algorithm>
#include <cmath>

namespace textdump {

namespace {

// At least three distinct values, told without sorting them.
bool three_distinct(const std::vector<std::uint32_t>& values) {
  std::optional<std::uint32_t> first, second;
  for (const std::uint32_t v : values) {
    if (!first || v == *first) {
      first = v;
    } else if (!second || v == *second) {
      second = v;
    } else {
      return true;
    }
  }
  return false;
}

} // namespace

// Every slot of every stride tried may begin a run; each slot hits with the
// config's rate; k random hits come in ascending order once in k! and lie
// among the S starts of a span that holds s of them with a chance of about
// k (s/S)^(k-1): random bytes around a dense block of strings land in it.
// k counts the distinct string starts: the targets that are none add nothing.
double score_of(const RunShape& shape, std::uint64_t slots,
                const std::vector<std::uint32_t>& start_list) {
  const double k =
      static_cast<double>(shape.distinct - std::min<std::size_t>(shape.no_start, shape.distinct));
  const double rate = std::max(shape.hit_rate, 1e-9);
  double log_expected =
      std::log10(static_cast<double>(std::max<std::uint64_t>(slots, 1)) * (FINDER_MAX_STRIDE - 1)) +
      k * std::log10(rate);
  if (shape.ascending) log_expected -= std::lgamma(k + 1) / std::log(10.0);
  const auto from = std::lower_bound(start_list.begin(), start_list.end(), shape.lowest);
  const auto to = std::upper_bound(from, start_list.end(), shape.highest);
  const double within = static_cast<double>(std::max<std::ptrdiff_t>(to - from, 1));
  const double all = static_cast<double>(std::max<std::size_t>(start_list.size(), 1));
  // Where chance hits lead: spread as the starts, unless the other hits of
  // the pass crowd into the run's span (values that zero bytes, tiles or a
  // table read at the wrong stride give again and again).
  double share = within / all;
  if (shape.hits_below.size() == start_list.size() + 1) {
    const auto index = [&](auto it) { return static_cast<std::size_t>(it - start_list.begin()); };
    const double own = static_cast<double>(shape.distinct);
    const double in_span =
        static_cast<double>(shape.hits_below[index(to)] - shape.hits_below[index(from)]);
    const double total = static_cast<double>(shape.hits_below.back());
    if (total > own) share = std::max(share, std::max(in_span - own, 0.0) / (total - own));
  }
  if (share < 1 && k > 0)
    log_expected += std::min(0.0, std::log10(k) + (k - 1) * std::log10(share));
  return -log_expected;
}

namespace {

// Most of the run's slots lie inside strings that begin before it or at its
// first slot: text read as pointers, when text is scarce (under half the
// ROM's bytes; a table whose keys take nearly every byte finds it all
// around). Runs whose targets ascend are not judged so: text does not give
// them. A slot is judged by the run it belongs
// to: strings that begin among its pointers are pointer bytes that decode.
// Only the strings that begin within the longest string's length before the
// run can reach into it.
bool inside_text(const Run& run, const Starts& starts) {
  if (starts.inside() * 2 >= starts.size()) return false;
  const std::uint32_t at = run.ptable.at;
  const std::vector<std::uint32_t>& list = starts.list();
  const auto from = std::lower_bound(list.begin(), list.end(),
                                     at - std::min<std::uint32_t>(at, FINDER_MAX_STRING));
  std::uint64_t until = 0;
  for (auto it = from; it != list.end() && *it <= at; ++it)
    until = std::max(until, starts.end(*it));
  std::uint32_t inside = 0;
  for (std::uint32_t i = 0; i < run.ptable.count; ++i)
    inside += std::uint64_t{at} + std::uint64_t{i} * run.ptable.stride < until ? 1 : 0;
  return inside * 2 > run.ptable.count;
}

// The run's own slots lie outside the strings it points to: no string that
// begins before a slot's last byte ends after its first.
bool outside_its_text(const Run& run, const Starts& starts) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> strings;
  strings.reserve(run.targets.size());
  for (const std::uint32_t t : run.targets) strings.emplace_back(t, starts.end(t));
  std::sort(strings.begin(), strings.end());
  std::size_t begun = 0;   // the strings that begin before the slot's last byte
  std::uint64_t reach = 0; // the furthest end among them
  for (std::uint32_t i = 0; i < run.ptable.count; ++i) {
    const std::uint64_t slot = std::uint64_t{run.ptable.at} + std::uint64_t{i} * run.ptable.stride;
    for (; begun < strings.size() && strings[begun].first < slot + run.ptable.size; ++begun)
      reach = std::max(reach, strings[begun].second);
    if (reach > slot) return false;
  }
  return true;
}

} // namespace

std::optional<Candidate> judge_run(const Run& run, const Starts& starts, std::uint64_t slots,
                                   double min_score) {
  if (!three_distinct(run.targets)) return std::nullopt;
  std::vector<std::uint32_t> distinct = run.targets;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  RunShape shape;
  shape.distinct = distinct.size();
  shape.no_start = run.no_start;
  shape.hit_rate = run.hit_rate;
  shape.hits_below = run.hits_below;
  shape.ascending = std::is_sorted(run.targets.begin(), run.targets.end()) &&
                    std::adjacent_find(run.targets.begin(), run.targets.end()) == run.targets.end();
  shape.lowest = distinct.front();
  shape.highest = distinct.back();
  const double score = score_of(shape, slots, starts.list());
  if (score < min_score || !outside_its_text(run, starts) ||
      (!shape.ascending && inside_text(run, starts)))
    return std::nullopt;
  Candidate candidate;
  candidate.ptable = run.ptable;
  candidate.score = score;
  candidate.first_target = distinct.front();
  candidate.last_target = distinct.back();
  candidate.targets.assign(run.targets.begin(), run.targets.end());
  candidate.null_entries = run.null_entries;
  candidate.empty_strings = run.empty_strings;
  return candidate;
}

} // namespace textdump
