#include "app/common/output_failure.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace textdump {

Failure report_output(const OutputSet& outputs, const OutputReport& report,
                      const Console& console) {
  const std::string& role = outputs.role(report.output);
  const std::string name = shown(outputs.name(report.output));
  switch (report.problem) {
  case OutputProblem::none: return Failure::none;
  case OutputProblem::is_input:
    say(console, {MessageId::output_is_input, {role, name, outputs.input(report.other)}});
    return Failure::output_refused;
  case OutputProblem::is_output:
    say(console, {MessageId::output_is_output, {role, name, outputs.role(report.other)}});
    return Failure::output_refused;
  case OutputProblem::second_standard_output:
    write(console, usage_error_text({MessageId::usage_two_on_standard_output,
                                     {outputs.role(report.other), role}}));
    return Failure::usage;
  case OutputProblem::cannot_create:
    say(console, {MessageId::output_create, {role, name, std::strerror(report.error)}});
    return Failure::output_refused;
  case OutputProblem::cannot_write:
    say(console, {MessageId::output_write, {role, name, std::strerror(report.error)}});
    return Failure::output_write;
  }
  return Failure::none;
}

Failure write_report(std::string_view report, const Console& console) {
  errno = 0;
  if (std::fwrite(report.data(), 1, report.size(), stdout) != report.size()) {
    const int error = errno;
    std::clearerr(stdout);
    say(console, {MessageId::report_write, {std::strerror(error != 0 ? error : EIO)}});
    return Failure::output_write;
  }
  return report_written(stdout, console);
}

Failure report_written(std::FILE* stream, const Console& console) {
  errno = 0;
  if (std::fflush(stream) == 0 && std::ferror(stream) == 0) return Failure::none;
  const int error = errno != 0 ? errno : EIO;
  std::clearerr(stream);
  say(console, {MessageId::report_write, {std::strerror(error)}});
  return Failure::output_write;
}

} // namespace textdump
