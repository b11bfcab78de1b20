// The checker of standard tables: every report of the parser with its line and
// column, then a summary of the entries by kind and by key length.
#include <map>

#include "app/checker.hpp"
#include "app/messages.hpp"
#include "app/reporter.hpp"
#include "app/table_load.hpp"
#include "core/code_table.hpp"
#include "core/standard_table.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

void print_summary(const CodeTable& table, int problems, std::FILE* out) {
  std::map<EntryKind, int> kinds;
  std::map<std::size_t, int> lengths;
  const auto keys = table.keys();
  for (const auto& [key, index] : keys) {
    ++kinds[table.entry(index).kind];
    ++lengths[key.size()];
  }
  std::fprintf(out, "%s %s: %s text, %s end, %s line break, %s control; by key length:",
               with_commas(keys.size()).c_str(), keys.size() == 1 ? "entry" : "entries",
               with_commas(static_cast<std::size_t>(kinds[EntryKind::text])).c_str(),
               with_commas(static_cast<std::size_t>(kinds[EntryKind::end])).c_str(),
               with_commas(static_cast<std::size_t>(kinds[EntryKind::line_break])).c_str(),
               with_commas(static_cast<std::size_t>(kinds[EntryKind::control])).c_str());
  if (lengths.empty()) std::fputs(" none", out);
  for (auto it = lengths.begin(); it != lengths.end(); ++it)
    std::fprintf(out, "%s %zu %s %s", it == lengths.begin() ? "" : ",", it->first,
                 it->first == 1 ? "byte" : "bytes",
                 with_commas(static_cast<std::size_t>(it->second)).c_str());
  std::fprintf(out, "; %d %s\n", problems, problems == 1 ? "problem" : "problems");
}

} // namespace

int check_standard_table(const std::string& tablefile, TableEncoding encoding, std::FILE* out) {
  std::string bytes;
  Failure failure = Failure::none;
  if (!read_table_file(tablefile, bytes, stream_console(stderr, false, false), failure)) return 1;
  const StandardTable parsed = parse_standard_file(bytes, encoding);
  Reporter reporter{out};
  static constexpr const char* SEVERITY[] = {"error: ", "warning: ", ""};
  for (const TableReport& report : parsed.reports) {
    const bool problem = report.severity != Severity::note;
    reporter.report(report.line,
                    "line " + std::to_string(report.line) + ", column " +
                        std::to_string(report.column),
                    report.content, SEVERITY[static_cast<int>(report.severity)] + report.message,
                    problem, report.kind);
  }
  reporter.print_repeats();
  CodeTable table(TableFormat::standard);
  table.lay_over(parsed.definitions());
  print_summary(table, reporter.problems, out);
  return reporter.problems == 0 ? 0 : 1;
}

} // namespace textdump
