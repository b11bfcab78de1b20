#include "core/finder/finder_lengths.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "core/decode/decode.hpp"

namespace textdump {

namespace {

constexpr std::uint32_t MIN_STEPS = 3;

// Where an entry's pointer and its string's length lie: a length field of
// the entry, or (pascal) a length before the string, for one map's pointers.
struct Shape {
  PointerTable ptable; // size, order, stride, offset, length; map and base for pascal
  unsigned pascal = 0;
  bool reverse = false; // length fields: each entry's string ends where the one before begins
};

// The shapes searched at one pointer size, byte order and stride: length
// fields before and after the pointer, and Pascal strings under each map.
std::vector<Shape> shapes_of(const FinderOptions& options, unsigned size, ByteOrder order,
                             unsigned stride) {
  std::vector<Shape> shapes;
  PointerTable ptable;
  ptable.size = size;
  ptable.order = order;
  ptable.stride = stride;
  for (const unsigned length_size : {1u, 2u}) {
    // At the start of entries of their two sizes or more (records).
    if (stride < size + length_size) continue;
    for (const bool reverse : {false, true}) {
      ptable.offset = length_size;
      ptable.length = LengthField{0, length_size};
      shapes.push_back({ptable, 0, reverse});
      ptable.offset = 0;
      ptable.length = LengthField{size, length_size};
      shapes.push_back({ptable, 0, reverse});
    }
  }
  ptable.offset = 0;
  ptable.length.reset();
  for (const FinderMap& map : options.maps) {
    if (!searched_as(map_of(map.map), size, order)) continue;
    ptable.map = map.map;
    ptable.base = map.base;
    for (const unsigned pascal : {1u, 2u}) shapes.push_back({ptable, pascal});
  }
  return shapes;
}

// The text keys' bytes of [from, to).
std::uint64_t text_bytes(const CodeTable& table, const RomView& rom, std::uint64_t from,
                         std::uint64_t to) {
  std::uint64_t text = 0;
  for (std::uint64_t pos = from; pos < to;) {
    const WalkStep step = step_at(table, rom, pos, to);
    if (is_text_key(table.entry(step.index).kind)) text += step.next - pos;
    pos = step.next;
  }
  return text;
}

// The candidate of a run of count entries from at, under the last of the
// finder's maps that reads it (a Pascal shape's own); nothing when none does.
std::optional<Candidate> read_run(const RomView& rom, const CodeTable& table,
                                  const FinderOptions& options, const RomLayout& layout,
                                  const Shape& shape, std::uint64_t at, std::uint32_t count) {
  std::optional<Candidate> best;
  for (const FinderMap& map : options.maps) {
    const MapDescriptor& descriptor = map_of(map.map);
    if (!searched_as(descriptor, shape.ptable.size, shape.ptable.order) ||
        (shape.pascal != 0 && (map.map != shape.ptable.map || map.base != shape.ptable.base)))
      continue;
    Candidate c;
    PointerTable& ptable = c.ptable;
    ptable = shape.ptable;
    ptable.map = map.map;
    ptable.base = map.base;
    ptable.at = static_cast<std::uint32_t>(at);
    ptable.count = count;
    c.pascal = shape.pascal;
    c.reverse = shape.reverse;
    // The end of the strings read so far and, in reverse, the start of the last.
    std::uint64_t end = 0, text = 0, length_bytes = 0, low = 0;
    bool reads = true;
    for (std::uint32_t i = 0; i < count && reads; ++i) {
      const std::uint64_t entry = at + std::uint64_t{i} * ptable.stride;
      const std::uint64_t slot = entry + ptable.offset;
      const auto target = map_pointer(descriptor, ptable, layout,
                                      pointer_value_at(rom, slot, ptable.size, ptable.order), slot);
      reads = target && (c.targets.empty() || shape.reverse || *target == end);
      if (!reads) break;
      const std::optional<std::uint32_t> length =
          ptable.length ? read_pointer_value(rom, entry + ptable.length->at, ptable.length->size,
                                             ptable.order)
                        : read_pointer_value(rom, *target, shape.pascal, ptable.order);
      const std::uint64_t from = *target + shape.pascal;
      reads = length && *length != 0 && from + *length <= rom.size &&
              (!shape.reverse || c.targets.empty() || from + *length == low);
      if (!reads) break;
      c.targets.push_back(*target);
      low = *target;
      end = shape.reverse && i > 0 ? end : from + *length;
      text += text_bytes(table, rom, from, end);
      length_bytes += *length;
    }
    const std::uint64_t table_end = at + std::uint64_t{count} * ptable.stride;
    if (!reads) continue;
    c.first_target = shape.reverse ? c.targets.back() : c.targets.front();
    c.last_target = shape.reverse ? c.targets.front() : c.targets.back();
    if ((c.first_target < table_end && at < end) || text * 10 < length_bytes * 9) continue;
    best = std::move(c);
  }
  return best;
}

// The gap of a step: the next pointer's value lies above this one's (below
// it, in reverse), by at most a string's length (with a Pascal length before
// it). Every shape's step has one, so a slot whose next few steps lack it
// begins no run.
bool gap_holds(std::uint32_t from, std::uint32_t to) {
  return to - from - 1u < FINDER_MAX_STRING + 2;
}

constexpr std::uint64_t BLOCK = 1u << 15;                            // the slots searched at once
constexpr std::uint64_t AHEAD = (MIN_STEPS - 1) * FINDER_MAX_STRIDE; // and the gaps read past them
constexpr std::uint64_t GAP_SLOTS = BLOCK + AHEAD;

static_assert(FINDER_MAX_STRIDE <= 32, "a slot's gaps hold one bit a stride");

// Whether the step from one value to the next has the gap one way or the
// other: the difference, either way, at least 1 and at most FINDER_MAX_STRING + 2.
bool gap_either_way(std::uint32_t from, std::uint32_t to) {
  constexpr std::uint32_t most = FINDER_MAX_STRING + 2;
  return to != from && to - from + most <= 2 * most;
}

// Sets bit stride - 1 of gaps[i] where the step at the stride from the value
// values[i] has the gap either way, for every slot of a block: a loop the
// compiler makes one of vectors. Which way is read only where a run may begin.
void add_gaps(const std::uint32_t* __restrict values, std::uint32_t* __restrict gaps,
              unsigned stride) {
  const std::uint32_t bit = 1u << (stride - 1);
  const std::uint32_t* next = values + stride;
  for (std::uint64_t i = 0; i < GAP_SLOTS; ++i)
    gaps[i] |= gap_either_way(values[i], next[i]) ? bit : 0u;
}

// Whether one shape's step from the pointer slot q to the next entry's holds.
bool holds(const RomView& rom, const RomLayout& layout, const Shape& shape, std::uint64_t q) {
  const PointerTable& t = shape.ptable;
  if (q < t.offset) return false;
  const std::uint32_t from = pointer_value_at(rom, q, t.size, t.order);
  const std::uint32_t to = pointer_value_at(rom, q + t.stride, t.size, t.order);
  if (shape.reverse) {
    // The next entry's string ends where this one's begins.
    return gap_holds(to, from) && pointer_value_at(rom, q + t.stride - t.offset + t.length->at,
                                                   t.length->size, t.order) == from - to;
  }
  if (!gap_holds(from, to)) return false;
  const std::uint32_t d = to - from;
  if (t.length)
    return pointer_value_at(rom, q - t.offset + t.length->at, t.length->size, t.order) == d;
  if (d <= shape.pascal || (shape.pascal == 1 && d > 0x100)) return false;
  const auto target = map_pointer(map_of(t.map), t, layout, from, q);
  if (!target) return false;
  const auto length = read_pointer_value(rom, *target, shape.pascal, t.order);
  return length && *length + shape.pascal == d;
}

// The search of one pointer size and byte order, a block of slots at a time.
// The gaps of a block are found for every stride at once; only a slot with
// the gaps of MIN_STEPS steps at a stride has its shapes read there, and most
// have none.
class LengthSearch {
public:
  LengthSearch(const RomView& rom, const CodeTable& table, const FinderOptions& options,
               const RomLayout& layout, unsigned size, ByteOrder order);

  // No stride fits the ROM: nothing to search.
  bool empty() const { return strides_.empty(); }
  std::uint64_t last_slot() const { return last_slot_; }
  void search_block(std::uint64_t base);
  // By stride, then offset.
  std::vector<Candidate> candidates();

private:
  void read_gaps(std::uint64_t base, std::uint64_t reach);
  void shapes_at(std::uint64_t q, unsigned stride, bool reverse);
  void run_from(const Shape& shape, std::uint64_t q, unsigned stride);

  // The shapes that held at one slot read.
  struct Held {
    std::uint64_t q = 0;
    std::uint32_t shapes = 0;
  };

  const RomView& rom_;
  const CodeTable& table_;
  const FinderOptions& options_;
  const RomLayout& layout_;
  const unsigned size_;
  const ByteOrder order_;
  const std::uint64_t n_;
  // The strides searched, each with its shapes and its last pointer slot (a
  // length may follow the next pointer).
  std::vector<std::vector<Shape>> shapes_;
  std::vector<std::uint64_t> last_;
  std::vector<unsigned> strides_;
  std::uint64_t last_slot_ = 0;
  double chances_ = 0;                     // log10 of the runs tried
  std::vector<std::array<Held, 64>> held_; // by stride, the last 64 slots read (with the slot)
  std::vector<std::pair<unsigned, Candidate>> found_; // with its stride
  std::vector<std::uint32_t> values_;                 // the block's pointer values
  // By slot: bit stride - 1 for each gap of a step, either way.
  std::vector<std::uint32_t> gaps_;
};

LengthSearch::LengthSearch(const RomView& rom, const CodeTable& table, const FinderOptions& options,
                           const RomLayout& layout, unsigned size, ByteOrder order)
    : rom_(rom), table_(table), options_(options), layout_(layout), size_(size), order_(order),
      n_(rom.size), shapes_(FINDER_MAX_STRIDE + 1), last_(FINDER_MAX_STRIDE + 1, 0),
      held_(FINDER_MAX_STRIDE + 1), values_(GAP_SLOTS + FINDER_MAX_STRIDE), gaps_(GAP_SLOTS) {
  for (unsigned stride = size; stride <= FINDER_MAX_STRIDE; ++stride) {
    if (n_ < 2 * std::uint64_t{stride} + size + 2) break;
    shapes_[stride] = shapes_of(options, size, order, stride);
    if (shapes_[stride].empty()) continue;
    strides_.push_back(stride);
    last_[stride] = n_ - stride - size - 2;
    last_slot_ = std::max(last_slot_, last_[stride]);
  }
  chances_ = std::log10(static_cast<double>(std::max<std::uint64_t>(n_, 1)) * 64.0 *
                        static_cast<double>(options.sizes.size()));
}

// The values from base and the gaps of the slots up to reach, none past a
// stride's last slot.
void LengthSearch::read_gaps(std::uint64_t base, std::uint64_t reach) {
  const std::uint64_t read =
      std::min<std::uint64_t>(reach + FINDER_MAX_STRIDE, n_ - size_ + 1 - base);
  for (std::uint64_t i = 0; i < read; ++i)
    values_[i] = pointer_value_at(rom_, base + i, size_, order_);
  std::fill(values_.begin() + static_cast<std::ptrdiff_t>(read), values_.end(), 0u);
  std::fill(gaps_.begin(), gaps_.end(), 0u);
  for (const unsigned stride : strides_) {
    if (last_[stride] < base) continue;
    add_gaps(values_.data(), gaps_.data(), stride);
    for (std::uint64_t i = std::min(reach, last_[stride] + 1 - base); i < GAP_SLOTS; ++i) {
      gaps_[i] &= ~(1u << (stride - 1));
    }
  }
}

void LengthSearch::search_block(std::uint64_t base) {
  static_assert(MIN_STEPS == 3);
  const std::uint64_t count = std::min(BLOCK, last_slot_ + 1 - base);
  read_gaps(base, std::min(count + AHEAD, last_slot_ + 1 - base));
  // The steps of a run go one way: MIN_STEPS gaps ahead, or as many in reverse.
  for (std::uint64_t i = 0; i < count; ++i) {
    for (std::uint32_t left = gaps_[i]; left != 0; left &= left - 1) {
      const unsigned stride = static_cast<unsigned>(std::countr_zero(left)) + 1;
      const std::uint32_t bit = 1u << (stride - 1);
      if ((gaps_[i + stride] & gaps_[i + 2 * stride] & bit) == 0) continue;
      const std::uint32_t* v = values_.data() + i;
      const std::uint32_t a = v[0], b = v[stride], c = v[2 * stride], d = v[3 * stride];
      if (gap_holds(a, b) && gap_holds(b, c) && gap_holds(c, d))
        shapes_at(base + i, stride, false);
      if (gap_holds(b, a) && gap_holds(c, b) && gap_holds(d, c))
        shapes_at(base + i, stride, true);
    }
  }
}

// The shapes of one way whose steps hold at q and the stride, each run that
// begins there read.
void LengthSearch::shapes_at(std::uint64_t q, unsigned stride, bool reverse) {
  const std::vector<Shape>& here = shapes_[stride];
  const Held& back = held_[stride][(q - stride) % 64];
  const std::uint32_t before = q >= stride && back.q == q - stride ? back.shapes : 0;
  std::uint32_t now = 0;
  for (std::size_t k = 0; k < here.size(); ++k) {
    if (here[k].reverse != reverse || !holds(rom_, layout_, here[k], q)) continue;
    now |= 1u << k;
    if ((before >> k & 1u) == 0) run_from(here[k], q, stride); // else inside a run begun before
  }
  // The shapes of the other way, when their steps held here too, stay.
  Held& mine = held_[stride][q % 64];
  if (mine.q != q) mine = {q, 0};
  mine.shapes |= now;
}

// The run of one shape whose first step, from q, holds: a candidate when it
// is long enough, scores enough and reads.
void LengthSearch::run_from(const Shape& shape, std::uint64_t q, unsigned stride) {
  std::uint32_t steps = 1;
  while (q + std::uint64_t{steps} * stride <= last_[stride] &&
         holds(rom_, layout_, shape, q + std::uint64_t{steps} * stride))
    ++steps;
  const std::uint32_t entries = steps + 1;
  const double score = steps * 8.0 * size_ * std::log10(2.0) - chances_;
  if (steps < MIN_STEPS || entries < options_.min_count || score < options_.min_score) return;
  if (std::optional<Candidate> c =
          read_run(rom_, table_, options_, layout_, shape, q - shape.ptable.offset, entries)) {
    c->score = score;
    found_.emplace_back(stride, std::move(*c));
  }
}

std::vector<Candidate> LengthSearch::candidates() {
  std::stable_sort(found_.begin(), found_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Candidate> mine;
  for (auto& [stride, c] : found_) mine.push_back(std::move(c));
  return mine;
}

} // namespace

std::vector<Candidate> find_length_tables(const RomView& rom, const CodeTable& table,
                                          const FinderOptions& options, const RomLayout& layout,
                                          unsigned size, ByteOrder order) {
  LengthSearch search(rom, table, options, layout, size, order);
  if (search.empty()) return {};
  for (std::uint64_t base = 0; base <= search.last_slot(); base += BLOCK) search.search_block(base);
  return search.candidates();
}

void add_length_tables(std::vector<Candidate> mine, std::vector<Candidate>& found) {
  // A run of found with a lower score that reads the same pointers goes.
  for (const Candidate& c : mine) {
    const PointerTable& t = c.ptable;
    const std::uint64_t first = std::uint64_t{t.at} + t.offset;
    const std::uint64_t last = first + std::uint64_t{t.count - 1} * t.stride;
    std::erase_if(found, [&](const Candidate& other) {
      const PointerTable& o = other.ptable;
      const std::uint64_t from = std::uint64_t{o.at} + o.offset;
      const std::uint64_t to = from + std::uint64_t{o.count - 1} * o.stride;
      return other.score < c.score && o.stride == t.stride && o.size == t.size && from <= last &&
             first <= to && (from > first ? from - first : first - from) % t.stride == 0;
    });
  }
  for (Candidate& c : mine) found.push_back(std::move(c));
}

} // namespace textdump
