#include "core/finder_lengths.hpp"

#include <algorithm>
#include <cmath>

#include "core/rom_walk.hpp"

namespace textdump {

namespace {

constexpr std::uint32_t MAX_LENGTH = 1024; // the longest string a length may give
constexpr std::uint32_t MIN_STEPS = 3;

// Where an entry's pointer and its string's length lie: a length field of
// the entry, or (pascal) a length before the string, for one map's pointers.
struct Shape {
  PointerTable ptable; // size, order, stride, offset, length; map and base for pascal
  unsigned pascal = 0;
};

std::vector<unsigned> strides_from(unsigned tight) {
  std::vector<unsigned> strides{tight, 4, 8};
  std::erase_if(strides, [&](unsigned stride) { return stride < tight; });
  strides.erase(std::unique(strides.begin(), strides.end()), strides.end());
  return strides;
}

bool searched(const MapDescriptor& map, unsigned size, ByteOrder order) {
  return map.takes_size(size) && (order == ByteOrder::le || map.searched_big_endian);
}

// The shapes searched at one pointer size, byte order and stride: length
// fields before and after the pointer, and Pascal strings under each map.
std::vector<Shape> shapes_of(const FinderOptions& options, unsigned size, ByteOrder order,
                             unsigned stride) {
  std::vector<Shape> shapes;
  PointerTable ptable;
  ptable.size = size;
  ptable.order = order;
  ptable.stride = stride;
  const auto takes = [&](unsigned tight) {
    const std::vector<unsigned> strides = strides_from(tight);
    return std::find(strides.begin(), strides.end(), stride) != strides.end();
  };
  for (const unsigned length_size : {1u, 2u}) {
    if (!takes(size + length_size)) continue;
    ptable.offset = length_size;
    ptable.length = LengthField{0, length_size};
    shapes.push_back({ptable, 0});
    ptable.offset = 0;
    ptable.length = LengthField{size, length_size};
    shapes.push_back({ptable, 0});
  }
  ptable.offset = 0;
  ptable.length.reset();
  if (!takes(size)) return shapes;
  for (const FinderMap& map : options.maps) {
    if (!searched(map_of(map.map), size, order)) continue;
    ptable.map = map.map;
    ptable.base = map.base;
    for (const unsigned pascal : {1u, 2u}) shapes.push_back({ptable, pascal});
  }
  return shapes;
}

bool is_text(EntryKind kind) {
  return kind == EntryKind::text || kind == EntryKind::line_break || kind == EntryKind::wait;
}

// The text keys' bytes of [from, to).
std::uint64_t text_bytes(const CodeTable& table, const RomView& rom, std::uint64_t from,
                         std::uint64_t to) {
  std::uint64_t text = 0;
  for (std::uint64_t pos = from; pos < to;) {
    const WalkStep step = step_at(table, rom, pos, to);
    if (is_text(table.entry(step.index).kind)) text += step.next - pos;
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
    if (!searched(descriptor, shape.ptable.size, shape.ptable.order) ||
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
    std::uint64_t end = 0, text = 0, length_bytes = 0;
    bool reads = true;
    for (std::uint32_t i = 0; i < count && reads; ++i) {
      const std::uint64_t entry = at + std::uint64_t{i} * ptable.stride;
      const std::uint64_t slot = entry + ptable.offset;
      const auto target = map_pointer(descriptor, ptable, layout,
                                      pointer_value_at(rom, slot, ptable.size, ptable.order), slot);
      reads = target && (c.targets.empty() || *target == end);
      if (!reads) break;
      const std::optional<std::uint32_t> length =
          ptable.length ? read_pointer_value(rom, entry + ptable.length->at, ptable.length->size,
                                             ptable.order)
                        : read_pointer_value(rom, *target, shape.pascal, ptable.order);
      const std::uint64_t from = *target + shape.pascal;
      reads = length && *length != 0 && from + *length <= rom.size;
      if (!reads) break;
      c.targets.push_back(*target);
      end = from + *length;
      text += text_bytes(table, rom, from, end);
      length_bytes += *length;
    }
    const std::uint64_t table_end = at + std::uint64_t{count} * ptable.stride;
    if (!reads || (c.targets.front() < table_end && at < end) || text * 10 < length_bytes * 9)
      continue;
    c.first_target = c.targets.front();
    c.last_target = c.targets.back();
    best = std::move(c);
  }
  return best;
}

// Every stride of a shape of the pointer size.
std::vector<unsigned> strides_of(unsigned size) {
  std::vector<unsigned> strides;
  for (const unsigned tight : {size, size + 1, size + 2})
    for (const unsigned stride : strides_from(tight)) strides.push_back(stride);
  std::sort(strides.begin(), strides.end());
  strides.erase(std::unique(strides.begin(), strides.end()), strides.end());
  return strides;
}

// The runs of the shapes of one stride (their pointer size and byte order),
// by the pointer slot q. Most slots fail at once: the next pointer's value
// lies no string's length past this one's.
void search_stride(const RomView& rom, const CodeTable& table, const FinderOptions& options,
                   const RomLayout& layout, const std::vector<Shape>& shapes,
                   std::vector<Candidate>& mine) {
  if (shapes.empty()) return;
  const PointerTable& format = shapes.front().ptable;
  const unsigned size = format.size, stride = format.stride;
  const ByteOrder order = format.order;
  const std::uint64_t n = rom.size;
  if (n < 2 * std::uint64_t{stride} + size + 2) return;
  const std::uint64_t last = n - stride - size - 2; // a length may follow the next pointer
  const double chances = std::log10(static_cast<double>(std::max<std::uint64_t>(n, 1)) * 64.0 *
                                    static_cast<double>(options.sizes.size()));
  const auto holds = [&](const Shape& shape, std::uint64_t q) {
    const PointerTable& t = shape.ptable;
    if (q < t.offset) return false;
    const std::uint32_t from = pointer_value_at(rom, q, size, order);
    const std::uint32_t to = pointer_value_at(rom, q + stride, size, order);
    if (to <= from || to - from > MAX_LENGTH + 2) return false;
    const std::uint32_t d = to - from;
    if (t.length)
      return pointer_value_at(rom, q - t.offset + t.length->at, t.length->size, order) == d;
    if (d <= shape.pascal || (shape.pascal == 1 && d > 0x100)) return false;
    const auto target = map_pointer(map_of(t.map), t, layout, from, q);
    if (!target) return false;
    const auto length = read_pointer_value(rom, *target, shape.pascal, order);
    return length && *length + shape.pascal == d;
  };
  std::vector<std::uint32_t> ring(stride, 0); // the shapes that held stride slots before
  for (std::uint64_t q = 0; q <= last; ++q) {
    std::uint32_t& before = ring[q % stride];
    // The fast miss, for every shape.
    const std::uint32_t from = pointer_value_at(rom, q, size, order);
    const std::uint32_t to = pointer_value_at(rom, q + stride, size, order);
    if (to <= from || to - from > MAX_LENGTH + 2) {
      before = 0;
      continue;
    }
    std::uint32_t now = 0;
    for (std::size_t k = 0; k < shapes.size(); ++k) {
      if (!holds(shapes[k], q)) continue;
      now |= 1u << k;
      if ((before >> k & 1u) != 0) continue; // inside a run begun before
      std::uint32_t steps = 1;
      while (q + std::uint64_t{steps} * stride <= last &&
             holds(shapes[k], q + std::uint64_t{steps} * stride))
        ++steps;
      const std::uint32_t count = steps + 1;
      const double score = steps * 8.0 * size * std::log10(2.0) - chances;
      if (steps < MIN_STEPS || count < options.min_count || score < options.min_score) continue;
      if (std::optional<Candidate> c = read_run(rom, table, options, layout, shapes[k],
                                                q - shapes[k].ptable.offset, count)) {
        c->score = score;
        mine.push_back(std::move(*c));
      }
    }
    before = now;
  }
}

} // namespace

void add_length_tables(const RomView& rom, const CodeTable& table, const FinderOptions& options,
                       std::vector<Candidate>& found) {
  const RomLayout layout = layout_of(rom);
  std::vector<Candidate> mine;
  for (const ByteOrder order : {ByteOrder::le, ByteOrder::be})
    for (const unsigned size : options.sizes)
      for (const unsigned stride : strides_of(size))
        search_stride(rom, table, options, layout, shapes_of(options, size, order, stride), mine);
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
