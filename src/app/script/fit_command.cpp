#include "app/script/fit_command.hpp"

#include <cstdio>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

bool is_absolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
         (path.size() > 1 && path[1] == ':');
}

} // namespace

int run_command(const FitRequest& request) {
  const std::string& scriptfile = request.scriptfile;
  const Console console = stream_console(stderr, false, false);
  std::string script;
  if (read_file(scriptfile, script, std::uint64_t{1} << 30) != ReadStatus::ok) {
    say(console, {MessageId::script_unreadable, {scriptfile}});
    return exit_status(Failure::script_unfit);
  }
  const std::string folder = folder_part(scriptfile);
  const FitReport report = fit_script(script, [&](const std::string& name) {
    std::string bytes;
    const std::string path = is_absolute(name) ? name : folder + name;
    return read_file(path, bytes) == ReadStatus::ok ? std::optional<std::string>(bytes)
                                                    : std::nullopt;
  });
  for (const Report& d : report.diagnostics)
    say(console, {d.severity == Severity::error     ? MessageId::diagnostic_error
                  : d.severity == Severity::warning ? MessageId::diagnostic_warning
                                                    : MessageId::diagnostic_note,
                  {scriptfile, std::to_string(d.line), std::to_string(d.column), report_text(d)}});
  std::string summary;
  for (std::size_t b = 0; b < report.blocks.size(); ++b) {
    const FitBlock& block = report.blocks[b];
    const std::string number = std::to_string(b + 1), start = hex_number(block.start),
                      used = std::to_string(block.used);
    summary += message_line(
        block.last ? Message{MessageId::fit_block_bounded,
                             {number, start, hex_number(*block.last), used,
                              std::to_string(*block.last - block.start + 1)}}
                   : Message{MessageId::fit_block_open, {number, start, used}});
  }
  if (const Failure written = write_report(summary, console); written != Failure::none)
    return exit_status(written);
  return exit_status(report.fits() ? Failure::none : Failure::script_unfit);
}

} // namespace textdump
