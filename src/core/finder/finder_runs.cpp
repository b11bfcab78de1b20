#include "core/finder/finder_runs.hpp"

#include <algorithm>
#include <bit>

namespace textdump {

namespace {

// Calls visit(p) for every p whose bit is set, in ascending order.
template <typename Visit> void each_bit(const OffsetBits& bits, Visit visit) {
  const std::vector<std::uint64_t>& words = bits.words();
  for (std::size_t w = 0; w < words.size(); ++w)
    for (std::uint64_t left = words[w]; left != 0; left &= left - 1)
      visit(w * 64 + static_cast<std::size_t>(std::countr_zero(left)));
}

// The value of a start of bank b under ptable's map, if it has one of 16 bits.
std::optional<std::uint32_t> value_into(const PointerTable& ptable, const RomLayout& layout,
                                        std::uint32_t b, std::uint64_t start) {
  PointerTable into = ptable;
  into.bank = b;
  const auto value = map_of(ptable.map).to_value(into, layout, {2, start}, start);
  if (!value || *value > 0xFFFF) return std::nullopt;
  return value;
}

// The starts inside a span.
std::pair<std::vector<std::uint32_t>::const_iterator, std::vector<std::uint32_t>::const_iterator>
starts_in(const Starts& starts, BankSpan span) {
  const std::vector<std::uint32_t>& list = starts.list();
  return {std::lower_bound(list.begin(), list.end(), span.from),
          std::lower_bound(list.begin(), list.end(), span.to)};
}

// Fill: a slot whose bytes, and FILL_REACH bytes on each side (as far as the
// ROM goes), are one byte repeated. Its value is the same as its neighbours'
// at every stride, so a run through it leads to one string again and again:
// no table, and no hit, or a ROM of fill would be walked whole at each stride.
constexpr std::size_t FILL_REACH = FINDER_MAX_STRIDE;

bool in_fill(const RomView& rom, std::size_t p, unsigned size) {
  const std::size_t from = p - std::min(p, FILL_REACH);
  const std::size_t to = std::min(static_cast<std::size_t>(rom.size), p + size + FILL_REACH);
  return std::all_of(rom.data + from, rom.data + to,
                     [byte = rom.data[p]](unsigned char b) { return b == byte; });
}

// The same for slots read in ascending order, in steps linear in the ROM:
// the run of one byte around the last slot asked for is kept.
class FillRuns {
public:
  explicit FillRuns(const RomView& rom) : rom_(rom) {}
  bool covers(std::size_t p, unsigned size) {
    const auto n = static_cast<std::size_t>(rom_.size);
    if (p < start_ || p >= end_) {
      start_ = p;
      while (start_ > 0 && rom_.data[start_ - 1] == rom_.data[p]) --start_;
      end_ = p + 1;
      while (end_ < n && rom_.data[end_] == rom_.data[p]) ++end_;
    }
    return start_ <= p - std::min(p, FILL_REACH) && end_ >= std::min(n, p + size + FILL_REACH);
  }

private:
  const RomView& rom_;
  std::size_t start_ = 0, end_ = 0;
};

} // namespace

std::vector<Pass> passes_of(const MapDescriptor& map, unsigned size, const FinderOptions& options,
                            const RomView& rom, const RomLayout& layout) {
  const std::size_t slots = static_cast<std::size_t>(rom.size) - size + 1;
  if (!map.takes_field("bank") || size != 2) return {{std::nullopt, 0, slots, std::nullopt}};
  if (options.bank) return {{options.bank, 0, slots, std::nullopt}};
  std::vector<Pass> passes{{std::nullopt, 0, slots, std::nullopt}};
  const auto banks = map.switched_banks(rom, layout);
  if (!banks) return passes;
  const auto slot = [&](std::uint64_t at) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(at, slots));
  };
  for (std::uint32_t b = banks->first; b < banks->first + banks->count; ++b) {
    const BankSpan into = banks->bank(b);
    const std::size_t from = slot(banks->tables.from), to = slot(banks->tables.to);
    // The slots of the bank itself read as they are by default.
    if (from < slot(into.from)) passes.push_back({b, from, std::min(to, slot(into.from)), into});
    if (slot(into.to) < to) passes.push_back({b, std::max(from, slot(into.to)), to, into});
  }
  return passes;
}

namespace finder_pass {

PassSearch::PassSearch(const RomView& rom, const Starts& starts, const RomLayout& layout,
                       const FinderOptions& options, const PointerTable& ptable, const Pass& pass,
                       std::uint64_t trials, PassScratch& scratch)
    : rom_(rom), starts_(starts), layout_(layout), options_(options), ptable_(ptable),
      descriptor_(map_of(ptable.map)), n_(static_cast<std::size_t>(rom.size)), from_(pass.from),
      to_(pass.to), into_(pass.into), index_(pass.index), size_(ptable.size), order_(ptable.order),
      trials_(std::max<std::uint64_t>(trials, 1)), all_ones_(all_ones_of(ptable.size)),
      target_(scratch.target), kinds_(scratch.kind), hit_(scratch.hit), seen_(scratch.seen),
      below_(scratch.hits_below), run_(scratch.run) {
  if (target_.size() != n_) {
    target_.assign(n_, 0);
    kinds_.assign(n_, UNREAD);
    hit_ = OffsetBits(n_);
  }
  if (seen_.words().size() != hit_.words().size()) seen_ = OffsetBits(n_);
}

} // namespace finder_pass

BankIndex index_banks(const RomView& rom, const Starts& starts, const RomLayout& layout,
                      const PointerTable& ptable, const SwitchedBanks& banks) {
  std::vector<bool> wanted(0x10000, false);
  for (std::uint32_t b = banks.first; b < banks.first + banks.count; ++b) {
    const auto [from, to] = starts_in(starts, banks.bank(b));
    for (auto it = from; it != to; ++it)
      if (const auto value = value_into(ptable, layout, b, *it)) wanted[*value] = true;
  }
  const std::uint64_t last = std::min<std::uint64_t>(banks.tables.to, rom.size - 1);
  const unsigned low = ptable.order == ByteOrder::le ? 0 : 1;
  const auto value_at = [&](std::uint64_t p) {
    return unsigned{rom.data[p + low]} | unsigned{rom.data[p + 1 - low]} << 8;
  };
  BankIndex index;
  index.begin.assign(0x10001, 0);
  for (std::uint64_t p = banks.tables.from; p < last; ++p)
    if (const unsigned v = value_at(p); wanted[v]) ++index.begin[v + 1];
  for (std::size_t v = 0; v < 0x10000; ++v) index.begin[v + 1] += index.begin[v];
  index.slots.resize(index.begin[0x10000]);
  std::vector<std::uint32_t> next(index.begin.begin(), index.begin.end() - 1);
  for (std::uint64_t p = banks.tables.from; p < last; ++p)
    if (const unsigned v = value_at(p); wanted[v])
      index.slots[next[v]++] = static_cast<std::uint32_t>(p);
  return index;
}

namespace finder_pass {

// A pass into another bank than the tables' own: the slots of each value
// that leads to a start of that bank, from the index.
std::uint64_t PassSearch::read_indexed_slots() {
  std::uint64_t hits = 0;
  const auto [first, end] = starts_in(starts_, *into_);
  for (auto it = first; it != end; ++it) {
    const auto value = value_into(ptable_, layout_, *ptable_.bank, *it);
    if (!value) continue;
    for (std::uint32_t k = index_->begin[*value]; k < index_->begin[*value + 1]; ++k) {
      const std::size_t p = index_->slots[k];
      if (p < from_ || p >= to_ || in_fill(rom_, p, size_)) continue;
      hit_.set(p);
      target_[p] = *it;
      kinds_[p] = HIT;
      ++hits;
    }
  }
  return hits;
}

// The slots whose values lead to string starts, with their targets, and the
// share of the slots searched that they are.
void PassSearch::read_slots() {
  std::uint64_t hits = 0;
  if (into_ && index_ != nullptr) {
    hits = read_indexed_slots();
  } else {
    FillRuns fill(rom_);
    for (std::size_t p = from_; p < to_; ++p) {
      const std::uint32_t value = pointer_value_at(rom_, p, size_, order_);
      const std::optional<std::uint64_t> t = map_pointer(descriptor_, ptable_, layout_, value, p);
      if (t && starts_.is_start(*t) && !fill.covers(p, size_)) {
        hit_.set(p);
        target_[p] = static_cast<std::uint32_t>(*t);
        kinds_[p] = HIT;
        ++hits;
      } else {
        kinds_[p] = UNREAD;
      }
    }
  }
  rate_ = static_cast<double>(hits) / static_cast<double>(std::max<std::size_t>(to_ - from_, 1));
}

// By string start, the hits that lead before it, and all of them last.
void PassSearch::count_hits_below() {
  const std::vector<std::uint32_t>& start_list = starts_.list();
  below_.assign(start_list.size() + 1, 0);
  each_bit(hit_, [&](std::size_t p) {
    ++below_[static_cast<std::size_t>(
                 std::lower_bound(start_list.begin(), start_list.end(), target_[p]) -
                 start_list.begin()) +
             1];
  });
  for (std::size_t i = 1; i < below_.size(); ++i) below_[i] += below_[i - 1];
}

// A candidate at a stride whose slots at a finer stride, between its own,
// mostly hold values that lead into its strings but to no start: its hits
// are the few that a table of near misses (pointers a byte off) gives at
// the wider stride by chance.
bool PassSearch::thinned(const Candidate& c) const {
  const PointerTable& t = c.ptable;
  const std::uint64_t last = std::uint64_t{t.at} + std::uint64_t{t.count - 1} * t.stride;
  for (unsigned fine = size_; fine < t.stride; ++fine) {
    if (t.stride % fine != 0) continue;
    std::uint64_t others = 0, misses = 0;
    for (std::uint64_t q = t.at + fine; q < last; q += fine) {
      if ((q - t.at) % t.stride == 0) continue;
      ++others;
      const std::uint32_t value = pointer_value_at(rom_, q, size_, order_);
      const std::optional<std::uint64_t> to =
          map_pointer(descriptor_, ptable_, layout_, value, static_cast<std::size_t>(q));
      if (to && *to >= c.first_target && *to <= c.last_target && !starts_.is_start(*to) &&
          !starts_.is_empty(*to))
        ++misses;
    }
    if (misses * 2 > others) return true;
  }
  return false;
}

// The hit p at every stride it begins a run at, while the slots around it
// are at hand; each walk is read back once, when its first hit is met.
void PassSearch::at_hit(std::size_t p, std::vector<std::vector<Walk>>& walks,
                        std::vector<Found>& found) {
  for (unsigned stride = size_; stride <= FINDER_MAX_STRIDE; ++stride) {
    if (p >= stride && hit_[p - stride]) continue;
    Walk& walk = walks[stride][p % stride];
    if (!walk.reach || walk.reach->last < p) {
      walk.reach = reach_from(p, stride);
      mark_worth(p, stride, *walk.reach, walk.worth);
      walk.next = 0;
    }
    if (walk.next == walk.worth.size() || walk.worth[walk.next] != p) continue;
    ++walk.next;
    read_run(p, stride, *walk.reach);
    if (std::optional<Candidate> candidate = judge_run(run_, starts_, trials_, options_.min_score);
        candidate && !thinned(*candidate))
      found.push_back({stride, p, std::move(*candidate)});
  }
}

void PassSearch::clear_hits() {
  each_bit(hit_, [&](std::size_t p) {
    hit_.reset(p);
    kinds_[p] = UNREAD;
  });
}

void PassSearch::find_runs(std::vector<Candidate>& found) {
  std::vector<Found> found_here;
  std::vector<std::vector<Walk>> walks(FINDER_MAX_STRIDE + 1);
  for (unsigned stride = size_; stride <= FINDER_MAX_STRIDE; ++stride) walks[stride].resize(stride);
  each_bit(hit_, [&](std::size_t p) { at_hit(p, walks, found_here); });
  std::sort(found_here.begin(), found_here.end(), [](const Found& a, const Found& b) {
    return a.stride != b.stride ? a.stride < b.stride : a.first < b.first;
  });
  for (Found& one : found_here) found.push_back(std::move(one.candidate));
}

} // namespace finder_pass

void search_pass(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, const PointerTable& ptable, const Pass& pass,
                 std::uint64_t trials, PassScratch& scratch, std::vector<Candidate>& found) {
  finder_pass::PassSearch search(rom, starts, layout, options, ptable, pass, trials, scratch);
  search.read_slots();
  search.count_hits_below();
  search.find_runs(found);
  search.clear_hits();
}

} // namespace textdump
