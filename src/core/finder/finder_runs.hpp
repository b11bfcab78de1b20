// The runs of the pointer-table finder: one search of a ROM under one map,
// pointer size, byte order and bank, from the slots whose values lead to
// string starts to the runs of them at every stride, each judged as it is
// found (see core/finder/finder.hpp for what joins a run).
//
// A search holds two bits, a byte and a 32-bit target for each ROM byte (its
// scratch, kept from one search to the next) and the run it is reading; the
// searches into other banks share an index of their slots by value. Its
// steps are core/finder/finder_pass.hpp's.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/finder/finder_pass.hpp"
#include "core/finder/finder_starts.hpp"
#include "core/finder/finder_types.hpp"

namespace textdump {

// One search of a map, size and order: the bank its 16-bit pointers point
// into (none: the bank of each pointer's table), the slots searched, and for
// a search of another bank than the tables' own (into), that bank, where
// its hits must lead, and the index of its slots (index_banks).
struct Pass {
  std::optional<std::uint32_t> bank;
  std::size_t from = 0, to = 0;
  std::optional<BankSpan> into;
  const BankIndex* index = nullptr;
};

// The bank given, or every slot with its own bank; and when the ROM's header
// says its tables may point into other banks (an iNES file of more than 32
// KiB of PRG, a Game Boy cartridge with a bank controller, a SNES header),
// those tables with each such bank, less the slots of that bank itself.
std::vector<Pass> passes_of(const MapDescriptor& map, unsigned size, const FinderOptions& options,
                            const RomView& rom, const RomLayout& layout);

// The index of the passes into other banks of ptable's map and byte order
// (16-bit pointers), read once for all of them: the slots of banks.tables
// whose values lead to a string start in one of banks.
BankIndex index_banks(const RomView& rom, const Starts& starts, const RomLayout& layout,
                      const PointerTable& ptable, const SwitchedBanks& banks);

// The candidates of one pass, in the order found (by stride, then slot), added
// to found. ptable holds the map, base, size, order and bank searched; trials
// is the number of slots where a run of its kind may begin by chance.
void search_pass(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, const PointerTable& ptable, const Pass& pass,
                 std::uint64_t trials, PassScratch& scratch, std::vector<Candidate>& found);

} // namespace textdump
