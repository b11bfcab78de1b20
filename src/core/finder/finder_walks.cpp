#include <algorithm>

#include "core/finder/finder_pass.hpp"

namespace textdump::finder_pass {

namespace {

// An empty string among the strings of a run whose hits lead from low to high.
bool near(std::uint64_t t, std::uint32_t low, std::uint32_t high) {
  return t + FINDER_MAX_STRING >= low && t <= std::uint64_t{high} + FINDER_MAX_STRING;
}

} // namespace

Reach PassSearch::reach_from(std::size_t p, unsigned stride) {
  Reach reach{p, std::nullopt};
  unsigned gap = 0;
  bool first_in_gap = false;
  for (std::size_t q = p; q < to_; q += stride) {
    if (kinds_[q] == HIT) {
      reach.last = q;
      reach.after.reset();
      gap = 0;
      first_in_gap = false;
      continue;
    }
    std::uint32_t t = 0;
    const Soft kind = soft_at(q, t);
    if (kind == Soft::none || (kind == Soft::first && first_in_gap) || gap == MAX_GAP) break;
    if (gap++ == 0) reach.after.emplace(kind, t);
    first_in_gap = first_in_gap || kind == Soft::first;
  }
  return reach;
}

// After the run's last hit, a pointer to an empty string among its own.
bool PassSearch::empty_after(const Reach& reach, std::uint32_t low, std::uint32_t high) const {
  return reach.after && reach.after->first == Soft::empty && near(reach.after->second, low, high);
}

// Before the first hit p: pointers to the string just before its first
// one, and to empty strings among its own, nearest first; visit(kind, t)
// for each. Returns where the run then begins.
template <typename Visit>
std::size_t PassSearch::lead_in(std::size_t p, unsigned stride, std::uint32_t low,
                                std::uint32_t high, Visit visit) {
  std::uint32_t front = target_[p];
  for (unsigned lead = 0; lead < MAX_LEADING && p >= stride; ++lead) {
    std::uint32_t t = 0;
    const Soft kind = soft_at(p - stride, t);
    if (kind == Soft::first ? starts_.end(t) != front : kind != Soft::empty || !near(t, low, high))
      break;
    visit(kind, t);
    front = t;
    p -= stride;
  }
  return p;
}

// Keeps in run_ the run at a stride from its first hit p, which ends as reach.
void PassSearch::read_run(std::size_t p, unsigned stride, const Reach& reach) {
  Run& run = run_;
  run.ptable = ptable_;
  run.ptable.stride = stride;
  run.hit_rate = rate_;
  run.hits_below = below_;
  run.targets.clear();
  run.null_entries = run.empty_strings = run.no_start = 0;
  std::uint32_t low = target_[p], high = target_[p];
  const auto take = [&](Soft kind, std::uint32_t t) {
    run.targets.push_back(t);
    run.empty_strings += kind == Soft::empty ? 1 : 0;
    ++run.no_start;
  };
  for (std::size_t q = p; q <= reach.last; q += stride) {
    if (kinds_[q] == HIT) {
      run.targets.push_back(target_[q]);
      low = std::min(low, target_[q]);
      high = std::max(high, target_[q]);
      continue;
    }
    std::uint32_t t = 0;
    const Soft kind = soft_at(q, t);
    if (kind == Soft::null) {
      ++run.null_entries;
    } else {
      take(kind, t);
    }
  }
  std::size_t last = reach.last;
  if (empty_after(reach, low, high)) {
    take(Soft::empty, reach.after->second);
    last += stride;
  }
  const std::size_t at = lead_in(p, stride, low, high, [&](Soft kind, std::uint32_t t) {
    run.targets.insert(run.targets.begin(), t);
    run.empty_strings += kind == Soft::empty ? 1 : 0;
    ++run.no_start;
  });
  run.ptable.at = static_cast<std::uint32_t>(at);
  run.ptable.count = static_cast<std::uint32_t>((last - at) / stride + 1);
}

// The hits at a stride where a run begins (no hit a stride before them)
// whose runs may be candidates: at least three distinct targets, enough
// entries that are no empty string, null entries at most a quarter of
// them, and the score asked for. One pass back over a walk tells it for
// every run that begins in it, so that only these are read in full.
bool PassSearch::begins_run(std::size_t q, unsigned stride) const {
  return kinds_[q] == HIT && (q < stride || !hit_[q - stride]);
}

// The run from q, whose tally from q to the walk's last hit is given, with
// what joins it after that hit and before q; seen_ holds the targets from q on.
bool PassSearch::worth_reading(std::size_t q, unsigned stride, const Reach& reach, Tally tally) {
  RunShape shape{tally.distinct, tally.no_start, rate_, tally.ascending,
                 tally.lowest,   tally.highest,  below_};
  std::size_t entries = tally.count;
  std::uint32_t empties = tally.empties;
  std::uint32_t extra[1 + MAX_LEADING];
  unsigned extras = 0;
  const auto add = [&](Soft kind, std::uint32_t v) {
    if (!seen_[v] && std::find(extra, extra + extras, v) == extra + extras) ++shape.distinct;
    extra[extras++] = v;
    ++entries;
    empties += kind == Soft::empty ? 1 : 0;
    ++shape.no_start;
    shape.lowest = std::min(shape.lowest, v);
    shape.highest = std::max(shape.highest, v);
  };
  if (empty_after(reach, tally.low, tally.high)) {
    add(Soft::empty, reach.after->second);
    shape.ascending = shape.ascending && target_[reach.last] < reach.after->second;
  }
  std::uint32_t front = target_[q];
  lead_in(q, stride, tally.low, tally.high, [&](Soft kind, std::uint32_t v) {
    add(kind, v);
    shape.ascending = shape.ascending && v < front;
    front = v;
  });
  return shape.distinct >= 3 && entries - empties >= options_.min_count &&
         tally.nulls * 3 <= entries &&
         score_of(shape, trials_, starts_.list()) >= options_.min_score;
}

// worth: the hits of the walk from from_hit, ending as reach, whose runs
// are read in full, in ascending order.
void PassSearch::mark_worth(std::size_t from_hit, unsigned stride, const Reach& reach,
                            std::vector<std::size_t>& worth) {
  worth.clear();
  const std::uint32_t* const target = target_.data();
  const std::uint8_t* const kinds = kinds_.data();
  Tally tally;
  tally.low = tally.high = tally.lowest = tally.highest = target[reach.last];
  for (std::size_t q = reach.last;; q -= stride) {
    std::uint32_t t = target[q];
    const bool hit = kinds[q] == HIT;
    const Soft kind = hit ? Soft::none : soft_at(q, t);
    if (kind == Soft::null) {
      ++tally.nulls;
    } else {
      const bool fresh = !seen_[t];
      if (fresh) seen_.set(t);
      tally.add(t, hit, kind, fresh);
      if (begins_run(q, stride) && worth_reading(q, stride, reach, tally)) worth.push_back(q);
    }
    if (q == from_hit) break;
  }
  for (std::size_t q = from_hit; q <= reach.last; q += stride)
    if (kinds_[q] != static_cast<std::uint8_t>(Soft::null)) seen_.reset(target_[q]);
  std::reverse(worth.begin(), worth.end());
}

} // namespace textdump::finder_pass
