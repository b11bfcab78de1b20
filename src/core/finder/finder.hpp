// The pointer-table finder: runs of pointers whose values all lead to string
// starts, found under the address maps that a ROM may use. Its files:
//
//   finder.hpp          this header, the one other folders include: the search,
//                       the maps a ROM suggests, where a string ends
//   finder_types.hpp    the options and progress, a candidate, the shared limits
//   finder_starts.hpp   the string starts of a ROM and its empty strings
//   finder_runs.hpp     the passes: one a map, size, byte order and bank
//   finder_pass.hpp     a pass's steps (finder_runs.cpp, and finder_walks.cpp:
//                       the walks at one stride and the runs read from them)
//   finder_score.hpp    a run's score, and whether it is a candidate
//   finder_lengths.hpp  tables of strings of set length (lengths beside the
//                       pointers, in either order of the strings; Pascal
//                       strings)
//   finder_tables.hpp   the candidates made tables: pieces into other banks
//                       joined, the best kept, every column of their records
//                       and a closing null record (finder_pieces.cpp,
//                       finder_keep.cpp, finder_columns.cpp)
//   pointers_to.hpp     the slots that hold a pointer to one offset
//
// A string start is an offset where decoding through the table gives text (at
// least three text keys, few unknown bytes, up to an end entry within 1 KiB)
// and that follows an end entry, padding (0x00 or 0xFF), a byte that is not
// text, or the start of the ROM; the end entry of such a string, and one
// right after it, are empty strings. A slot in fill (its bytes and the 32
// on each side one byte repeated) holds no pointer that counts: its
// neighbours hold its value too. A candidate is a run of at least
// min_count consecutive slots at one stride (up to 32 bytes) whose values map
// to string starts, with at least three distinct targets, lying outside the
// text it points to; inside it, up to four null entries (0, or all ones of
// its size) in a row and one pointer to an empty string (or to the first
// string of a text block, which follows bytes that read as text) join it. Its
// score says how unlikely such a run is by chance on this ROM: -log10 of the
// expected number of runs as long as its count of distinct targets, in every
// map, size and byte order searched, given how often any slot of its own hits
// a string start and how many of those hits lead among its strings. A run
// whose slots at a finer stride mostly lead into its strings but to no start
// (a table of pointers a byte off, read at a multiple of its stride) is no
// candidate. A banked map's 16-bit tables are searched with their own bank,
// or the bank given; and when the ROM's header says its tables may point
// into other banks (a fixed bank, or any bank of a SNES ROM), bank by bank
// as well: runs of one kind back to back, each into another bank, are the
// pieces of one table. Runs that overlap a better candidate (parts of one
// table, or one table under another map or byte order) are dropped; one at
// the same stride in other bytes of its records is another pointer column of
// it. Every column of a candidate's records that holds pointers to strings
// is one of its columns, with repeated values too, over the records it
// spans; a record after its last whose pointers are all null and whose other
// bytes agree (the list's end) is counted in it. A table nested in one
// record of another is kept beside it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/base.hpp"
#include "core/finder/finder_types.hpp"
#include "core/finder/pointers_to.hpp"
#include "core/tables/tables.hpp"

namespace textdump {

// linear at base 0, and the maps that the ROM's own header suggests (each
// map's descriptor says how: the iNES magic, a Game Boy header whose checksum
// holds, a SNES header...), in the order of the registry.
std::vector<FinderMap> suggested_maps(const RomView& rom);

// Best first, at most options.top of them.
std::vector<Candidate> find_pointer_tables(const RomView& rom, const CodeTable& table,
                                           const FinderOptions& options);

// Where the string at a start ends (after its end entry); start itself when
// no end entry follows within the limit. For previews and the survey.
std::uint64_t string_end_at(const RomView& rom, const CodeTable& table, std::uint64_t start,
                            std::uint64_t limit, const std::vector<CodeTable>* tables = nullptr);

} // namespace textdump
