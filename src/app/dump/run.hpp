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
#include <string_view>
#include <utility>
#include <variant>

#include "core/maps/maps.hpp"

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
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
  // (core/maps/map_address.hpp); the offsets above are then set from them.
  const MapDescriptor* map = nullptr;
  TypedPosition start_position, end_position;
  std::string start_text, end_text;
};

// START and END as typed (--map with a dump, --range).
struct TypedSpan {
  TypedPosition start, end;
  std::string_view start_text, end_text;
  std::string_view prefix; // before "START" in a message ("--range ")
};

// The span's file offsets under map, both included; the usage error when the
// ROM holds no such position (named map_name) or END lies below START.
std::variant<std::pair<std::uint64_t, std::uint64_t>, Message>
place_span(const MapDescriptor& map, std::string_view map_name, const RomView& rom,
           const TypedSpan& span);

// Opens the ROM file. Failure::none, or the failure after its message (and the
// pause). A mapped ROM that shrinks later is reported on the console's stream.
Failure open_rom(RomImage& rom, const std::string& romfile, const Console& console);

// Steps after the answers: files, load, dump, and the dump file's last flush.
// "END PROGRAM.\n" is the caller's.
Failure run_dump(const RunRequest& request, const Console& console);

// The dump from the command line: messages on standard error; the exit status.
int run_command(const RunRequest& request);

} // namespace textdump
