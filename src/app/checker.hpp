// The table checker: reads a table file the way a run loads it and reports,
// one line each with the line number and the line's text, what a translator
// would want to fix. It never changes a file.
//
// Problems (each makes the result 1):
//   a character in a digit or number position that is not a hex digit
//   a directive whose keyword selects nothing
//   a directive with empty or missing fields
//   a code defined again (the later line wins)
//   a four-digit code (16FD=...), which defines its first two digits only
//   a TABLE entry whose family member (or member 0, for the restore) is missing,
//     or whose table digit would be a folder separator or NUL
//   SNES entries in a table without an END entry
// Notes (informational): the table digit that each TABLE entry rewrites; a
// text that begins or ends with a space or a tab (not one of spaces only).
// After five reports of one kind the rest are counted on one line. Control
// characters and bytes that are not UTF-8 are shown escaped. A summary line
// counts the entries by kind. A table that cannot be read is reported on
// standard error.
#pragma once

#include <cstdio>
#include <string>

#include "io/encoding.hpp"

namespace textdump {

// Checks the named table file, writing the report to out. Result 0 when
// nothing was reported, 1 otherwise (an unreadable file included).
int check_table_file(const std::string& tablefile, std::FILE* out);

// Checks a standard table file: every error and warning with its line and
// column, notes, and a summary of the entries by kind and by key length.
int check_standard_table(const std::string& tablefile, TableEncoding encoding, std::FILE* out);

} // namespace textdump
