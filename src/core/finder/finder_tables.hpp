// How the pointer-table finder makes tables of the candidates its passes and
// its search for strings of set length found (see core/finder/finder.hpp):
//
//   finder_pieces.cpp   runs into other banks than their own that lie back
//                       to back, each into another bank: pieces of one table
//   finder_keep.cpp     the best candidates, each run that overlaps a better
//                       one taken in by it (a part of it, another reading of
//                       it, another pointer column of its records) or kept
//                       beside it (another table nested in one of its records)
//   finder_columns.cpp  a table's records: every column of them that holds
//                       pointers to strings, and a closing null record
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/base/rom_view.hpp"
#include "core/finder/finder_starts.hpp"
#include "core/finder/finder_types.hpp"

namespace textdump {

// Joins, in found, the pieces of each table in pieces: runs of one map, size,
// byte order and stride into other banks than their own (ptable.bank set),
// each beginning where the one before ends (or inside its last entries,
// which it then loses), each into another bank than the one before; at
// least min_count entries each. The first piece keeps the others, its score
// their sum; the others leave found.
void join_pieces(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, std::vector<Candidate>& found);

// Best first, at most top of them (found sorted best first). A run that
// overlaps a better one is a part of it, the same table read another way or
// another pointer column of its records, which the better one takes in; or
// another table nested in one of its records (no longer than a record, at a
// finer stride, at least half its slots touching none of the better one's
// pointers), kept apart. Each candidate kept has
// every column of its records (add_columns) and its closing null record
// (add_closing_record).
std::vector<Candidate> keep_best(const RomView& rom, const Starts& starts, const RomLayout& layout,
                                 const FinderOptions& options, std::vector<Candidate> found);

// The other columns of a table in records (a stride of at least twice its
// pointer size): at each offset of its records that no column takes, the
// longest run of its records' slots that hold pointers to strings (string
// starts, empty strings, first strings of a block, up to MAX_GAP null
// entries in a row inside it), with at least two distinct string starts
// and min_count entries, over at least half its records; null entries at
// most a third of it, none at its ends. A column's slot in the record
// before the table's first, or after its last (one of them lies outside
// its records), joins it only when it leads to a string start. Columns
// with repeated values are columns too: their evidence is the records the
// table has already shown.
void add_columns(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, Candidate& table);

// The record after a table's last one, the list's end marker, joins the
// table, a null entry more in every column, when every column ends in the
// record before and holds 0 there, and the record's other bytes agree: zero,
// or as in the record before (for a table of one column, zero).
void add_closing_record(const RomView& rom, Candidate& table);

// The table of ptable as read from the ROM, every entry a pointer to a string
// start, an empty string, the first string of a block or a null entry;
// nothing when one is none of those.
std::optional<Candidate> read_table(const RomView& rom, const Starts& starts,
                                    const RomLayout& layout, const PointerTable& ptable);

} // namespace textdump
