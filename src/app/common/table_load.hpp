// Loading a table file as a command does: read it whole, parse it in its
// format, report on the console what the parse found, and make a code table of
// each of its tables.
//
// A format is a parser (bytes in, tables and reports out) and the way a byte
// without an entry is written (the code table's format). The tool's own format
// prints a "HEX VALUE ERROR:" line for every reported character and loads what
// it read; a standard table with errors prints each as
// "FILE:LINE:COLUMN: error: ..." and is refused. The tool's own format has one
// table a file (its family members are files of their own, loaded by a run's
// switches); a standard file may hold several.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "core/tables/tables.hpp"
#include "io/encoding.hpp"

namespace textdump {

// A table file's bytes and what they define; the lines point into the bytes,
// so a LoadedTable is not copied or moved.
struct LoadedTable {
  std::string bytes;
  FontTable table;

  LoadedTable() = default;
  LoadedTable(const LoadedTable&) = delete;
  LoadedTable& operator=(const LoadedTable&) = delete;
};

// Reads and parses the named table file into loaded, printing a
// "HEX VALUE ERROR:" line for every reported character, in line order. When
// the file cannot be read: "Couldn't read table file." (or, over 64 MiB, a
// message naming the file and the limit), the pause, and false.
bool load_font_table(const std::string& tablefile, const Console& console, LoadedTable& loaded);

// Which table file a command reads, in which format.
struct TableRequest {
  std::string tablefile;
  TableFormat format = TableFormat::own;
  TableEncoding encoding = TableEncoding::utf8; // of a standard table's values
  std::string start_table; // the id of the table a dump starts in; "" for the first
};

// A loaded file: a code table for each of its tables, in file order, and what
// a command-line run warns of before it decodes.
struct LoadedTables {
  std::vector<CodeTable> tables;
  std::size_t start = 0; // the table a dump starts in
  std::vector<Message> warnings;
};

// Loads the file the request names. Failure::none, or the failure after
// printing why: the file cannot be opened (table_open) or read (table_read),
// or a standard table has errors (table_invalid).
Failure load_tables(const TableRequest& request, const Console& console, LoadedTables& loaded);

// Reads a table file whole into bytes. False, after printing why (can't open,
// over 64 MiB, a failed read) with failure table_open or table_read.
bool read_table_file(const std::string& tablefile, std::string& bytes, const Console& console,
                     Failure& failure);

// Parses a standard table file's bytes in the encoding; a file in UTF-16 is
// first converted in place, and the reports point into bytes.
StandardTable parse_standard_file(std::string& bytes, TableEncoding encoding);

} // namespace textdump
