#include "app/script/fit_command.hpp"

#include <cstdio>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
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

int run_fit_command(const std::string& scriptfile) {
  const Console console = stream_console(stderr, false, false);
  std::string script;
  if (read_file(scriptfile, script, std::uint64_t{1} << 30) != ReadStatus::ok) {
    say(console, "Can't read the script file \"" + scriptfile + "\".\n");
    return exit_status(Failure::script_unfit);
  }
  const std::size_t slash = scriptfile.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : scriptfile.substr(0, slash + 1);
  const FitReport report = fit_script(script, [&](const std::string& name) {
    std::string bytes;
    const std::string path = is_absolute(name) ? name : folder + name;
    return read_file(path, bytes) == ReadStatus::ok ? std::optional<std::string>(bytes)
                                                    : std::nullopt;
  });
  for (const Report& d : report.diagnostics) {
    const char* kind = d.severity == Severity::error     ? "error"
                       : d.severity == Severity::warning ? "warning"
                                                         : "note";
    say(console, scriptfile + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " +
                     kind + ": " + report_text(d) + "\n");
  }
  std::string summary;
  for (std::size_t b = 0; b < report.blocks.size(); ++b) {
    const FitBlock& block = report.blocks[b];
    summary += "block " + std::to_string(b + 1) + " $" + hex_number(block.start);
    if (block.last)
      summary += "-$" + hex_number(*block.last) + ": " + std::to_string(block.used) + " of " +
                 std::to_string(*block.last - block.start + 1) + " bytes\n";
    else
      summary += ": " + std::to_string(block.used) + " bytes, no end bound\n";
  }
  std::fwrite(summary.data(), 1, summary.size(), stdout);
  std::fflush(stdout);
  return exit_status(report.fits() ? Failure::none : Failure::script_unfit);
}

} // namespace textdump
