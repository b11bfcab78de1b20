#include "core/finder.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

#include "core/finder_lengths.hpp"
#include "core/rom_walk.hpp"
#include "core/switch_walker.hpp"

namespace textdump {

namespace {

constexpr std::uint32_t MAX_STRING = 1024;
constexpr std::uint16_t MIN_TEXT_KEYS = 3;
constexpr unsigned MAX_STRIDE = 32; // strides from the pointer size to 32 bytes
constexpr unsigned MAX_GAP = 4;     // null or empty entries in a row inside a run
constexpr unsigned MAX_LEADING = 2; // entries before a run's first hit that join it

// What decoding from an offset gives, up to its end entry.
struct StringInfo {
  std::uint32_t end = 0;     // the offset after the end entry; 0 when none follows
  std::uint16_t texts = 0;   // text keys on the way
  std::uint16_t unknown = 0; // undefined bytes and keys that are no text on the way
};

struct Starts {
  std::vector<std::uint8_t> is_start; // by offset
  std::vector<std::uint32_t> end;     // by offset: where the text from there ends, or 0
  // By offset: an empty string, the end entry of a string that starts at a
  // start, or an end entry right after one.
  std::vector<std::uint8_t> is_empty;
};

bool is_text(EntryKind kind) {
  return kind == EntryKind::text || kind == EntryKind::line_break || kind == EntryKind::wait;
}

Starts find_starts(const RomView& rom, const CodeTable& table, SwitchWalker* switches) {
  const std::size_t n = static_cast<std::size_t>(rom.size);
  std::vector<StringInfo> info(n + 1);
  std::vector<std::uint8_t> after_end(n + 1, 0);
  std::vector<std::uint32_t> end_entry(n + 1, 0); // by its end: where an end entry begins, + 1
  for (std::size_t p = n; p-- > 0;) {
    WalkStep step = step_at(table, rom, p, n);
    const Entry& entry = table.entry(step.index);
    Decoder::SwitchRun frames; // what a switch's frames read, as one key
    if (switches && entry.kind == EntryKind::frames) {
      const SwitchWalker::Run run = switches->run(p, n);
      step.next = std::min<std::uint64_t>(run.to, n);
      frames = run.read;
    }
    const auto next = static_cast<std::size_t>(step.next);
    const auto capped = [](std::uint32_t count) {
      return static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 0xFFFF));
    };
    if (entry.kind == EntryKind::end || frames.ended) {
      info[p] = {static_cast<std::uint32_t>(next), capped(frames.texts), capped(frames.unknown)};
      after_end[next] = 1;
      if (!frames.ended) end_entry[next] = static_cast<std::uint32_t>(p + 1);
      continue;
    }
    if (next >= n || info[next].end == 0 || info[next].end - p > MAX_STRING) continue;
    StringInfo here = info[next];
    if (is_text(entry.kind))
      here.texts = static_cast<std::uint16_t>(std::min(here.texts + 1, 0xFFFF));
    else if (entry.kind != EntryKind::control && !(switches && entry.kind == EntryKind::frames))
      here.unknown = static_cast<std::uint16_t>(std::min(here.unknown + 1, 0xFFFF));
    here.texts = capped(here.texts + frames.texts);
    here.unknown = capped(here.unknown + frames.unknown);
    info[p] = here;
  }
  Starts starts{std::vector<std::uint8_t>(n, 0), std::vector<std::uint32_t>(n, 0),
                std::vector<std::uint8_t>(n, 0)};
  for (std::size_t p = 0; p < n; ++p) {
    const StringInfo& s = info[p];
    if (s.end == 0 || s.texts < MIN_TEXT_KEYS || s.unknown * 4 > s.texts) continue;
    starts.end[p] = s.end;
    const bool boundary = p == 0 || after_end[p] != 0 || rom.data[p - 1] == 0x00 ||
                          rom.data[p - 1] == 0xFF || !is_text(table.at(rom.data[p - 1]).kind);
    starts.is_start[p] = boundary ? 1 : 0;
  }
  for (std::size_t p = 0; p < n; ++p) {
    if (starts.is_start[p] == 0) continue;
    const std::uint32_t own = end_entry[starts.end[p]];
    if (own != 0) starts.is_empty[own - 1] = 1;
    // One more end entry right after it: a second, empty string.
    const std::uint32_t after = starts.end[p];
    if (after < n && info[after].end != 0 && end_entry[info[after].end] == after + 1)
      starts.is_empty[after] = 1;
  }
  return starts;
}

// A run that could be a table, before it is judged.
struct Run {
  PointerTable ptable;
  std::vector<std::uint64_t> targets; // of the entries that are not null
  std::uint32_t null_entries = 0, empty_strings = 0;
  std::uint32_t no_start = 0; // targets that are no string start: empty or first strings
  double hit_rate = 0;
};

// -log10 of the expected number of runs as unlikely as this one by chance:
// every slot of every stride tried may begin one; each slot hits with the
// config's rate; k random hits come in ascending order once in k! and lie
// among the S starts of a span that holds s of them with a chance of about
// k (s/S)^(k-1): random bytes around a dense block of strings land in it.
// k counts the distinct string starts: the targets that are none add nothing.
double score_of(const Run& run, const std::set<std::uint64_t>& distinct, std::uint64_t slots,
                const std::vector<std::uint64_t>& start_list) {
  const double k =
      static_cast<double>(distinct.size() - std::min<std::size_t>(run.no_start, distinct.size()));
  const double rate = std::max(run.hit_rate, 1e-9);
  double log_expected =
      std::log10(static_cast<double>(std::max<std::uint64_t>(slots, 1)) * (MAX_STRIDE - 1)) +
      k * std::log10(rate);
  if (std::is_sorted(run.targets.begin(), run.targets.end()) &&
      std::adjacent_find(run.targets.begin(), run.targets.end()) == run.targets.end())
    log_expected -= std::lgamma(k + 1) / std::log(10.0);
  const auto from = std::lower_bound(start_list.begin(), start_list.end(), *distinct.begin());
  const auto to = std::upper_bound(from, start_list.end(), *distinct.rbegin());
  const double within = static_cast<double>(std::max<std::ptrdiff_t>(to - from, 1));
  const double all = static_cast<double>(std::max<std::size_t>(start_list.size(), 1));
  if (within < all && k > 0)
    log_expected += std::min(0.0, std::log10(k) + (k - 1) * std::log10(within / all));
  return -log_expected;
}

// Most of the run's slots lie inside strings that begin before it or at its
// first slot: text read as pointers. A slot is judged by the run it belongs
// to: strings that begin among its pointers are pointer bytes that decode.
// reach[p]: the furthest end of the strings that begin at or before p.
bool inside_text(const Run& run, const std::vector<std::uint32_t>& reach) {
  const std::uint64_t until = reach[run.ptable.at];
  std::uint32_t inside = 0;
  for (std::uint32_t i = 0; i < run.ptable.count; ++i)
    inside += std::uint64_t{run.ptable.at} + std::uint64_t{i} * run.ptable.stride < until ? 1 : 0;
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

std::uint64_t end_of(const PointerTable& ptable) {
  return std::uint64_t{ptable.at} + std::uint64_t{ptable.count - 1} * ptable.stride + ptable.size;
}

// Another pointer column of the records of kept: the same kind of pointer at
// the same stride, in bytes of the records that no column of kept takes.
bool another_column(const Candidate& kept, const Candidate& other) {
  const PointerTable &a = kept.ptable, &b = other.ptable;
  if (a.map != b.map || a.size != b.size || a.order != b.order || a.stride != b.stride ||
      a.base != b.base || a.bank != b.bank || a.stride < 2 * a.size)
    return false;
  const auto apart = [&](const PointerTable& c) {
    const std::int64_t stride = c.stride;
    const std::int64_t d = ((std::int64_t{b.at} - std::int64_t{c.at}) % stride + stride) % stride;
    return d >= std::int64_t{c.size} && stride - d >= std::int64_t{c.size};
  };
  if (!apart(a)) return false;
  return std::all_of(kept.columns.begin(), kept.columns.end(),
                     [&](const Candidate& column) { return apart(column.ptable); });
}

// The same table with the same targets read better: the ROM's own map says
// more than linear; and of two sizes, the wider one when the bytes it adds
// are the same in every entry (a bank byte, the zero top of an address),
// the narrower one when they vary (bytes the map ignores).
bool reads_better(const RomView& rom, const Candidate& kept, const Candidate& other) {
  const PointerTable &a = kept.ptable, &b = other.ptable;
  if (kept.targets != other.targets || a.stride != b.stride) return false;
  if (a.map == AddressMap::linear && b.map != AddressMap::linear) return a.at == b.at;
  if (a.map != b.map || a.size == b.size) return false;
  const PointerTable &wide = a.size > b.size ? a : b, &narrow = a.size > b.size ? b : a;
  bool constant = true;
  for (std::uint32_t i = 1; i < std::min(wide.count, narrow.count) && constant; ++i)
    for (std::uint64_t at = wide.at; at < wide.at + wide.size; ++at) {
      if (at >= narrow.at && at < narrow.at + narrow.size) continue;
      const std::uint64_t here = at + std::uint64_t{i} * wide.stride;
      constant = constant && here < rom.size && rom.data[here] == rom.data[at];
    }
  return constant == (b.size > a.size);
}

// Best first, at most top of them. A run that overlaps a better one is a part
// of it, the same table read another way, or another pointer column of its
// records, which the better one takes in.
std::vector<Candidate> keep_best(const RomView& rom, std::vector<Candidate> found,
                                 std::size_t top) {
  std::vector<Candidate> kept;
  const auto replace = [](Candidate& old, Candidate& better) {
    better.score = old.score;
    better.columns = std::move(old.columns);
    old = std::move(better);
  };
  for (Candidate& candidate : found) {
    const std::uint64_t from = candidate.ptable.at, to = end_of(candidate.ptable);
    const auto overlapped = std::find_if(kept.begin(), kept.end(), [&](const Candidate& k) {
      return from < end_of(k.ptable) && k.ptable.at < to;
    });
    if (overlapped == kept.end()) {
      kept.push_back(std::move(candidate));
      if (kept.size() == top) break;
      continue;
    }
    if (reads_better(rom, *overlapped, candidate)) {
      replace(*overlapped, candidate);
      continue;
    }
    std::vector<Candidate>& columns = overlapped->columns;
    const auto same = std::find_if(columns.begin(), columns.end(), [&](const Candidate& k) {
      return from < end_of(k.ptable) && k.ptable.at < to;
    });
    if (same != columns.end()) {
      if (reads_better(rom, *same, candidate)) replace(*same, candidate);
    } else if (another_column(*overlapped, candidate)) {
      columns.push_back(std::move(candidate));
    }
    std::sort(columns.begin(), columns.end(),
              [](const Candidate& a, const Candidate& b) { return a.ptable.at < b.ptable.at; });
  }
  return kept;
}

// One search of a map, size and order: the bank its 16-bit pointers point
// into (none: the bank of each pointer's table) and the first slot searched.
struct Pass {
  std::optional<std::uint32_t> bank;
  std::size_t from = 0;
};

// The bank given, or every slot with its own bank; and when the ROM keeps a
// fixed bank (an iNES file of more than 32 KiB of PRG), the tables in it with
// each switched bank as the one their pointers point into.
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

} // namespace

std::uint64_t string_end_at(const RomView& rom, const CodeTable& table, std::uint64_t start,
                            std::uint64_t limit, const std::vector<CodeTable>* tables) {
  std::unique_ptr<SwitchWalker> switches;
  if (tables && has_switches(table)) switches = std::make_unique<SwitchWalker>(table, *tables, rom);
  const Walk walk = walk_to_end(table, rom, start, std::min(limit, rom.size), switches.get());
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
  std::unique_ptr<SwitchWalker> switches;
  if (options.tables && has_switches(table))
    switches = std::make_unique<SwitchWalker>(table, *options.tables, rom);
  const Starts starts = find_starts(rom, table, switches.get());
  std::vector<std::uint64_t> start_list;
  for (std::size_t p = 0; p < starts.is_start.size(); ++p)
    if (starts.is_start[p] != 0) start_list.push_back(p);
  const RomLayout layout = layout_of(rom);
  const std::size_t n = static_cast<std::size_t>(rom.size);
  // The furthest end of the strings that begin at or before each offset.
  std::vector<std::uint32_t> reach(n, 0);
  for (std::size_t p = 0; p < n; ++p) {
    reach[p] = p > 0 ? reach[p - 1] : 0;
    if (starts.is_start[p] != 0) reach[p] = std::max(reach[p], starts.end[p]);
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
        for (const Pass& pass : passes_of(descriptor, size, options, layout)) {
          PointerTable ptable;
          ptable.map = map.map;
          ptable.base = map.base;
          ptable.size = size;
          ptable.order = order;
          ptable.bank = pass.bank;
          std::uint64_t hits = 0;
          const std::size_t slots = n - size + 1;
          const auto value_at = [&](std::size_t q) {
            return pointer_value_at(rom, q, size, order);
          };
          for (std::size_t p = pass.from; p < slots; ++p) {
            const std::optional<std::uint64_t> t =
                map_pointer(descriptor, ptable, layout, value_at(p), p);
            hit[p] = t && starts.is_start[*t] != 0 ? 1 : 0;
            if (hit[p]) {
              target[p] = *t;
              ++hits;
            }
          }
          const double rate = static_cast<double>(hits) /
                              static_cast<double>(std::max<std::size_t>(slots - pass.from, 1));
          // A slot that is no hit but may stand inside a table: a null entry
          // (0, or all ones of its size), a pointer to an empty string, or to
          // the first string of a text block (which may follow bytes that read
          // as text, so it is no start: its string ends where a start or an
          // empty string begins).
          enum class Soft { none, null, empty, first };
          const auto soft_at = [&](std::size_t q, std::uint64_t& t) {
            const std::uint32_t value = value_at(q);
            const std::optional<std::uint64_t> mapped =
                map_pointer(descriptor, ptable, layout, value, q);
            const std::uint32_t all_ones = size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
            if (value == 0 || value == all_ones) return Soft::null;
            if (!mapped) return Soft::none;
            t = *mapped;
            if (starts.is_empty[t] != 0) return Soft::empty;
            if (starts.end[t] != 0 && starts.end[t] < n &&
                (starts.is_start[starts.end[t]] != 0 || starts.is_empty[starts.end[t]] != 0))
              return Soft::first;
            return Soft::none;
          };
          for (unsigned stride = size; stride <= MAX_STRIDE; ++stride) {
            for (std::size_t p = pass.from; p < slots; ++p) {
              if (hit[p] == 0 || (p >= stride && hit[p - stride] != 0)) continue;
              Run run;
              run.ptable = ptable;
              run.ptable.at = static_cast<std::uint32_t>(p);
              run.ptable.stride = stride;
              run.hit_rate = rate;
              // Soft slots between hits join the run; after its last hit only
              // a pointer to an empty string does.
              std::vector<std::pair<Soft, std::uint64_t>> pending;
              std::size_t last = p;
              std::uint64_t low = target[p], high = target[p];
              const auto take = [&](Soft kind, std::uint64_t t) {
                if (kind == Soft::null) {
                  ++run.null_entries;
                  return;
                }
                run.targets.push_back(t);
                run.empty_strings += kind == Soft::empty ? 1 : 0;
                ++run.no_start;
              };
              for (std::size_t q = p; q < slots; q += stride) {
                if (hit[q] != 0) {
                  for (const auto& [kind, t] : pending) take(kind, t);
                  pending.clear();
                  run.targets.push_back(target[q]);
                  low = std::min(low, target[q]);
                  high = std::max(high, target[q]);
                  last = q;
                  continue;
                }
                std::uint64_t t = 0;
                const Soft kind = soft_at(q, t);
                // Up to MAX_GAP in a row, one of them at most a string that is no start.
                const bool second = kind == Soft::first &&
                                    std::any_of(pending.begin(), pending.end(), [](const auto& e) {
                                      return e.first == Soft::first;
                                    });
                if (kind == Soft::none || second || pending.size() == MAX_GAP) break;
                pending.emplace_back(kind, t);
              }
              // An empty string among the run's own strings.
              const auto near = [&](std::uint64_t t) {
                return t + MAX_STRING >= low && t <= high + MAX_STRING;
              };
              if (!pending.empty() && pending.front().first == Soft::empty &&
                  near(pending.front().second)) {
                take(Soft::empty, pending.front().second);
                last += stride;
              }
              // Before the first hit: pointers to the string just before its
              // first one, and to empty strings among its own.
              for (unsigned lead = 0; lead < MAX_LEADING && run.ptable.at >= stride; ++lead) {
                std::uint64_t t = 0;
                const Soft kind = soft_at(run.ptable.at - stride, t);
                if (kind == Soft::first ? starts.end[t] != run.targets.front()
                                        : kind != Soft::empty || !near(t))
                  break;
                run.targets.insert(run.targets.begin(), t);
                run.empty_strings += kind == Soft::empty ? 1 : 0;
                ++run.no_start;
                run.ptable.at -= stride;
              }
              // Pointers to empty strings only lengthen a run; null entries are
              // at most a quarter of it.
              if (run.targets.size() - run.empty_strings < options.min_count ||
                  run.null_entries * 3 > run.targets.size())
                continue;
              run.ptable.count = static_cast<std::uint32_t>((last - run.ptable.at) / stride + 1);
              runs.push_back(std::move(run));
            }
          }
          std::fill(hit.begin() + static_cast<std::ptrdiff_t>(pass.from), hit.end(),
                    std::uint8_t{0});
        }
      }
    }
  }

  for (Run& run : runs) {
    const std::set<std::uint64_t> distinct(run.targets.begin(), run.targets.end());
    if (distinct.size() < 3) continue;
    const double score = score_of(run, distinct, n, start_list);
    if (score < options.min_score || !outside_its_text(run, starts) || inside_text(run, reach))
      continue;
    Candidate candidate;
    candidate.ptable = run.ptable;
    candidate.score = score;
    candidate.first_target = *distinct.begin();
    candidate.last_target = *distinct.rbegin();
    candidate.targets = std::move(run.targets);
    candidate.null_entries = run.null_entries;
    candidate.empty_strings = run.empty_strings;
    found.push_back(std::move(candidate));
  }
  add_length_tables(rom, table, options, found);
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.score != b.score ? a.score > b.score : a.ptable.at < b.ptable.at;
  });
  return keep_best(rom, std::move(found), options.top);
}

} // namespace textdump
