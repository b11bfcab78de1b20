// What a refused or failed output of the output step says on the console, and
// the failure it ends the run with: a second "-" is a usage error, the rest
// are failures (exit status 1). A report printed on standard output fails the
// same way when it cannot be written.
#pragma once

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "io/output_set.hpp"

namespace textdump {

// Says what the report tells (nothing when it is ok); the run's failure.
Failure report_output(const OutputSet& outputs, const OutputReport& report,
                      const Console& console);

// Writes a report to standard output and flushes it: a failed write is said
// and is the run's failure (output_write).
Failure write_report(std::string_view report, const Console& console);

// After a report was printed on stream: flushes it; a write that failed, then
// or before, is said and is the run's failure.
Failure report_written(std::FILE* stream, const Console& console);

} // namespace textdump
