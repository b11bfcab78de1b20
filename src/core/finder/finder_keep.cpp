#include <algorithm>

#include "core/finder/finder_pass.hpp"
#include "core/finder/finder_tables.hpp"

namespace textdump {

namespace {

// The same kind of pointer at the same stride.
bool same_kind(const PointerTable& a, const PointerTable& b) {
  return a.map == b.map && a.size == b.size && a.order == b.order && a.stride == b.stride &&
         a.base == b.base && a.bank == b.bank;
}

// Whether b's pointers lie in other bytes of the records than a's.
bool apart_in_records(const PointerTable& a, const PointerTable& b) {
  const std::int64_t stride = a.stride;
  const std::int64_t d = ((std::int64_t{b.at} - std::int64_t{a.at}) % stride + stride) % stride;
  return d >= std::int64_t{a.size} && stride - d >= std::int64_t{a.size};
}

// Another pointer column of the records of kept: the same kind of pointer at
// the same stride, in bytes of the records that no column of kept takes.
bool another_column(const Candidate& kept, const Candidate& other) {
  const PointerTable &a = kept.ptable, &b = other.ptable;
  if (!same_kind(a, b) || a.stride < 2 * a.size || !apart_in_records(a, b)) return false;
  return std::all_of(kept.columns.begin(), kept.columns.end(),
                     [&](const Candidate& column) { return apart_in_records(column.ptable, b); });
}

// The same column of records: the same kind of pointer in the same bytes of them.
bool same_column(const Candidate& column, const Candidate& other) {
  const PointerTable &a = column.ptable, &b = other.ptable;
  return same_kind(a, b) && (a.at > b.at ? a.at - b.at : b.at - a.at) % a.stride == 0;
}

// The same table read better: at the same stride, a reading that takes in
// every slot of the other and more (a little-endian table read big-endian a
// byte on loses an entry); with the same targets, the ROM's own map says
// more than linear; and of two sizes, the wider one when the bytes it adds
// are the same in every entry (a bank byte, the zero top of an address),
// the narrower one when they vary (bytes the map ignores); null entries
// aside.
bool reads_better(const RomView& rom, const Candidate& kept, const Candidate& other) {
  const PointerTable &a = kept.ptable, &b = other.ptable;
  if (a.stride == b.stride && b.count > a.count && b.at <= a.at && end_of(b) >= end_of(a))
    return true;
  if (kept.targets != other.targets || a.stride != b.stride) return false;
  if (a.map == AddressMap::linear && b.map != AddressMap::linear) return a.at == b.at;
  if (a.map != b.map || a.size == b.size) return false;
  const PointerTable &wide = a.size > b.size ? a : b, &narrow = a.size > b.size ? b : a;
  // The pointers' own bytes: in entries that hold a length too, past it;
  // each entry's against those of the first that is not null.
  const std::uint64_t wide_at = std::uint64_t{wide.at} + wide.offset;
  const std::uint64_t narrow_at = std::uint64_t{narrow.at} + narrow.offset;
  const auto entry = [&](std::uint32_t i) { return wide_at + std::uint64_t{i} * wide.stride; };
  const auto null = [&](std::uint32_t i) {
    const std::uint32_t value = pointer_value_at(rom, entry(i), wide.size, wide.order);
    return value == 0 || value == finder_pass::all_ones_of(wide.size);
  };
  const std::uint32_t count = std::min(wide.count, narrow.count);
  std::uint32_t first = 0;
  while (first < count && null(first)) ++first;
  bool constant = true;
  for (std::uint32_t i = first + 1; i < count && constant; ++i) {
    if (null(i)) continue;
    for (std::uint64_t at = wide_at; at < wide_at + wide.size; ++at) {
      if (at >= narrow_at && at < narrow_at + narrow.size) continue;
      const std::uint64_t d = at - wide_at, here = entry(i) + d;
      constant = constant && here < rom.size && rom.data[here] == rom.data[entry(first) + d];
    }
  }
  return constant == (b.size > a.size);
}

// Whether byte b is one of a table's entries' pointer or length bytes.
bool takes_byte(const PointerTable& t, std::uint64_t b) {
  if (b < t.at) return false;
  const std::uint64_t d = b - t.at;
  return d / t.stride < t.count && d % t.stride < entry_span(t);
}

bool touches(const Candidate& kept, std::uint64_t from, std::uint64_t to) {
  const auto in = [&](const Candidate& c) {
    for (std::uint64_t b = from; b < to; ++b)
      if (takes_byte(c.ptable, b)) return true;
    return false;
  };
  return in(kept) || std::any_of(kept.columns.begin(), kept.columns.end(), in) ||
         std::any_of(kept.pieces.begin(), kept.pieces.end(), in);
}

// Another table nested in one of the records of kept (no longer than a
// record, at a finer stride), at least half its slots touching none of
// kept's pointers.
bool apart_from(const Candidate& kept, const Candidate& other) {
  const PointerTable& t = other.ptable;
  if (t.stride >= kept.ptable.stride || end_of(t) - t.at > kept.ptable.stride) return false;
  std::uint32_t apart = 0;
  for (std::uint32_t i = 0; i < t.count; ++i) {
    const std::uint64_t entry = std::uint64_t{t.at} + std::uint64_t{i} * t.stride;
    apart += touches(kept, entry, entry + entry_span(t)) ? 0u : 1u;
  }
  return apart * 2 >= t.count;
}

bool overlap(const Candidate& a, const Candidate& b) {
  return a.ptable.at < end_of(b) && b.ptable.at < end_of(a);
}

enum class Taken { no, reading, column };

// other taken in by kept, which overlaps it: as a better reading of kept
// (whose columns of its own kind it keeps) or of one of its columns, or as
// another column.
Taken take_in(const RomView& rom, Candidate& kept, Candidate& other) {
  const auto replace = [](Candidate& old, Candidate& better) {
    better.score = old.score;
    better.columns = std::move(old.columns);
    if (better.pieces.empty()) better.pieces = std::move(old.pieces);
    old = std::move(better);
  };
  if (reads_better(rom, kept, other)) {
    replace(kept, other);
    std::erase_if(kept.columns, [&](const Candidate& c) {
      return !same_kind(kept.ptable, c.ptable) || !apart_in_records(kept.ptable, c.ptable);
    });
    return Taken::reading;
  }
  std::vector<Candidate>& columns = kept.columns;
  const auto same = std::find_if(columns.begin(), columns.end(),
                                 [&](const Candidate& c) { return same_column(c, other); });
  if (same != columns.end()) {
    if (reads_better(rom, *same, other)) replace(*same, other);
  } else if (another_column(kept, other)) {
    columns.push_back(std::move(other));
  } else {
    return Taken::no;
  }
  std::sort(columns.begin(), columns.end(),
            [](const Candidate& a, const Candidate& b) { return a.ptable.at < b.ptable.at; });
  return Taken::column;
}

} // namespace

std::vector<Candidate> keep_best(const RomView& rom, const Starts& starts, const RomLayout& layout,
                                 const FinderOptions& options, std::vector<Candidate> found) {
  std::vector<Candidate> kept;
  for (Candidate& candidate : found) {
    const auto overlapped = std::find_if(kept.begin(), kept.end(),
                                         [&](const Candidate& k) { return overlap(candidate, k); });
    if (overlapped != kept.end()) {
      const Taken taken = take_in(rom, *overlapped, candidate);
      if (taken == Taken::reading) add_columns(rom, starts, layout, options, *overlapped);
      if (taken != Taken::no) continue;
      const bool apart = std::all_of(kept.begin(), kept.end(), [&](const Candidate& k) {
        return !overlap(candidate, k) || apart_from(k, candidate);
      });
      if (!apart) continue;
    }
    kept.push_back(std::move(candidate));
    add_columns(rom, starts, layout, options, kept.back());
    if (kept.size() == options.top) break;
  }
  for (Candidate& table : kept) add_closing_record(rom, table);
  return kept;
}

} // namespace textdump
