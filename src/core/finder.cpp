#include "core/finder.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "core/rom_walk.hpp"

namespace textdump {

namespace {

constexpr std::uint32_t MAX_STRING = 1024;
constexpr std::uint16_t MIN_TEXT_KEYS = 3;
constexpr unsigned EXTRA_STRIDE = 8; // strides from the pointer size to 8 more

// What decoding from an offset gives, up to its end entry.
struct StringInfo {
  std::uint32_t end = 0;     // the offset after the end entry; 0 when none follows
  std::uint16_t texts = 0;   // text keys on the way
  std::uint16_t unknown = 0; // undefined bytes and keys that are no text on the way
};

struct Starts {
  std::vector<std::uint8_t> is_start; // by offset
  std::vector<std::uint32_t> end;     // by offset: where the text from there ends, or 0
};

bool is_text(EntryKind kind) {
  return kind == EntryKind::text || kind == EntryKind::line_break || kind == EntryKind::wait;
}

Starts find_starts(const RomView& rom, const CodeTable& table) {
  const std::size_t n = static_cast<std::size_t>(rom.size);
  std::vector<StringInfo> info(n + 1);
  std::vector<std::uint8_t> after_end(n + 1, 0);
  for (std::size_t p = n; p-- > 0;) {
    const WalkStep step = step_at(table, rom, p, n);
    const Entry& entry = table.entry(step.index);
    const auto next = static_cast<std::size_t>(step.next);
    if (entry.kind == EntryKind::end) {
      info[p] = {static_cast<std::uint32_t>(next), 0, 0};
      after_end[next] = 1;
      continue;
    }
    if (next >= n || info[next].end == 0 || info[next].end - p > MAX_STRING) continue;
    StringInfo here = info[next];
    if (is_text(entry.kind))
      here.texts = static_cast<std::uint16_t>(std::min(here.texts + 1, 0xFFFF));
    else if (entry.kind != EntryKind::control)
      here.unknown = static_cast<std::uint16_t>(std::min(here.unknown + 1, 0xFFFF));
    info[p] = here;
  }
  Starts starts{std::vector<std::uint8_t>(n, 0), std::vector<std::uint32_t>(n, 0)};
  for (std::size_t p = 0; p < n; ++p) {
    const StringInfo& s = info[p];
    if (s.end == 0 || s.texts < MIN_TEXT_KEYS || s.unknown * 4 > s.texts) continue;
    starts.end[p] = s.end;
    const bool boundary = p == 0 || after_end[p] != 0 || rom.data[p - 1] == 0x00 ||
                          rom.data[p - 1] == 0xFF || !is_text(table.at(rom.data[p - 1]).kind);
    starts.is_start[p] = boundary ? 1 : 0;
  }
  return starts;
}

// A run that could be a table, before it is judged.
struct Run {
  PointerTable ptable;
  std::vector<std::uint64_t> targets;
  double hit_rate = 0;
};

// -log10 of the expected number of runs as unlikely as this one by chance:
// every slot of every stride tried may begin one; each slot hits with the
// config's rate; k random hits come in ascending order once in k! and lie
// within a span D of the text's extent W with a chance of about k (D/W)^(k-1).
double score_of(const Run& run, const std::set<std::uint64_t>& distinct, std::uint64_t slots,
                std::uint64_t text_extent) {
  const double k = static_cast<double>(distinct.size());
  const double rate = std::max(run.hit_rate, 1e-9);
  double log_expected =
      std::log10(static_cast<double>(std::max<std::uint64_t>(slots, 1)) * (EXTRA_STRIDE + 1)) +
      k * std::log10(rate);
  if (std::is_sorted(run.targets.begin(), run.targets.end()) &&
      std::adjacent_find(run.targets.begin(), run.targets.end()) == run.targets.end())
    log_expected -= std::lgamma(k + 1) / std::log(10.0);
  const double span = static_cast<double>(*distinct.rbegin() - *distinct.begin() + 1);
  const double extent = static_cast<double>(std::max<std::uint64_t>(text_extent, 1));
  if (span < extent)
    log_expected += std::min(0.0, std::log10(k) + (k - 1) * std::log10(span / extent));
  return -log_expected;
}

// Most of the run's slots lie inside strings: text read as pointers.
bool inside_text(const Run& run, const std::vector<std::uint8_t>& in_text) {
  std::uint32_t inside = 0;
  for (std::uint32_t i = 0; i < run.ptable.count; ++i)
    inside += in_text[std::uint64_t{run.ptable.at} + std::uint64_t{i} * run.ptable.stride];
  return inside * 2 > run.ptable.count;
}

// The run's own slots lie outside the strings it points to.
bool outside_its_text(const Run& run, const Starts& starts) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> strings;
  for (const std::uint64_t t : run.targets) strings.emplace_back(t, starts.end[t]);
  std::sort(strings.begin(), strings.end());
  for (std::uint32_t i = 0; i < run.ptable.count; ++i) {
    const std::uint64_t slot = std::uint64_t{run.ptable.at} + std::uint64_t{i} * run.ptable.stride;
    const auto after = std::upper_bound(strings.begin(), strings.end(),
                                        std::make_pair(slot + run.ptable.size, std::uint64_t{0}));
    for (auto it = strings.begin(); it != after; ++it)
      if (it->second > slot && it->first < slot + run.ptable.size) return false;
  }
  return true;
}

} // namespace

std::uint64_t string_end_at(const RomView& rom, const CodeTable& table, std::uint64_t start,
                            std::uint64_t limit) {
  const Walk walk = walk_to_end(table, rom, start, std::min(limit, rom.size));
  return walk.met == WalkEnd::end_entry ? walk.reached : start;
}

std::vector<FinderMap> suggested_maps(const RomView& rom) {
  const RomLayout layout = layout_of(rom);
  std::vector<FinderMap> maps;
  for (const MapDescriptor& map : address_maps())
    if (map.suggested_by != nullptr && map.suggested_by(rom, layout)) maps.push_back({map.id, 0});
  return maps;
}

std::vector<Candidate> find_pointer_tables(const RomView& rom, const CodeTable& table,
                                           const FinderOptions& options) {
  std::vector<Candidate> found;
  if (rom.size < 4) return found;
  const Starts starts = find_starts(rom, table);
  const auto first_start = std::find(starts.is_start.begin(), starts.is_start.end(), 1);
  const auto last_start = std::find(starts.is_start.rbegin(), starts.is_start.rend(), 1);
  const std::uint64_t text_extent =
      first_start == starts.is_start.end()
          ? 0
          : static_cast<std::uint64_t>((starts.is_start.rend() - last_start) -
                                       (first_start - starts.is_start.begin()));
  const RomLayout layout = layout_of(rom);
  const std::size_t n = static_cast<std::size_t>(rom.size);
  // Offsets inside the strings that begin at starts.
  std::vector<std::uint8_t> in_text(n, 0);
  for (std::size_t p = 0, reach = 0; p < n; ++p) {
    if (starts.is_start[p] != 0) reach = std::max<std::size_t>(reach, starts.end[p]);
    in_text[p] = p < reach ? 1 : 0;
  }
  std::vector<std::uint8_t> hit(n, 0);
  std::vector<std::uint64_t> target(n, 0);
  std::vector<Run> runs;

  for (const FinderMap& map : options.maps) {
    const MapDescriptor& descriptor = map_of(map.map);
    for (const unsigned size : options.sizes) {
      if (!descriptor.takes_size(size)) continue;
      for (const ByteOrder order : {ByteOrder::le, ByteOrder::be}) {
        if (order == ByteOrder::be && !descriptor.searched_big_endian) continue;
        if (options.progress)
          options.progress(std::string(name_of(map.map)) + ", " + std::to_string(size) + "-byte " +
                           (order == ByteOrder::le ? "le" : "be"));
        PointerTable ptable;
        ptable.map = map.map;
        ptable.base = map.base;
        ptable.size = size;
        ptable.order = order;
        std::uint64_t hits = 0;
        const std::size_t slots = n - size + 1;
        for (std::size_t p = 0; p < slots; ++p) {
          const std::optional<std::uint64_t> t =
              map_pointer(descriptor, ptable, layout, pointer_value_at(rom, p, size, order), p);
          hit[p] = t && starts.is_start[*t] != 0 ? 1 : 0;
          if (hit[p]) {
            target[p] = *t;
            ++hits;
          }
        }
        const double rate = static_cast<double>(hits) / static_cast<double>(slots);
        for (unsigned stride = size; stride <= size + EXTRA_STRIDE; ++stride) {
          for (std::size_t p = 0; p < slots; ++p) {
            if (hit[p] == 0 || (p >= stride && hit[p - stride] != 0)) continue;
            Run run;
            run.ptable = ptable;
            run.ptable.at = static_cast<std::uint32_t>(p);
            run.ptable.stride = stride;
            run.hit_rate = rate;
            // The first string of a text block may follow bytes that read as
            // text, so it is no start: inside a run, and just before it, a slot
            // counts when its string ends where a start begins.
            const auto block_first = [&](std::size_t q) -> std::optional<std::uint64_t> {
              const std::optional<std::uint64_t> t =
                  map_pointer(descriptor, ptable, layout, pointer_value_at(rom, q, size, order), q);
              if (!t || starts.end[*t] == 0 || starts.end[*t] >= n ||
                  starts.is_start[starts.end[*t]] == 0)
                return std::nullopt;
              return t;
            };
            for (std::size_t q = p; q < slots; q += stride) {
              if (hit[q] != 0) {
                run.targets.push_back(target[q]);
                continue;
              }
              const std::optional<std::uint64_t> t = block_first(q);
              if (!t || q + stride >= slots || hit[q + stride] == 0) break;
              run.targets.push_back(*t);
            }
            if (p >= stride) {
              const std::optional<std::uint64_t> t = block_first(p - stride);
              if (t && starts.end[*t] == run.targets.front()) {
                run.targets.insert(run.targets.begin(), *t);
                run.ptable.at = static_cast<std::uint32_t>(p - stride);
              }
            }
            if (run.targets.size() < options.min_count) continue;
            run.ptable.count = static_cast<std::uint32_t>(run.targets.size());
            runs.push_back(std::move(run));
          }
        }
        std::fill(hit.begin(), hit.end(), std::uint8_t{0});
      }
    }
  }

  for (Run& run : runs) {
    const std::set<std::uint64_t> distinct(run.targets.begin(), run.targets.end());
    if (distinct.size() < 3) continue;
    const double score = score_of(run, distinct, n, text_extent);
    if (score < options.min_score || !outside_its_text(run, starts) || inside_text(run, in_text))
      continue;
    Candidate candidate;
    candidate.ptable = run.ptable;
    candidate.score = score;
    candidate.first_target = *distinct.begin();
    candidate.last_target = *distinct.rbegin();
    candidate.targets = std::move(run.targets);
    found.push_back(std::move(candidate));
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.score != b.score ? a.score > b.score : a.ptable.at < b.ptable.at;
  });
  // A run that overlaps a better one is a part of it, or the same table read another way.
  std::vector<Candidate> kept;
  for (Candidate& candidate : found) {
    const std::uint64_t from = candidate.ptable.at;
    const std::uint64_t to = from +
                             std::uint64_t{candidate.ptable.count - 1} * candidate.ptable.stride +
                             candidate.ptable.size;
    const auto overlapped = std::find_if(kept.begin(), kept.end(), [&](const Candidate& k) {
      const std::uint64_t k_from = k.ptable.at;
      const std::uint64_t k_to =
          k_from + std::uint64_t{k.ptable.count - 1} * k.ptable.stride + k.ptable.size;
      return from < k_to && k_from < to;
    });
    if (overlapped != kept.end()) {
      // The same table with the same targets: the ROM's own map says more than linear.
      if (overlapped->ptable.map == AddressMap::linear &&
          candidate.ptable.map != AddressMap::linear &&
          overlapped->ptable.at == candidate.ptable.at &&
          overlapped->targets == candidate.targets) {
        candidate.score = overlapped->score;
        *overlapped = std::move(candidate);
      }
      continue;
    }
    kept.push_back(std::move(candidate));
    if (kept.size() == options.top) break;
  }
  return kept;
}

} // namespace textdump
