#include "app/script/fit_command.hpp"

#include "app/script/free_option.hpp"

#include <algorithm>
#include <cstdio>

#include "app/common/messages.hpp"
#include "app/script/free_option.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

bool is_absolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
         (path.size() > 1 && path[1] == ':');
}

} // namespace

std::optional<std::string> read_script(const std::string& scriptfile, const Console& console) {
  std::string script;
  if (read_file(scriptfile, script, std::uint64_t{1} << 30) == ReadStatus::ok) return script;
  say(console, {MessageId::script_unreadable, {scriptfile}});
  return std::nullopt;
}

FitReport fit_script_file(const std::string& scriptfile, const std::string& script,
                          FitFor judged_for, const TextBox& box,
                          std::vector<std::string>* tables) {
  const std::string folder = folder_part(scriptfile);
  bool recorded = tables == nullptr;
  const FitTableReader reader = [&](const std::string& name) {
    std::string bytes;
    const std::string path = is_absolute(name) ? name : folder + name;
    if (read_file(path, bytes) != ReadStatus::ok) return std::optional<std::string>();
    if (!recorded) tables->push_back(path);
    return std::optional<std::string>(std::move(bytes));
  };
  FitReport report = fit_script(script, reader, judged_for);
  recorded = true; // the box and the summary read the insertion table again
  summarise_missing(report.diagnostics, script, reader);
  std::vector<Report> measured = check_box(script, reader, box);
  report.diagnostics.insert(report.diagnostics.end(), measured.begin(), measured.end());
  std::stable_sort(report.diagnostics.begin(), report.diagnostics.end(),
                   [](const Report& a, const Report& b) { return a.line < b.line; });
  return report;
}

void say_diagnostics(const Console& console, const std::string& scriptfile,
                     const std::vector<Report>& diagnostics) {
  for (const Report& d : diagnostics) {
    if (d.line == 0) {
      say(console, {d.severity == Severity::error ? MessageId::diagnostic_file_error
                                                  : MessageId::diagnostic_file_warning,
                    {scriptfile, report_text(d)}});
      continue;
    }
    say(console, {d.severity == Severity::error     ? MessageId::diagnostic_error
                  : d.severity == Severity::warning ? MessageId::diagnostic_warning
                                                    : MessageId::diagnostic_note,
                  {scriptfile, std::to_string(d.line), std::to_string(d.column), report_text(d)}});
  }
}

std::string block_summary(const std::vector<FitBlock>& blocks) {
  std::string summary;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const FitBlock& block = blocks[b];
    const std::string number = std::to_string(b + 1), start = hex_number(block.start),
                      used = std::to_string(block.used);
    summary += message_line(
        block.last ? Message{MessageId::fit_block_bounded,
                             {number, start, hex_number(*block.last), used,
                              std::to_string(*block.last - block.start + 1)}}
                   : Message{MessageId::fit_block_open, {number, start, used}});
  }
  return summary;
}

namespace {

// --free and --share as --insert would place the plan; what --share would save.
std::string place_for_fit(const FitRequest& request, FitReport& report) {
  std::string lines;
  if (!request.share) {
    FitReport copy = report;
    if (const Placement shared = place_strings(copy, {}, true); shared.shared_bytes != 0)
      lines = message_line({MessageId::fit_share_would_save, {std::to_string(shared.shared_bytes)}});
  }
  if (!request.free && !request.share) return lines;
  std::vector<FreeRange> ranges;
  if (request.free) {
    if (const auto given = free_ranges(*parse_free(*request.free), report.plan, nullptr, {}))
      ranges = *given;
    else
      report.diagnostics.push_back(
          {ReportId::insert_free_outside, Severity::error, 0, 0, {*request.free}});
  }
  const Placement placement = place_strings(report, std::move(ranges), request.share);
  report.diagnostics.insert(report.diagnostics.end(), placement.diagnostics.begin(),
                            placement.diagnostics.end());
  lines = placement_lines(placement, request.free.has_value()) + lines;
  if (report.fits() && request.free)
    lines += message_line({MessageId::fit_placed, {std::to_string(placement.moved.size())}});
  return lines;
}

} // namespace

int run_command(const FitRequest& request) {
  const Console console = stream_console(stderr, false, false);
  const std::optional<std::string> script = read_script(request.scriptfile, console);
  if (!script) return exit_status(Failure::script_unfit);
  const std::optional<TextBox> box = load_box(request.box, console);
  if (!box) return exit_status(Failure::script_unfit);
  FitReport report = fit_script_file(request.scriptfile, *script, request.judged_for, *box);
  const std::string placed = place_for_fit(request, report);
  say_diagnostics(console, request.scriptfile, report.diagnostics);
  const std::string summary = block_summary(report.blocks) + placed;
  if (const Failure written = write_report(summary, console); written != Failure::none)
    return exit_status(written);
  return exit_status(report.fits() ? Failure::none : Failure::script_unfit);
}

} // namespace textdump
