// textdump --fit SCRIPT: whether an edited script dump goes back into its
// blocks, worked out from the script and the insertion table it names
// (#ADDTBL, relative to the script's folder) without the ROM. Diagnostics go
// to standard error as "SCRIPT:LINE:COLUMN: error: ...", then one line a
// block on standard output: the bytes its strings use of its room.
#pragma once

#include <string>

namespace textdump {

struct FitRequest {
  std::string scriptfile;
};

// The exit status: 0 when everything fits, 1 otherwise (or when the script
// cannot be read).
int run_command(const FitRequest& request);

} // namespace textdump
