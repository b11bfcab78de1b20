// A small inserter of Atlas scripts for the tests: it reads a script and its
// insertion tables by the rules of the Atlas 1.12 script format and writes the
// text and pointers into a ROM image held in memory. Text is read as Atlas
// reads it: at each place the longest table text or raw form.
//
// Promises:
// - The whole script is parsed before any byte is written; a parse error gives
//   status 2 and the ROM exactly as it was given.
// - An insertion error (a character with no table entry) gives status 2 and the
//   ROM as far as insertion got.
// - Writes past the ROM's end grow it with 0x00 bytes.
// - A string ends at an end token or at a command. Under #STRTYPE("PASCAL")
//   it is written as its length in #PASCALLEN bytes (little-endian, or big
//   under #ENDIANSWAP("TRUE")) and its bytes, its end token left out; under
//   #FIXEDLENGTH(len, pad) it takes len bytes, padded with pad or cut.
// - Every message starts with "line N: ", N counting script lines from 1.
// - Overflows are reported as Atlas reports them (InsertResult::overflow_reported).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textdump::testing {

struct InsertResult {
  int status = 0;            // 0 done; 2 a parse or insertion error
  std::string message;       // the error: the script line and what failed
  std::string rom;           // the ROM after insertion; unchanged on a parse error
  bool cut = false;          // text was dropped at a #JMP end bound or a fixed length
  // What Atlas reports as "Script Overflowed": text cut at a #JMP bound, or
  // the script ending with the position past the bound in force (its last
  // string, empty, is written there), as after a block that is exactly full.
  bool overflow_reported = false;
  std::vector<bool> written; // for each offset of rom: a byte was written there
};

// Gives the bytes of the table file named in #ADDTBL, or nullopt when there is none.
using TableReader = std::function<std::optional<std::string>(const std::string& name)>;

// Inserts the script into rom, reading tables through read_table.
InsertResult atlas_insert(std::string rom, std::string_view script, const TableReader& read_table);

} // namespace textdump::testing
