// The insertion table of the test inserter of Atlas scripts: "XX=text"
// entries, "/XX=label" end tokens (a string ends after one) and "*XX" line
// breaks, read from a file's bytes.
//
// Promises:
// - Lines end at LF or CR LF; blank lines and lines starting with ( [ { $ ! @
//   are passed over; a line starting with '#' is an error.
// - "*XX" without "=" is the text "<LINE>".
// - When two entries have the same text, the first one defined is kept.
// - Errors throw TableError, whose what() starts with "table line N: ".
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace textdump::testing {

struct TableError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct AtlasTable {
  std::unordered_map<std::string, std::string> bytes_of; // text -> the bytes it encodes
  std::size_t longest = 0;                               // the longest text, in bytes
  std::unordered_set<std::string> ends;                  // the texts of end tokens
};

// The table a file's bytes define.
AtlasTable parse_atlas_table(std::string_view file);

// The lines of a file, without their LF or CR LF ends.
std::vector<std::string_view> split_lines(std::string_view s);

// 0-15 for a hex digit of either case, -1 for anything else.
int hex_digit(char c);

} // namespace textdump::testing
