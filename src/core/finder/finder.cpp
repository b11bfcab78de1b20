#include "core/finder/finder.hpp"

#include <algorithm>
#include <atomic>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "core/decode/decode.hpp"
#include "core/finder/finder_lengths.hpp"
#include "core/finder/finder_runs.hpp"
#include "core/finder/finder_starts.hpp"
#include "core/finder/finder_tables.hpp"

namespace textdump {

namespace {

// One pass of a map, size and order; the first of each names them.
struct PassJob {
  PointerTable ptable;
  Pass pass;
  bool first = false;
};

// Every pass of every map, size and order searched; the passes into other
// banks than their tables' own of each map and order share an index, kept
// in indexes.
std::vector<PassJob> pass_jobs(const FinderOptions& options, const RomView& rom,
                               const Starts& starts, const RomLayout& layout,
                               std::deque<BankIndex>& indexes) {
  std::vector<PassJob> jobs;
  for (const FinderMap& map : options.maps) {
    const MapDescriptor& descriptor = map_of(map.map);
    for (const unsigned size : options.sizes) {
      for (const ByteOrder order : {ByteOrder::le, ByteOrder::be}) {
        if (!searched_as(descriptor, size, order)) continue;
        PassJob job;
        job.ptable.map = map.map;
        job.ptable.base = map.base;
        job.ptable.size = size;
        job.ptable.order = order;
        job.first = true;
        const BankIndex* index = nullptr;
        for (const Pass& pass : passes_of(descriptor, size, options, rom, layout)) {
          job.ptable.bank = pass.bank;
          job.pass = pass;
          if (pass.into && index == nullptr)
            index = &indexes.emplace_back(index_banks(rom, starts, layout, job.ptable,
                                                      *descriptor.switched_banks(rom, layout)));
          if (pass.into) job.pass.index = index;
          jobs.push_back(job);
          job.first = false;
        }
      }
    }
  }
  return jobs;
}

// Where a run may begin by chance: every slot of the ROM in each map, size
// and order searched, and for a pass into another bank than the tables' own,
// every slot of every such pass as well.
struct Trials {
  std::uint64_t own = 0, other_banks = 0;
};

Trials trials_of(const std::vector<PassJob>& jobs, std::uint64_t rom_size) {
  const auto configs = static_cast<std::uint64_t>(
      std::count_if(jobs.begin(), jobs.end(), [](const PassJob& job) { return job.first; }));
  Trials trials{rom_size * configs, rom_size * configs};
  for (const PassJob& job : jobs)
    if (job.pass.into) trials.other_banks += job.pass.to - job.pass.from;
  return trials;
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
  std::deque<BankIndex> indexes;
  const std::vector<PassJob> passes = pass_jobs(options, rom, starts, layout, indexes);
  const Trials trials = trials_of(passes, rom.size);
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
    search_pass(rom, starts, layout, options, job.ptable, job.pass,
                job.pass.into ? trials.other_banks : trials.own, scratch, found_by_job[j]);
  });

  std::vector<Candidate> found, of_set_length;
  for (std::size_t j = 0; j < found_by_job.size(); ++j)
    for (Candidate& candidate : found_by_job[j])
      (j < lengths.size() ? of_set_length : found).push_back(std::move(candidate));
  join_pieces(rom, starts, layout, options, found);
  add_length_tables(std::move(of_set_length), found);
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return a.score != b.score ? a.score > b.score : a.ptable.at < b.ptable.at;
  });
  return keep_best(rom, starts, layout, options, std::move(found));
}

} // namespace textdump
