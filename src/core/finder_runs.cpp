#include "core/finder_runs.hpp"

#include <algorithm>
#include <bit>

namespace textdump {

namespace {

constexpr unsigned MAX_STRIDE = 32; // strides from the pointer size to 32 bytes
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
                 PassScratch& scratch, std::vector<Candidate>& found) {
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
  std::vector<std::pair<Soft, std::uint32_t>> pending;
  struct Found {
    unsigned stride = 0;
    std::size_t first = 0; // the run's first hit
    Candidate candidate;
  };
  std::vector<Found> found_here;
  // Reads the run at a stride from its first hit p: counted only, or kept
  // in run. True when it is long enough to be judged and has three distinct
  // targets: most runs are not, and a run over a fill (every slot a hit on
  // one target) would hold a target for every slot.
  const auto read_run = [&](std::size_t p, unsigned stride, bool keep) {
    run.ptable = ptable;
    run.ptable.at = static_cast<std::uint32_t>(p);
    run.ptable.stride = stride;
    run.hit_rate = rate;
    run.targets.clear();
    run.null_entries = run.empty_strings = run.no_start = 0;
    std::size_t count = 0;           // of the targets
    std::uint32_t front = target[p]; // the first target
    std::optional<std::uint32_t> one, two;
    bool three = false; // one, two and another target
    const auto add = [&](std::uint32_t t, bool at_front) {
      ++count;
      if (!one || t == *one) {
        one = t;
      } else if (!two || t == *two) {
        two = t;
      } else {
        three = true;
      }
      if (at_front) front = t;
      if (!keep) return;
      if (at_front) {
        run.targets.insert(run.targets.begin(), t);
      } else {
        run.targets.push_back(t);
      }
    };
    // Soft slots between hits join the run; after its last hit only a
    // pointer to an empty string does.
    pending.clear();
    std::size_t last = p;
    std::uint32_t low = target[p], high = target[p];
    const auto take = [&](Soft kind, std::uint32_t t) {
      if (kind == Soft::null) {
        ++run.null_entries;
        return;
      }
      add(t, false);
      run.empty_strings += kind == Soft::empty ? 1 : 0;
      ++run.no_start;
    };
    for (std::size_t q = p; q < slots; q += stride) {
      if (kinds[q] == HIT) {
        for (const auto& [kind, t] : pending) take(kind, t);
        pending.clear();
        add(target[q], false);
        low = std::min(low, target[q]);
        high = std::max(high, target[q]);
        last = q;
        continue;
      }
      std::uint32_t t = 0;
      const Soft kind = soft_at(q, t);
      // Up to MAX_GAP in a row, one of them at most a string that is no start.
      const bool second =
          kind == Soft::first && std::any_of(pending.begin(), pending.end(),
                                             [](const auto& e) { return e.first == Soft::first; });
      if (kind == Soft::none || second || pending.size() == MAX_GAP) break;
      pending.emplace_back(kind, t);
    }
    // An empty string among the run's own strings.
    const auto near = [&](std::uint64_t t) {
      return t + FINDER_MAX_STRING >= low && t <= std::uint64_t{high} + FINDER_MAX_STRING;
    };
    if (!pending.empty() && pending.front().first == Soft::empty && near(pending.front().second)) {
      take(Soft::empty, pending.front().second);
      last += stride;
    }
    // Before the first hit: pointers to the string just before its first
    // one, and to empty strings among its own.
    for (unsigned lead = 0; lead < MAX_LEADING && run.ptable.at >= stride; ++lead) {
      std::uint32_t t = 0;
      const Soft kind = soft_at(run.ptable.at - stride, t);
      if (kind == Soft::first ? starts.end(t) != front : kind != Soft::empty || !near(t)) break;
      add(t, true);
      run.empty_strings += kind == Soft::empty ? 1 : 0;
      ++run.no_start;
      run.ptable.at -= stride;
    }
    run.ptable.count = static_cast<std::uint32_t>((last - run.ptable.at) / stride + 1);
    // Pointers to empty strings only lengthen a run; null entries are at
    // most a quarter of it.
    return three && count - run.empty_strings >= options.min_count && run.null_entries * 3 <= count;
  };
  // Each hit at every stride it begins a run at, while the slots around it
  // are at hand; the candidates then go in the order of stride, then first hit.
  each_bit(hit, [&](std::size_t p) {
    for (unsigned stride = size; stride <= MAX_STRIDE; ++stride) {
      if ((p >= stride && hit[p - stride]) || !read_run(p, stride, false)) continue;
      read_run(p, stride, true);
      if (std::optional<Candidate> candidate = judge_run(run, starts, n, options.min_score))
        found_here.push_back({stride, p, std::move(*candidate)});
    }
  });
  std::sort(found_here.begin(), found_here.end(), [](const Found& a, const Found& b) {
    return a.stride != b.stride ? a.stride < b.stride : a.first < b.first;
  });
  for (Found& one : found_here) found.push_back(std::move(one.candidate));
}

} // namespace textdump
