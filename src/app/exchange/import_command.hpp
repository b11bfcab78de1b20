// textdump --import FILE SCRIPT: the translations of an exchange file written
// into the script's text lines, every command and comment kept
// (core/exchange/exchange.hpp). A malformed FILE writes nothing (status 1),
// each problem named with its line; otherwise the translations left out (an
// id the script does not know, an original that changed, a line the inserter
// would not read as text) are warnings, the strings left untranslated notes,
// then one line counts them and SCRIPT is rewritten in place (status 0).
#pragma once

#include <string>

namespace textdump {

struct ImportRequest {
  std::string file, scriptfile;
};

int run_command(const ImportRequest& request);

} // namespace textdump
