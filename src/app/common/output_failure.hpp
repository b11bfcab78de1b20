// What a refused or failed output of the output step says on the console, and
// the failure it ends the run with: a second "-" is a usage error, the rest
// are failures (exit status 1).
#pragma once

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "io/output_set.hpp"

namespace textdump {

// Says what the report tells (nothing when it is ok); the run's failure.
Failure report_output(const OutputSet& outputs, const OutputReport& report,
                      const Console& console);

} // namespace textdump
