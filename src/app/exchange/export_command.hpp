// textdump --export SCRIPT FILE: a script dump's strings as an exchange file
// for a translation team (core/exchange/exchange.hpp), its format by FILE's
// extension: .po, .tsv or .csv. A string whose text lines differ from its
// original goes with them as its translation. FILE may be "-" (standard
// output); it is checked against SCRIPT and written whole or not at all.
// With --box, every string's notes name its text box.
#pragma once

#include <string>

#include "app/common/box_load.hpp"
#include "core/exchange/exchange.hpp"

namespace textdump {

struct ExportRequest {
  std::string scriptfile, file;
  ExchangeFormat format = ExchangeFormat::po;
  BoxOptions box; // --box and --widths: the box its notes name
};

// The exit status: 0, or 1 when the script cannot be read or FILE written.
int run_command(const ExportRequest& request);

} // namespace textdump
