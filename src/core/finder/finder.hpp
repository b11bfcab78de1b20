// The pointer-table finder: runs of pointers whose values all lead to string
// starts, found under the address maps that a ROM may use.
//
// A string start is an offset where decoding through the table gives text (at
// least three text keys, few unknown bytes, up to an end entry within 1 KiB)
// and that follows an end entry, padding (0x00 or 0xFF), a byte that is not
// text, or the start of the ROM; the end entry of such a string, and one
// right after it, are empty strings. A candidate is a run of at least
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
// candidate. Runs that overlap a better candidate (parts of one table, or one
// table under another map or byte order) are dropped; one at the same stride
// in other bytes of its records is another pointer column of it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/code_table.hpp"
#include "core/maps/pointer_table.hpp"
#include "core/base/rom_view.hpp"

namespace textdump {

struct FinderMap {
  AddressMap map = AddressMap::linear;
  std::int64_t base = 0; // linear only
};

struct FinderOptions {
  std::vector<FinderMap> maps;
  std::vector<unsigned> sizes{2, 3, 4};
  std::uint32_t min_count = 4;
  std::size_t top = 5;
  double min_score = 3.0;            // the expected number of such runs by chance is at most 10^-3
  std::optional<std::uint32_t> bank; // the bank 16-bit pointers of banked maps point into
  std::function<void(std::string_view)> progress; // told what is searched, now and then
  // A standard file's tables: text read through the starting table's
  // switches counts as text read through it.
  const std::vector<CodeTable>* tables = nullptr;
};

struct Candidate {
  PointerTable ptable;
  double score = 0;
  std::vector<std::uint64_t> targets; // in table order, of the entries that are not null
  std::uint64_t first_target = 0, last_target = 0;
  std::uint32_t null_entries = 0;  // inside the table, counted in its count
  std::uint32_t empty_strings = 0; // pointers to an end entry
  unsigned pascal = 0;             // Pascal strings: the bytes of the length before each
  // The other pointer columns of the same records, each a table of its own, by offset.
  std::vector<Candidate> columns;
};

// linear at base 0, and the maps that the ROM's own header suggests (each
// map's descriptor says how: the iNES magic, a Game Boy header whose checksum
// holds, a SNES header...), in the order of the registry.
std::vector<FinderMap> suggested_maps(const RomView& rom);

// Best first, at most options.top of them.
std::vector<Candidate> find_pointer_tables(const RomView& rom, const CodeTable& table,
                                           const FinderOptions& options);

// Where the string at a start ends (after its end entry); start itself when
// no end entry follows within the limit. For previews.
std::uint64_t string_end_at(const RomView& rom, const CodeTable& table, std::uint64_t start,
                            std::uint64_t limit, const std::vector<CodeTable>* tables = nullptr);

} // namespace textdump
