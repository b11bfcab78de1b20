// What the exchange commands share: reading the translations of a file (an
// exchange file by its name's extension, else an edited script), and showing
// core's reports on the lines of a file.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "core/exchange/exchange.hpp"

namespace textdump {

// The rows of the file. A file that cannot be read, or an exchange file that
// is malformed, is said on the console (each problem with its line) and is
// the failure.
Failure read_translations(const std::string& file, const Console& console,
                          std::vector<ExchangeRow>& rows);

// The bytes of a script file; one that cannot be read is said on the console
// and is the failure.
Failure read_script(const std::string& file, const Console& console, std::string& bytes);

// Each report as "FILE:LINE: warning: ...": five of one kind, then how many
// more and the lines they are on.
void show_reports(const Console& console, const std::string& file,
                  std::span<const Report> reports);

} // namespace textdump
