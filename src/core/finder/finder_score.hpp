// How the pointer-table finder judges a run of pointers: its score (how
// unlikely such a run is by chance on this ROM) and whether it lies apart
// from text, which makes it a candidate or drops it (see core/finder/finder.hpp).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/finder/finder_starts.hpp"
#include "core/finder/finder_types.hpp"

namespace textdump {

// A run that could be a table, before it is judged.
struct Run {
  PointerTable ptable;
  std::vector<std::uint32_t> targets; // of the entries that are not null, in table order
  std::uint32_t null_entries = 0, empty_strings = 0;
  std::uint32_t no_start = 0; // targets that are no string start: empty or first strings
  double hit_rate = 0;        // of any slot of its map, size and byte order
  // The hits of its map, size and byte order that lead before each string
  // start and in all (one more than the starts); none: spread as the starts.
  std::span<const std::uint32_t> hits_below;
};

// What a run's score depends on.
struct RunShape {
  std::size_t distinct = 0; // of its targets
  std::uint32_t no_start = 0;
  double hit_rate = 0;
  bool ascending = false; // its targets strictly ascending in table order
  std::uint32_t lowest = 0, highest = 0;
  std::span<const std::uint32_t> hits_below; // as a Run's
};

// -log10 of the expected number of runs as unlikely as one of this shape by
// chance (see core/finder/finder.hpp); slots as for judge_run, start_list the
// starts in ascending order. The same shape gives the same score, bit for bit.
double score_of(const RunShape& shape, std::uint64_t slots,
                const std::vector<std::uint32_t>& start_list);

// The run as a candidate: at least three distinct targets, a score of at
// least min_score, outside the strings it points to and, unless its targets
// ascend or text takes half the ROM, not inside text.
// slots is the number of slots a run may begin at by chance: the ROM's size
// times the maps, sizes and byte orders searched.
std::optional<Candidate> judge_run(const Run& run, const Starts& starts, std::uint64_t slots,
                                   double min_score);

} // namespace textdump
