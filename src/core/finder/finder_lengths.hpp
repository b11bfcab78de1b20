// The finder's search for tables of strings of set length, which have no end
// entry and lie one after another in table order (or its reverse): tables whose entries hold
// a string's length beside its pointer, and tables of Pascal strings (a
// length of 1 or 2 bytes before the text, where the pointer leads).
//
// A length field is 1 or 2 bytes beside a pointer of a size the search
// takes, both at the start of an entry of their two sizes up to 32 bytes (the
// rest of a record after them), in either order and in one byte order.
// Pascal strings are searched at every stride from the pointer size to 32
// bytes (tables inside records), their lengths in the pointers' byte order.
// Entries follow one another when the next entry's pointer value lies exactly
// the entry's string (with its Pascal length) past its own, or, for length
// fields, in reverse: the next entry's string ends where the entry's begins
// (the candidate says so: reverse). A run of at least
// three such steps, and of the finder's least count of entries, is a
// candidate when, under one of the finder's maps (the last that reads it),
// every target lies inside the ROM, the strings decode as text (at least 9
// bytes in 10 are text keys) and the table lies outside them. Its score is
// -log10 of the expected number of such runs by chance: each step holds by
// chance once in 256 to the power of the pointer size.
#pragma once

#include <vector>

#include "core/finder/finder_types.hpp"

namespace textdump {

// The tables of strings of set length whose pointers have one size and byte
// order, scored, by stride, then offset.
std::vector<Candidate> find_length_tables(const RomView& rom, const CodeTable& table,
                                          const FinderOptions& options, const RomLayout& layout,
                                          unsigned size, ByteOrder order);

// Adds the tables of strings of set length to found; each takes the place of a
// run of found with a lower score that reads the same pointers.
void add_length_tables(std::vector<Candidate> mine, std::vector<Candidate>& found);

} // namespace textdump
