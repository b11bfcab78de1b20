// The table checker: reads a table file the way a run loads it and reports,
// one line each with the line number and the line's text, what a translator
// would want to fix. It never changes a file.
//
// Both formats are checked alike: the reports their parser returns, one line
// each with where and what and the line's text; after five reports of one kind
// the rest are counted on one line. Control characters and bytes that are not
// UTF-8 are shown escaped. A summary line counts the entries by kind. A table
// that cannot be read is reported on standard error.
//
// The tool's own format adds what needs the file system or the whole table:
// a TABLE entry whose family member (or member 0, for the restore) is missing,
// or whose table digit would be a folder separator or NUL (problems), the
// table digit each TABLE entry rewrites (a note), SNES entries in a table
// without an END entry (a problem), and a note when the file looks like a
// standard table. A standard table read as UTF-8 has its values that are not
// UTF-8 noted, with the --table-encoding that reads them all, and a summary of
// each table's entries by kind and by key length.
#pragma once

#include <cstdio>
#include <string>

#include "app/common/messages.hpp"
#include "core/tables/tables.hpp"
#include "io/encoding.hpp"

namespace textdump {

// --check TABLE, with the table options.
struct CheckRequest {
  std::string tablefile;
  bool standard = false;
  TableEncoding encoding = TableEncoding::utf8;
};

// Checks the table on standard output, its read failures on standard error; the exit status.
int run_command(const CheckRequest& request);

// Checks the named table file, writing the report to out: Failure::none when
// nothing was reported, table_problems when something was, or why the file
// could not be read. The encoding is a standard table's.
Failure check_table(const std::string& tablefile, TableFormat format, TableEncoding encoding,
                    std::FILE* out);

} // namespace textdump
