// The steps of one pass of the pointer-table finder (core/finder/finder_runs.hpp),
// over the state a pass keeps from one to the next:
//
//   read_slots        the slots whose values lead to string starts (finder_runs.cpp)
//   count_hits_below  how many of them lead below each string start
//   find_runs         at every stride, each walk from a hit over the slots that
//                     may stand between hits (finder_walks.cpp: where it reaches,
//                     which of its hits begin runs worth reading, each such run
//                     read), each run judged (core/finder/finder_score.hpp)
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/base/base.hpp"
#include "core/finder/finder_score.hpp"
#include "core/finder/finder_starts.hpp"
#include "core/finder/finder_types.hpp"

namespace textdump {

struct Pass;

// The slots of the passes of one map and byte order into other banks than
// their tables' own, by their 16-bit value, for the values that lead to a
// string start in one of those banks: value v's slots are slots[begin[v]]
// to slots[begin[v + 1] - 1], ascending.
struct BankIndex {
  std::vector<std::uint32_t> begin, slots;
};

struct PassScratch {
  std::vector<std::uint32_t> target;     // by slot: where it leads, if anywhere
  std::vector<std::uint8_t> kind;        // by slot: a hit or what else it may be in a table
  OffsetBits hit;                        // the slots whose values lead to string starts
  OffsetBits seen;                       // the targets of one walk, as it is read back
  std::vector<std::uint32_t> hits_below; // by string start: the hits that lead before it
  Run run;
};

// The pass's own words, apart from the rest of the code.
namespace finder_pass {

constexpr unsigned MAX_GAP = 4;     // null or empty entries in a row inside a run
constexpr unsigned MAX_LEADING = 2; // entries before a run's first hit that join it

// A slot that is no hit but may stand inside a table: a null entry (0, or all
// ones of its size), a pointer to an empty string, or to the first string of
// a text block (which may follow bytes that read as text, so it is no start:
// its string ends where a start or an empty string begins).
enum class Soft : std::uint8_t { none, null, empty, first };
// A slot's kind: a Soft one, or a hit, or not read yet.
constexpr std::uint8_t HIT = 4, UNREAD = 5;

// The null entry of all ones of a pointer size.
constexpr std::uint32_t all_ones_of(unsigned size) {
  return size >= 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
}

// What a slot that is no hit may be, and its target: value as read, mapped
// the offset it leads to, all_ones the null of all ones of its size.
inline Soft soft_kind(const Starts& starts, std::uint32_t value, std::uint32_t all_ones,
                      std::optional<std::uint64_t> mapped, std::uint32_t& t) {
  if (value == 0 || value == all_ones) return Soft::null;
  if (!mapped) return Soft::none;
  t = static_cast<std::uint32_t>(*mapped);
  if (starts.is_empty(t)) return Soft::empty;
  const std::uint64_t end = starts.end(t);
  if (end != 0 && end < starts.size() && (starts.is_start(end) || starts.is_empty(end)))
    return Soft::first;
  return Soft::none;
}

// A walk at a stride from a hit takes soft slots between hits: up to
// MAX_GAP in a row, one of them at most a string that is no start. Where
// it stops depends only on the slots after its last hit, so the runs that
// begin at the hits of one walk all end where it does: at its last hit,
// with after the soft slot that follows it, if the walk took one.
struct Reach {
  std::size_t last = 0;
  std::optional<std::pair<Soft, std::uint32_t>> after;
};

// Each walk, one for each stride and remainder of the slot: where it ends,
// and the hits in it whose runs are read in full, in ascending order.
struct Walk {
  std::optional<Reach> reach;
  std::vector<std::size_t> worth;
  std::size_t next = 0; // in worth
};

// Of the run from a slot to its walk's last hit, as a walk is read back from
// that hit: its entries that are not null, its distinct targets, its null
// entries, empty strings and targets that are no start, the span of its
// hits' targets and of all its targets, and whether they ascend.
struct Tally {
  std::size_t count = 0, distinct = 0;
  std::uint32_t nulls = 0, empties = 0, no_start = 0;
  std::uint32_t low = 0, high = 0;       // of its hits' targets
  std::uint32_t lowest = 0, highest = 0; // of all its targets
  bool ascending = true;
  std::uint32_t next = 0; // the target of the slot a stride after

  // Adds a slot that is no null entry: a hit, or a soft slot of that kind,
  // leading to t; fresh when no slot after it in the walk leads there.
  void add(std::uint32_t t, bool hit, Soft kind, bool fresh) {
    if (hit) {
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
    distinct += fresh ? 1 : 0;
  }
};

// A candidate of the pass, with the stride and first hit that order it.
struct Found {
  unsigned stride = 0;
  std::size_t first = 0; // the run's first hit
  Candidate candidate;
};

// One pass over the slots of a ROM, its state held in the scratch: first
// the hits (read_slots), then how many lead below each string start
// (count_hits_below), then the runs at every stride (find_runs).
class PassSearch {
public:
  PassSearch(const RomView& rom, const Starts& starts, const RomLayout& layout,
             const FinderOptions& options, const PointerTable& ptable, const Pass& pass,
             std::uint64_t trials, PassScratch& scratch);

  void read_slots();
  void count_hits_below();
  // The candidates in the order of stride, then first hit.
  void find_runs(std::vector<Candidate>& found);
  // The hits' bits and kinds cleared, so that the next pass begins with none.
  void clear_hits();

private:
  bool searched(std::size_t q) const { return q >= from_ && q < to_; }
  std::uint64_t read_indexed_slots();
  Soft classify(std::uint32_t value, std::optional<std::uint64_t> mapped, std::uint32_t& t) const;
  Soft soft_at(std::size_t q, std::uint32_t& t);
  Reach reach_from(std::size_t p, unsigned stride);
  bool empty_after(const Reach& reach, std::uint32_t low, std::uint32_t high) const;
  template <typename Visit>
  std::size_t lead_in(std::size_t p, unsigned stride, std::uint32_t low, std::uint32_t high,
                      Visit visit);
  void read_run(std::size_t p, unsigned stride, const Reach& reach);
  bool begins_run(std::size_t q, unsigned stride) const;
  bool worth_reading(std::size_t q, unsigned stride, const Reach& reach, Tally tally);
  void mark_worth(std::size_t from_hit, unsigned stride, const Reach& reach,
                  std::vector<std::size_t>& worth);
  bool thinned(const Candidate& c) const;
  void at_hit(std::size_t p, std::vector<std::vector<Walk>>& walks, std::vector<Found>& found);

  const RomView& rom_;
  const Starts& starts_;
  const RomLayout& layout_;
  const FinderOptions& options_;
  const PointerTable& ptable_;
  const MapDescriptor& descriptor_;
  const std::size_t n_, from_, to_;
  const std::optional<BankSpan> into_;
  const BankIndex* const index_;
  const unsigned size_;
  const ByteOrder order_;
  const std::uint64_t trials_; // where a run may begin by chance, in every map, size and order
  const std::uint32_t all_ones_;
  std::vector<std::uint32_t>& target_;
  std::vector<std::uint8_t>& kinds_;
  OffsetBits& hit_;
  OffsetBits& seen_;
  std::vector<std::uint32_t>& below_;
  Run& run_;
  double rate_ = 0;
};

inline Soft PassSearch::classify(std::uint32_t value, std::optional<std::uint64_t> mapped,
                                 std::uint32_t& t) const {
  return soft_kind(starts_, value, all_ones_, mapped, t);
}

// What a slot that is no hit may be is read when a run first reaches it
// (most never are); those outside the slots searched, and all of a pass
// read from an index (whose other slots hold what passes before left), are
// read each time.
inline Soft PassSearch::soft_at(std::size_t q, std::uint32_t& t) {
  const bool kept = index_ == nullptr && searched(q);
  if (!kept || kinds_[q] == UNREAD) {
    const std::uint32_t value = pointer_value_at(rom_, q, size_, order_);
    const Soft kind = classify(value, map_pointer(descriptor_, ptable_, layout_, value, q), t);
    if (!kept) return kind;
    kinds_[q] = static_cast<std::uint8_t>(kind);
    target_[q] = t;
    return kind;
  }
  t = target_[q];
  return static_cast<Soft>(kinds_[q]);
}

} // namespace finder_pass

} // namespace textdump
