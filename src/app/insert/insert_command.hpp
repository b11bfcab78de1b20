// textdump --insert [--json FILE] SCRIPT ROM OUT: an edited script dump put
// into a copy of ROM, written to OUT once it is proven (core/insert).
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
// OUT and the JSON file go through the output step (io/output_set.hpp): OUT
// may name ROM, which is then replaced, but never the script; nothing is
// created or changed unless the insertion and its proof succeed.
#pragma once

#include <optional>
#include <string>

#include "app/script/fit_command.hpp"

namespace textdump {

struct InsertRequest {
  std::string scriptfile, romfile, outfile;
  std::optional<std::string> json;  // --json FILE
  std::optional<std::string> patch; // --patch FILE: the patch from ROM to OUT beside OUT
  BoxOptions box;                   // its lines measured as --fit measures them
};

// The exit status: 0 when OUT is written, 1 on any failure.
int run_command(const InsertRequest& request);

} // namespace textdump
