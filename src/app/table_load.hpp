// Loading a table file as a run does: read it whole, parse it, and report on
// the console what the parse found.
#pragma once

#include <string>

#include <optional>
#include <vector>

#include "app/console.hpp"
#include "app/messages.hpp"
#include "core/font_table.hpp"
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
// the file cannot be read: "Couldn't read table file.\n" (or, over 64 MiB, a
// message naming the file and the limit), the pause, and false.
bool load_font_table(const std::string& tablefile, const Console& console, LoadedTable& loaded);

// Lays the named table over table, as --script and --find-pointers read it:
// a standard table, or one in the tool's own format (whose switches are not
// followed). Failure::none, or the failure after printing why.
Failure load_code_table(const std::string& tablefile, bool standard, TableEncoding encoding,
                        const Console& console, CodeTable& table);

// Reads a table file whole into bytes. False, after printing why (can't open,
// over 64 MiB, a failed read) with failure table_open or table_read.
bool read_table_file(const std::string& tablefile, std::string& bytes, const Console& console,
                     Failure& failure);

// Reads and parses a standard table file. Nothing, after printing why, when
// the file cannot be opened or read (failure table_open or table_read) or the
// table has errors, each printed as "FILE:LINE:COLUMN: error: ..." (failure
// table_invalid). Warnings and notes are the checker's, not a run's.
std::optional<std::vector<Definition>> load_standard_table(const std::string& tablefile,
                                                           TableEncoding encoding,
                                                           const Console& console,
                                                           Failure& failure);

} // namespace textdump
