// Loading a table file as a run does: read it whole, parse it, and report on
// the console what the parse found.
#pragma once

#include <string>

#include "app/console.hpp"
#include "core/font_table.hpp"

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

} // namespace textdump
