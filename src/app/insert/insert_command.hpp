// textdump --insert [--json FILE] [--patch FILE] [--expand SIZE] SCRIPT ROM
// OUT: an edited script dump put into a copy of ROM, written to OUT once it
// is proven (core/insert).
//
// The script is read by --fit's steps (app/script/fit_command.hpp), judged
// for --insert: its diagnostics go to standard error as
// "SCRIPT:LINE:COLUMN: error: ...", and a script that does not fit (a block
// past its bound, a fixed string that would be cut, an unreadable table, any
// command the inserter does not read) stops the run with status 1 and its
// block lines on standard output. Otherwise standard output gets one line a
// block (its room, bytes used and left), the pointers and length fields
// written and each header checksum; --json FILE holds the same as JSON.
// A progress line goes to standard error when that is a terminal.
//
// --expand SIZE grows the ROM to SIZE bytes before the script goes in, as
// its platform grows (core/maps/rom_header.hpp: GBA, Mega Drive, Game Boy
// with a bank controller, a ROM no header names as a linear one), its new
// bytes the byte its end is padded with (00 or FF; FF for any other), its
// header's size fields and checksums right; a ROM that cannot grow so stops
// the run with the reason, status 1.
// --free and --share change the plan first (core/insert/placement.hpp): the
// strings moved or shared get a line each, with the free space left, and the
// JSON document a "placement" object.
//
// OUT and the JSON file go through the output step (io/output_set.hpp): OUT
// may name ROM, which is then replaced, but never the script; nothing is
// created or changed unless the insertion and its proof succeed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/script/fit_command.hpp"

namespace textdump {

struct InsertRequest {
  std::string scriptfile, romfile, outfile;
  std::optional<std::string> json;  // --json FILE
  std::optional<std::string> patch; // --patch FILE: the patch from ROM to OUT beside OUT
  std::optional<std::uint64_t> expand; // --expand SIZE: the ROM grown to SIZE bytes first
  std::optional<std::string> free;  // --free RANGES|auto
  std::optional<std::uint8_t> fill; // --fill
  bool share = false;               // --share
  BoxOptions box;                   // its lines measured as --fit measures them
};

// The exit status: 0 when OUT is written, 1 on any failure.
int run_command(const InsertRequest& request);

} // namespace textdump
