#include <algorithm>
#include <cstdint>

#include "core/finder/finder_pass.hpp"
#include "core/finder/finder_tables.hpp"

namespace textdump {

namespace {

using finder_pass::Soft;

// What the slot q of a table's kind holds: a string start (HIT), a soft
// slot or none, with its target.
std::uint8_t slot_kind(const RomView& rom, const Starts& starts, const RomLayout& layout,
                       const PointerTable& ptable, std::uint64_t q, std::uint32_t& t) {
  if (q + ptable.size > rom.size) return static_cast<std::uint8_t>(Soft::none);
  const std::uint32_t value = pointer_value_at(rom, q, ptable.size, ptable.order);
  const std::optional<std::uint64_t> mapped = map_pointer(ptable, layout, value, q);
  if (mapped && starts.is_start(*mapped)) {
    t = static_cast<std::uint32_t>(*mapped);
    return finder_pass::HIT;
  }
  return static_cast<std::uint8_t>(
      finder_pass::soft_kind(starts, value, finder_pass::all_ones_of(ptable.size), mapped, t));
}

// The offset of a column's pointers in the records of a table, from the
// table's own: 0 to stride - 1.
unsigned phase_of(const PointerTable& table, const PointerTable& column) {
  const std::int64_t stride = table.stride;
  const std::int64_t d = (std::int64_t{column.at} - std::int64_t{table.at}) % stride;
  return static_cast<unsigned>(d < 0 ? d + stride : d);
}

// Whether the bytes at phase of the table's records hold a pointer of one
// of its columns (the table's own, at phase 0, among them).
bool taken(const Candidate& table, unsigned phase) {
  const unsigned stride = table.ptable.stride, size = table.ptable.size;
  const auto apart = [&](unsigned other) {
    const unsigned d = (phase + stride - other) % stride;
    return d >= size && stride - d >= size;
  };
  if (!apart(0)) return true;
  return std::any_of(table.columns.begin(), table.columns.end(),
                     [&](const Candidate& c) { return !apart(phase_of(table.ptable, c.ptable)); });
}

// The longest run of the slots from first, a stride apart, that hold
// pointers to strings with at most MAX_GAP null entries in a row, null
// entries at neither end: its first slot's index and its length.
std::pair<std::size_t, std::size_t> longest_run(const std::vector<std::uint8_t>& kinds) {
  const auto null = static_cast<std::uint8_t>(Soft::null);
  const auto none = static_cast<std::uint8_t>(Soft::none);
  std::pair<std::size_t, std::size_t> best{0, 0};
  std::size_t begin = 0, last = 0, nulls = 0;
  bool open = false;
  for (std::size_t j = 0; j <= kinds.size(); ++j) {
    const bool ends = j == kinds.size() || kinds[j] == none ||
                      (kinds[j] == null && nulls == finder_pass::MAX_GAP);
    if (ends) {
      if (open && last + 1 - begin > best.second) best = {begin, last + 1 - begin};
      open = false;
      nulls = 0;
      continue;
    }
    if (kinds[j] == null) {
      ++nulls;
      continue;
    }
    nulls = 0;
    if (!open) begin = j;
    open = true;
    last = j;
  }
  return best;
}

// The column at phase of the table's records, when its slots hold one.
std::optional<Candidate> column_at(const RomView& rom, const Starts& starts,
                                   const RomLayout& layout, const FinderOptions& options,
                                   const Candidate& table, unsigned phase) {
  const PointerTable& t = table.ptable;
  // Its slots in the records of the table's entries, whichever side of them it lies.
  const std::int64_t from = std::int64_t{t.at} + phase - t.stride;
  std::vector<std::uint8_t> kinds(t.count + 1);
  for (std::uint32_t j = 0; j <= t.count; ++j) {
    const std::int64_t q = from + std::int64_t{j} * t.stride;
    std::uint32_t target = 0;
    kinds[j] = q < 0 ? static_cast<std::uint8_t>(Soft::none)
                     : slot_kind(rom, starts, layout, t, static_cast<std::uint64_t>(q), target);
  }
  // The slots of a record before the table's first and after its last,
  // one of which lies outside its records, join only when they lead to a
  // string start.
  for (const std::size_t end : {std::size_t{0}, std::size_t{t.count}})
    if (kinds[end] != finder_pass::HIT) kinds[end] = static_cast<std::uint8_t>(Soft::none);
  const auto [begin, count] = longest_run(kinds);
  if (count < options.min_count || count * 2 < t.count) return std::nullopt;
  PointerTable ptable = t;
  ptable.at = static_cast<std::uint32_t>(from + static_cast<std::int64_t>(begin) * t.stride);
  ptable.count = static_cast<std::uint32_t>(count);
  std::optional<Candidate> column = read_table(rom, starts, layout, ptable);
  if (!column || column->null_entries * 3 > count) return std::nullopt;
  std::vector<std::uint32_t> starts_hit;
  for (const std::uint64_t target : column->targets)
    if (starts.is_start(target)) starts_hit.push_back(static_cast<std::uint32_t>(target));
  std::sort(starts_hit.begin(), starts_hit.end());
  if (std::unique(starts_hit.begin(), starts_hit.end()) - starts_hit.begin() < 2)
    return std::nullopt;
  column->score = table.score;
  return column;
}

} // namespace

std::optional<Candidate> read_table(const RomView& rom, const Starts& starts,
                                    const RomLayout& layout, const PointerTable& ptable) {
  Candidate c;
  c.ptable = ptable;
  for (std::uint32_t i = 0; i < ptable.count; ++i) {
    const std::uint64_t q =
        std::uint64_t{ptable.at} + std::uint64_t{i} * ptable.stride + ptable.offset;
    std::uint32_t t = 0;
    const std::uint8_t kind = slot_kind(rom, starts, layout, ptable, q, t);
    if (kind == static_cast<std::uint8_t>(Soft::none)) return std::nullopt;
    if (kind == static_cast<std::uint8_t>(Soft::null)) {
      ++c.null_entries;
      continue;
    }
    c.empty_strings += kind == static_cast<std::uint8_t>(Soft::empty) ? 1 : 0;
    c.targets.push_back(t);
  }
  if (c.targets.empty()) return std::nullopt;
  const auto [low, high] = std::minmax_element(c.targets.begin(), c.targets.end());
  c.first_target = *low;
  c.last_target = *high;
  return c;
}

void add_columns(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, Candidate& table) {
  const PointerTable& t = table.ptable;
  if (t.stride < 2 * t.size || t.length || table.pascal != 0 || !table.pieces.empty()) return;
  for (unsigned phase = t.size; phase + t.size <= t.stride; ++phase) {
    if (taken(table, phase)) continue;
    if (std::optional<Candidate> column = column_at(rom, starts, layout, options, table, phase))
      table.columns.push_back(std::move(*column));
  }
  std::sort(table.columns.begin(), table.columns.end(),
            [](const Candidate& a, const Candidate& b) { return a.ptable.at < b.ptable.at; });
}

void add_closing_record(const RomView& rom, Candidate& table) {
  const PointerTable& t = table.ptable;
  if (t.stride <= t.size || t.length || table.pascal != 0 || !table.pieces.empty()) return;
  std::vector<Candidate*> all{&table};
  for (Candidate& column : table.columns) all.push_back(&column);
  // The slot after each column's last: all of them in one record, each null.
  std::uint64_t low = ~std::uint64_t{0}, high = 0;
  for (const Candidate* c : all) {
    const std::uint64_t next =
        std::uint64_t{c->ptable.at} + std::uint64_t{c->ptable.count} * t.stride;
    low = std::min(low, next);
    high = std::max(high, next);
    if (next + t.size > rom.size) return;
    if (pointer_value_at(rom, next, t.size, t.order) != 0) return;
  }
  if (high - low >= t.stride || low + t.stride > rom.size) return;
  // The record's other bytes: zero, or as in the record before (a table of
  // one column: zero).
  for (std::uint64_t b = low; b < low + t.stride; ++b) {
    const bool pointer = std::any_of(all.begin(), all.end(), [&](const Candidate* c) {
      const std::uint64_t next =
          std::uint64_t{c->ptable.at} + std::uint64_t{c->ptable.count} * t.stride;
      return b >= next && b < next + t.size;
    });
    if (!pointer && rom.data[b] != 0 && (all.size() == 1 || rom.data[b] != rom.data[b - t.stride]))
      return;
  }
  for (Candidate* c : all) {
    ++c->ptable.count;
    ++c->null_entries;
  }
}

} // namespace textdump
