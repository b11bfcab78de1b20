// textdump --fit [--for insert|atlas] SCRIPT: whether an edited script dump
// goes back into its blocks, worked out from the script and the insertion
// table it names (#ADDTBL, relative to the script's folder) without the ROM,
// for --insert (which rewrites the length fields //LENGTH lines name) or for
// the Atlas inserter (which keeps them). Diagnostics go to standard error as
// "SCRIPT:LINE:COLUMN: error: ...", then one line a block on standard
// output: the bytes its strings use of its room. --insert reads its script
// through the same steps.
//
// With --free RANGES (file offsets) and --share, the plan is placed as
// --insert places it (core/insert/placement.hpp), without the ROM: the lines
// say which strings move where, and the status whether everything goes in.
// Without --share, a line says how many bytes --share would save, if any.
// through the same steps. Both measure the strings' lines against the text
// box given (--box, --widths, --line-break, --page: core/script/text_box.hpp).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/common/box_load.hpp"
#include "app/common/console.hpp"
#include "core/script/script.hpp"

namespace textdump {

struct FitRequest {
  std::string scriptfile;
  FitFor judged_for = FitFor::insert;
  std::optional<std::string> free; // --free RANGES: whether --insert --free would place it
  bool share = false;              // --share: as --insert --share would write it
  BoxOptions box;
};

// The exit status: 0 when everything fits, 1 otherwise (or when the script
// cannot be read).
int run_command(const FitRequest& request);

// The script file's bytes; nothing after its message when it cannot be read.
std::optional<std::string> read_script(const std::string& scriptfile, const Console& console);

// The script read and fitted, its tables read relative to its folder (the
// paths of those read added to tables, when given), its lines measured
// against the box.
FitReport fit_script_file(const std::string& scriptfile, const std::string& script,
                          FitFor judged_for, const TextBox& box,
                          std::vector<std::string>* tables = nullptr);

// Each diagnostic as "SCRIPT:LINE:COLUMN: error: ...", or "SCRIPT: error: ..."
// for one without a line.
void say_diagnostics(const Console& console, const std::string& scriptfile,
                     const std::vector<Report>& diagnostics);

// One line a block: the bytes its strings use of its room.
std::string block_summary(const std::vector<FitBlock>& blocks);

} // namespace textdump
