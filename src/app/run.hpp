// A run: the five answers, the three files, the decoding and the ending.
//
// One path for both table formats. A run opens the ROM file, opens the dump
// file (creating it, never truncating it yet) and loads the table through the
// loader of its format; empties the dump file; decodes the range; and ends
// with a Failure that maps to the exit status. Every failure prints one
// message through the console and pauses (the loader pauses for its own
// message). A table in the tool's own format is loaded once the dump file is
// open; a standard table before it is opened, so that a table with errors
// touches no file.
#pragma once

#include <cstdint>
#include <string>

#include "core/address_map.hpp"

#include "app/console.hpp"
#include "app/messages.hpp"
#include "io/encoding.hpp"
#include "io/rom_image.hpp"

namespace textdump {

struct RunRequest {
  std::string romfile;
  std::string tablefile;
  std::string dumpfile;
  std::uint32_t start_offset = 0;
  std::uint32_t end_offset = 0;
  bool dash_is_stdout = false; // a dump file named "-" is standard output
  bool warnings = false;       // warn of runaway strings and misread keys (command line)
  bool standard = false;       // the table is in the standard format
  TableEncoding encoding = TableEncoding::utf8; // of a standard table's values
  std::string start_table;                      // --table: where a dump starts; "" for the first
  // --map: START and END as typed, placed in the ROM once it is open
  // (core/map_address.hpp); the offsets above are then set from them.
  const MapDescriptor* map = nullptr;
  TypedPosition start_position, end_position;
  std::string start_text, end_text;
};

// Opens the ROM file. Failure::none, or the failure after its message (and the
// pause). A mapped ROM that shrinks later is reported on the console's stream.
Failure open_rom(RomImage& rom, const std::string& romfile, const Console& console);

// Steps after the answers: files, load, dump, and the dump file's last flush.
// "END PROGRAM.\n" is the caller's.
Failure run_dump(const RunRequest& request, const Console& console);

} // namespace textdump
