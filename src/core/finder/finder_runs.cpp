#include "core/finder/finder_runs.hpp"

#include <algorithm>
#include <bit>

namespace textdump {

namespace {

constexpr unsigned MAX_GAP = 4;     // null or empty entries in a row inside a run
constexpr unsigned MAX_LEADING = 2; // entries before a run's first hit that join it

// A slot that is no hit but may stand inside a table: a null entry (0, or all
// ones of its size), a pointer to an empty string, or to the first string of
// a text block (which may follow bytes that read as text, so it is no start:
// its string ends where a start or an empty string begins).
enum class Soft : std::uint8_t { none, null, empty, first };
// A slot's kind: a Soft one, or a hit, or not read yet.
constexpr std::uint8_t HIT = 4, UNREAD = 5;

// Calls visit(p) for every p whose bit is set, in ascending order.
template <typename Visit> void each_bit(const OffsetBits& bits, Visit visit) {
  const std::vector<std::uint64_t>& words = bits.words();
  for (std::size_t w = 0; w < words.size(); ++w)
    for (std::uint64_t left = words[w]; left != 0; left &= left - 1)
      visit(w * 64 + static_cast<std::size_t>(std::countr_zero(left)));
}

} // namespace

std::vector<Pass> passes_of(const MapDescriptor& map, unsigned size, const FinderOptions& options,
                            const RomLayout& layout) {
  if (!map.takes_field("bank") || size != 2) return {{}};
  if (options.bank) return {{options.bank, 0}};
  std::vector<Pass> passes{{}};
  constexpr std::uint32_t NES_BANK = 0x4000;
  if (map.id == AddressMap::nes && layout.ines && layout.prg_size > 2 * NES_BANK)
    for (std::uint32_t bank = 0; bank + 1 < layout.prg_size / NES_BANK; ++bank)
      passes.push_back({bank, layout.prg_start + layout.prg_size - NES_BANK});
  return passes;
}

void search_pass(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, const PointerTable& ptable, std::size_t from,
                 std::uint64_t configs, PassScratch& scratch, std::vector<Candidate>& found) {
  const MapDescriptor& descriptor = map_of(ptable.map);
  const std::size_t n = static_cast<std::size_t>(rom.size);
  const unsigned size = ptable.size;
  const ByteOrder order = ptable.order;
  if (scratch.target.size() != n) {
    scratch.target.assign(n, 0);
    scratch.kind.assign(n, 0);
    scratch.hit = OffsetBits(n);
  } else {
    scratch.hit.clear();
  }
  std::vector<std::uint32_t>& target = scratch.target;
  OffsetBits& hit = scratch.hit;
  std::vector<std::uint8_t>& kinds = scratch.kind;
  std::uint64_t hits = 0;
  const std::size_t slots = n - size + 1;
  // The slots where a run may begin by chance, in every map, size and order searched.
  const std::uint64_t trials = std::uint64_t{n} * std::max<std::uint64_t>(configs, 1);
  const std::uint32_t all_ones = size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
  // What a slot that is no hit may be, and its target.
  const auto classify = [&](std::uint32_t value, std::optional<std::uint64_t> mapped,
                            std::uint32_t& t) {
    if (value == 0 || value == all_ones) return Soft::null;
    if (!mapped) return Soft::none;
    t = static_cast<std::uint32_t>(*mapped);
    if (starts.is_empty(t)) return Soft::empty;
    const std::uint64_t end = starts.end(t);
    if (end != 0 && end < n && (starts.is_start(end) || starts.is_empty(end))) return Soft::first;
    return Soft::none;
  };
  for (std::size_t p = from; p < slots; ++p) {
    const std::uint32_t value = pointer_value_at(rom, p, size, order);
    const std::optional<std::uint64_t> t = map_pointer(descriptor, ptable, layout, value, p);
    if (t && starts.is_start(*t)) {
      hit.set(p);
      target[p] = static_cast<std::uint32_t>(*t);
      kinds[p] = HIT;
      ++hits;
    } else {
      kinds[p] = UNREAD;
    }
  }
  const double rate =
      static_cast<double>(hits) / static_cast<double>(std::max<std::size_t>(slots - from, 1));
  const std::vector<std::uint32_t>& start_list = starts.list();
  std::vector<std::uint32_t>& below = scratch.hits_below;
  below.assign(start_list.size() + 1, 0);
  each_bit(hit, [&](std::size_t p) {
    ++below[static_cast<std::size_t>(
                std::lower_bound(start_list.begin(), start_list.end(), target[p]) -
                start_list.begin()) +
            1];
  });
  for (std::size_t i = 1; i < below.size(); ++i) below[i] += below[i - 1];
  // What a slot that is no hit may be is read when a run first reaches it
  // (most never are); those before the first slot searched are read each time.
  const auto soft_at = [&](std::size_t q, std::uint32_t& t) {
    if (q < from || kinds[q] == UNREAD) {
      const std::uint32_t value = pointer_value_at(rom, q, size, order);
      const Soft kind = classify(value, map_pointer(descriptor, ptable, layout, value, q), t);
      if (q < from) return kind;
      kinds[q] = static_cast<std::uint8_t>(kind);
      target[q] = t;
      return kind;
    }
    t = target[q];
    return static_cast<Soft>(kinds[q]);
  };

  Run& run = scratch.run;
  struct Found {
    unsigned stride = 0;
    std::size_t first = 0; // the run's first hit
    Candidate candidate;
  };
  std::vector<Found> found_here;
  // A walk at a stride from a hit takes soft slots between hits: up to
  // MAX_GAP in a row, one of them at most a string that is no start. Where
  // it stops depends only on the slots after its last hit, so the runs that
  // begin at the hits of one walk all end where it does: at its last hit,
  // with after the soft slot that follows it, if the walk took one.
  struct Reach {
    std::size_t last = 0;
    std::optional<std::pair<Soft, std::uint32_t>> after;
  };
  const auto reach_from = [&](std::size_t p, unsigned stride) {
    Reach reach{p, std::nullopt};
    unsigned gap = 0;
    bool first_in_gap = false;
    for (std::size_t q = p; q < slots; q += stride) {
      if (kinds[q] == HIT) {
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
  };
  // An empty string among the strings of a run whose hits lead from low to high.
  const auto near = [](std::uint64_t t, std::uint32_t low, std::uint32_t high) {
    return t + FINDER_MAX_STRING >= low && t <= std::uint64_t{high} + FINDER_MAX_STRING;
  };
  // After the run's last hit, a pointer to an empty string among its own.
  const auto empty_after = [&](const Reach& reach, std::uint32_t low, std::uint32_t high) {
    return reach.after && reach.after->first == Soft::empty && near(reach.after->second, low, high);
  };
  // Before the first hit p: pointers to the string just before its first
  // one, and to empty strings among its own, nearest first; visit(kind, t)
  // for each. Returns where the run then begins.
  const auto lead_in = [&](std::size_t p, unsigned stride, std::uint32_t low, std::uint32_t high,
                           auto visit) {
    std::uint32_t front = target[p];
    for (unsigned lead = 0; lead < MAX_LEADING && p >= stride; ++lead) {
      std::uint32_t t = 0;
      const Soft kind = soft_at(p - stride, t);
      if (kind == Soft::first ? starts.end(t) != front : kind != Soft::empty || !near(t, low, high))
        break;
      visit(kind, t);
      front = t;
      p -= stride;
    }
    return p;
  };
  // Keeps in run the run at a stride from its first hit p, which ends as reach.
  const auto read_run = [&](std::size_t p, unsigned stride, const Reach& reach) {
    run.ptable = ptable;
    run.ptable.stride = stride;
    run.hit_rate = rate;
    run.hits_below = below;
    run.targets.clear();
    run.null_entries = run.empty_strings = run.no_start = 0;
    std::uint32_t low = target[p], high = target[p];
    const auto take = [&](Soft kind, std::uint32_t t) {
      run.targets.push_back(t);
      run.empty_strings += kind == Soft::empty ? 1 : 0;
      ++run.no_start;
    };
    for (std::size_t q = p; q <= reach.last; q += stride) {
      if (kinds[q] == HIT) {
        run.targets.push_back(target[q]);
        low = std::min(low, target[q]);
        high = std::max(high, target[q]);
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
  };

  // The hits at a stride where a run begins (no hit a stride before them)
  // whose runs may be candidates: at least three distinct targets, enough
  // entries that are no empty string, null entries at most a quarter of
  // them, and the score asked for. One pass back over a walk tells it for
  // every run that begins in it, so that only these are read in full.
  OffsetBits& seen = scratch.seen;
  if (seen.words().size() != hit.words().size()) seen = OffsetBits(n);
  const auto begins_run = [&](std::size_t q, unsigned stride) {
    return kinds[q] == HIT && (q < stride || !hit[q - stride]);
  };
  // The run from q, whose shape, entries, empty strings and null entries
  // from q to the walk's last hit are given, and whose hits lead from low to
  // high; seen holds the targets from q on.
  const auto worth_reading = [&](std::size_t q, unsigned stride, const Reach& reach, RunShape shape,
                                 std::size_t entries, std::uint32_t empties, std::uint32_t nulls,
                                 std::uint32_t low, std::uint32_t high) {
    std::uint32_t extra[1 + MAX_LEADING];
    unsigned extras = 0;
    const auto add = [&](Soft kind, std::uint32_t v) {
      if (!seen[v] && std::find(extra, extra + extras, v) == extra + extras) ++shape.distinct;
      extra[extras++] = v;
      ++entries;
      empties += kind == Soft::empty ? 1 : 0;
      ++shape.no_start;
      shape.lowest = std::min(shape.lowest, v);
      shape.highest = std::max(shape.highest, v);
    };
    if (empty_after(reach, low, high)) {
      add(Soft::empty, reach.after->second);
      shape.ascending = shape.ascending && target[reach.last] < reach.after->second;
    }
    std::uint32_t front = target[q];
    lead_in(q, stride, low, high, [&](Soft kind, std::uint32_t v) {
      add(kind, v);
      shape.ascending = shape.ascending && v < front;
      front = v;
    });
    return shape.distinct >= 3 && entries - empties >= options.min_count && nulls * 3 <= entries &&
           score_of(shape, trials, starts.list()) >= options.min_score;
  };
  // worth: the hits of the walk from from_hit, ending as reach, whose runs
  // are read in full, in ascending order.
  const auto mark_worth = [&](std::size_t from_hit, unsigned stride, const Reach& reach,
                              std::vector<std::size_t>& worth) {
    worth.clear();
    // Of the run from q to the walk's last hit, as q goes back.
    std::size_t count = 0, distinct = 0;
    std::uint32_t nulls = 0, empties = 0, no_start = 0;
    std::uint32_t low = target[reach.last], high = low, lowest = low, highest = low;
    bool ascending = true;
    std::uint32_t next = 0; // the target after q's
    for (std::size_t q = reach.last;; q -= stride) {
      std::uint32_t t = target[q];
      const Soft kind = kinds[q] == HIT ? Soft::none : soft_at(q, t);
      if (kind == Soft::null) {
        ++nulls;
      } else {
        if (kinds[q] == HIT) {
          low = std::min(low, t);
          high = std::max(high, t);
        } else {
          empties += kind == Soft::empty ? 1 : 0;
          ++no_start;
        }
        ascending = ascending && (count == 0 || t < next);
        next = t;
        ++count;
        lowest = std::min(lowest, t);
        highest = std::max(highest, t);
        if (!seen[t]) {
          seen.set(t);
          ++distinct;
        }
        if (begins_run(q, stride) &&
            worth_reading(q, stride, reach,
                          {distinct, no_start, rate, ascending, lowest, highest, below}, count,
                          empties, nulls, low, high))
          worth.push_back(q);
      }
      if (q == from_hit) break;
    }
    for (std::size_t q = from_hit; q <= reach.last; q += stride)
      if (kinds[q] != static_cast<std::uint8_t>(Soft::null)) seen.reset(target[q]);
    std::reverse(worth.begin(), worth.end());
  };
  // A candidate at a stride whose slots at a finer stride, between its own,
  // mostly hold values that lead into its strings but to no start: its hits
  // are the few that a table of near misses (pointers a byte off) gives at
  // the wider stride by chance.
  const auto thinned = [&](const Candidate& c) {
    const PointerTable& t = c.ptable;
    const std::uint64_t last = std::uint64_t{t.at} + std::uint64_t{t.count - 1} * t.stride;
    for (unsigned fine = size; fine < t.stride; ++fine) {
      if (t.stride % fine != 0) continue;
      std::uint64_t others = 0, misses = 0;
      for (std::uint64_t q = t.at + fine; q < last; q += fine) {
        if ((q - t.at) % t.stride == 0) continue;
        ++others;
        const std::uint32_t value = pointer_value_at(rom, q, size, order);
        const std::optional<std::uint64_t> to =
            map_pointer(descriptor, ptable, layout, value, static_cast<std::size_t>(q));
        if (to && *to >= c.first_target && *to <= c.last_target && !starts.is_start(*to) &&
            !starts.is_empty(*to))
          ++misses;
      }
      if (misses * 2 > others) return true;
    }
    return false;
  };
  // Each hit at every stride it begins a run at, while the slots around it
  // are at hand; each walk, one for each stride and remainder of the slot,
  // is read back once. The candidates then go in the order of stride, then
  // first hit.
  struct Walk {
    std::optional<Reach> reach;
    std::vector<std::size_t> worth;
    std::size_t next = 0; // in worth
  };
  std::vector<std::vector<Walk>> walks(FINDER_MAX_STRIDE + 1);
  for (unsigned stride = size; stride <= FINDER_MAX_STRIDE; ++stride) walks[stride].resize(stride);
  each_bit(hit, [&](std::size_t p) {
    for (unsigned stride = size; stride <= FINDER_MAX_STRIDE; ++stride) {
      if (p >= stride && hit[p - stride]) continue;
      Walk& walk = walks[stride][p % stride];
      if (!walk.reach || walk.reach->last < p) {
        walk.reach = reach_from(p, stride);
        mark_worth(p, stride, *walk.reach, walk.worth);
        walk.next = 0;
      }
      if (walk.next == walk.worth.size() || walk.worth[walk.next] != p) continue;
      ++walk.next;
      read_run(p, stride, *walk.reach);
      if (std::optional<Candidate> candidate = judge_run(run, starts, trials, options.min_score);
          candidate && !thinned(*candidate))
        found_here.push_back({stride, p, std::move(*candidate)});
    }
  });
  std::sort(found_here.begin(), found_here.end(), [](const Found& a, const Found& b) {
    return a.stride != b.stride ? a.stride < b.stride : a.first < b.first;
  });
  for (Found& one : found_here) found.push_back(std::move(one.candidate));
}

} // namespace textdump
