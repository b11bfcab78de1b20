#include "app/common/output_failure.hpp"

namespace textdump {

Failure report_output(const OutputSet& outputs, const OutputReport& report,
                      const Console& console) {
  const std::string& role = outputs.role(report.output);
  const std::string& name = outputs.name(report.output);
  switch (report.problem) {
  case OutputProblem::none: return Failure::none;
  case OutputProblem::is_input:
    say(console, message_output_is_input(role, name, outputs.input(report.other)));
    return Failure::output_refused;
  case OutputProblem::is_output:
    say(console, message_output_is_output(role, name, outputs.role(report.other)));
    return Failure::output_refused;
  case OutputProblem::second_standard_output:
    say(console, usage_error_text(usage_two_on_standard_output(role, outputs.role(report.other))));
    return Failure::usage;
  case OutputProblem::cannot_create:
    say(console, message_output_create(role, name, report.error));
    return Failure::output_refused;
  case OutputProblem::cannot_write:
    say(console, message_output_write(role, name, report.error));
    return Failure::output_write;
  }
  return Failure::none;
}

} // namespace textdump
