#include "core/finder/finder.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "core/finder/finder_lengths.hpp"
#include "core/finder/finder_runs.hpp"
#include "core/finder/finder_starts.hpp"
#include "core/decode/decode.hpp"

namespace textdump {

namespace {

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

// The same table read better: at the same stride, a reading that takes in
// every slot of the other and more (a little-endian table read big-endian a
// byte on loses an entry); with the same targets, the ROM's own map says
// more than linear; and of two sizes, the wider one when the bytes it adds
// are the same in every entry (a bank byte, the zero top of an address),
// the narrower one when they vary (bytes the map ignores).
bool reads_better(const RomView& rom, const Candidate& kept, const Candidate& other) {
  const PointerTable &a = kept.ptable, &b = other.ptable;
  if (a.stride == b.stride && b.count > a.count && b.at <= a.at && end_of(b) >= end_of(a))
    return true;
  if (kept.targets != other.targets || a.stride != b.stride) return false;
  if (a.map == AddressMap::linear && b.map != AddressMap::linear) return a.at == b.at;
  if (a.map != b.map || a.size == b.size) return false;
  const PointerTable &wide = a.size > b.size ? a : b, &narrow = a.size > b.size ? b : a;
  // The pointers' own bytes: in entries that hold a length too, past it.
  const std::uint64_t wide_at = std::uint64_t{wide.at} + wide.offset;
  const std::uint64_t narrow_at = std::uint64_t{narrow.at} + narrow.offset;
  bool constant = true;
  for (std::uint32_t i = 1; i < std::min(wide.count, narrow.count) && constant; ++i)
    for (std::uint64_t at = wide_at; at < wide_at + wide.size; ++at) {
      if (at >= narrow_at && at < narrow_at + narrow.size) continue;
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
    const auto overlaps = [&](const Candidate& k) {
      return candidate.ptable.at < end_of(k.ptable) && k.ptable.at < end_of(candidate.ptable);
    };
    const auto overlapped = std::find_if(kept.begin(), kept.end(), overlaps);
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
    const auto same = std::find_if(columns.begin(), columns.end(), overlaps);
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

// One pass of a map, size and order; the first of each names them.
struct PassJob {
  PointerTable ptable;
  std::size_t from = 0;
  bool first = false;
};

// Every pass of every map, size and order searched.
std::vector<PassJob> pass_jobs(const FinderOptions& options, const RomLayout& layout) {
  std::vector<PassJob> jobs;
  for (const FinderMap& map : options.maps) {
    const MapDescriptor& descriptor = map_of(map.map);
    for (const unsigned size : options.sizes) {
      for (const ByteOrder order : {ByteOrder::le, ByteOrder::be}) {
        if (!searched_as(descriptor, size, order)) continue;
        bool first = true;
        for (const Pass& pass : passes_of(descriptor, size, options, layout)) {
          PassJob job;
          job.ptable.map = map.map;
          job.ptable.base = map.base;
          job.ptable.size = size;
          job.ptable.order = order;
          job.ptable.bank = pass.bank;
          job.from = pass.from;
          job.first = std::exchange(first, false);
          jobs.push_back(job);
        }
      }
    }
  }
  return jobs;
}

// One search for strings of set length.
struct LengthJob {
  unsigned size = 0;
  ByteOrder order = ByteOrder::le;
};

// One for each byte order and size.
std::vector<LengthJob> length_jobs(const FinderOptions& options) {
  std::vector<LengthJob> jobs;
  for (const ByteOrder order : {ByteOrder::le, ByteOrder::be})
    for (const unsigned size : options.sizes) jobs.push_back({size, order});
  return jobs;
}

// Calls work_on(job, scratch) for every job below count, on two threads that
// take the jobs in turn, each with a scratch of its own; an exception on
// either is thrown here once both have stopped.
template <typename WorkOn> void on_two_threads(std::size_t count, WorkOn work_on) {
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    PassScratch scratch;
    for (std::size_t j = next++; j < count; j = next++) work_on(j, scratch);
  };
  std::exception_ptr failed;
  std::thread helper;
  if (count > 1)
    helper = std::thread([&] {
      try {
        work();
      } catch (...) {
        failed = std::current_exception();
        next = count;
      }
    });
  try {
    work();
  } catch (...) {
    next = count;
    if (helper.joinable()) helper.join();
    throw;
  }
  if (helper.joinable()) helper.join();
  if (failed) std::rethrow_exception(failed);
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
  if (rom.size < 4) return {};
  std::unique_ptr<SwitchWalker> switches;
  if (options.tables && has_switches(table))
    switches = std::make_unique<SwitchWalker>(table, *options.tables, rom);
  const Starts starts(rom, table, switches.get());
  const RomLayout layout = layout_of(rom);
  const std::vector<PassJob> passes = pass_jobs(options, layout);
  const auto configs = static_cast<std::uint64_t>(
      std::count_if(passes.begin(), passes.end(), [](const PassJob& job) { return job.first; }));
  // The searches for strings of set length go first, being the longest.
  const std::vector<LengthJob> lengths = length_jobs(options);

  // The candidates of each job, put back in the order of the jobs.
  std::vector<std::vector<Candidate>> found_by_job(lengths.size() + passes.size());
  std::mutex progress_lock;
  const auto tell = [&](const FinderProgress& progress) {
    if (!options.progress) return;
    const std::lock_guard<std::mutex> lock(progress_lock);
    options.progress(progress);
  };
  on_two_threads(found_by_job.size(), [&](std::size_t j, PassScratch& scratch) {
    if (j < lengths.size()) {
      const LengthJob& job = lengths[j];
      tell({true, AddressMap::linear, job.size, job.order});
      found_by_job[j] = find_length_tables(rom, table, options, layout, job.size, job.order);
      return;
    }
    const PassJob& job = passes[j - lengths.size()];
    if (job.first) tell({false, job.ptable.map, job.ptable.size, job.ptable.order});
    search_pass(rom, starts, layout, options, job.ptable, job.from, configs, scratch,
                found_by_job[j]);
  });

  std::vector<Candidate> found, of_set_length;
  for (std::size_t j = 0; j < found_by_job.size(); ++j)
    for (Candidate& candidate : found_by_job[j])
      (j < lengths.size() ? of_set_length : found).push_back(std::move(candidate));
  add_length_tables(std::move(of_set_length), found);
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.score != b.score ? a.score > b.score : a.ptable.at < b.ptable.at;
  });
  return keep_best(rom, std::move(found), options.top);
}

} // namespace textdump
