// The runs of the pointer-table finder: one search of a ROM under one map,
// pointer size, byte order and bank, from the slots whose values lead to
// string starts to the runs of them at every stride, each judged as it is
// found (see core/finder/finder.hpp for what joins a run).
//
// A search holds two bits, a byte and a 32-bit target for each ROM byte (its
// scratch, kept from one search to the next) and the run it is reading. Its steps are
// core/finder/finder_pass.hpp's.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/finder/finder_pass.hpp"
#include "core/finder/finder_starts.hpp"
#include "core/finder/finder_types.hpp"

namespace textdump {

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
                            const RomLayout& layout);

// The candidates of one pass, in the order found (by stride, then slot), added
// to found. ptable holds the map, base, size, order and bank searched.
void search_pass(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, const PointerTable& ptable, std::size_t from,
                 std::uint64_t configs, PassScratch& scratch, std::vector<Candidate>& found);

} // namespace textdump
