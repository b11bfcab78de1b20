// The checker of standard tables: every report of the parser with its line and
// column, then a summary of each table's entries by kind and by key length. A
// table read as UTF-8 has its values that are not UTF-8 noted, with the
// --table-encoding that reads them all.
#include <algorithm>
#include <map>
#include <string_view>
#include <vector>

#include "app/checker.hpp"
#include "app/messages.hpp"
#include "app/reporter.hpp"
#include "app/table_load.hpp"
#include "core/code_table.hpp"
#include "core/standard_table.hpp"
#include "core/utf8.hpp"
#include "io/encoding.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

// The entries of one table by kind and by key length; returns how many.
std::size_t print_entries(const std::vector<Definition>& definitions, std::FILE* out) {
  CodeTable table(TableFormat::standard);
  table.lay_over(definitions);
  std::map<EntryKind, int> kinds;
  std::map<std::size_t, int> lengths;
  const auto keys = table.keys();
  for (const auto& [key, index] : keys) {
    ++kinds[table.entry(index).kind];
    ++lengths[key.size()];
  }
  const auto of = [&kinds](EntryKind kind) {
    return with_commas(static_cast<std::size_t>(kinds[kind]));
  };
  std::fprintf(out, "%s %s: %s text, %s end, %s line break, %s control, %s switch; by key length:",
               with_commas(keys.size()).c_str(), keys.size() == 1 ? "entry" : "entries",
               of(EntryKind::text).c_str(), of(EntryKind::end).c_str(),
               of(EntryKind::line_break).c_str(), of(EntryKind::control).c_str(),
               of(EntryKind::frames).c_str());
  if (lengths.empty()) std::fputs(" none", out);
  for (auto it = lengths.begin(); it != lengths.end(); ++it)
    std::fprintf(out, "%s %zu %s %s", it == lengths.begin() ? "" : ",", it->first,
                 it->first == 1 ? "byte" : "bytes",
                 with_commas(static_cast<std::size_t>(it->second)).c_str());
  return keys.size();
}

// One table: its entries and the problems on one line. Several: a line for
// each table, then the entries of all and the problems.
void print_summary(const StandardTable& file, int problems, std::FILE* out) {
  const char* const counted = problems == 1 ? "problem" : "problems";
  if (file.tables.size() == 1) {
    print_entries(file.definitions(), out);
    std::fprintf(out, "; %d %s\n", problems, counted);
    return;
  }
  std::size_t entries = 0;
  for (const NamedTable& named : file.tables) {
    std::fprintf(out, "table \"%s\": ", named.name.c_str());
    entries += print_entries(named.definitions, out);
    std::fputs("\n", out);
  }
  std::fprintf(out, "%s %s in %s tables; %d %s\n", with_commas(entries).c_str(),
               entries == 1 ? "entry" : "entries", with_commas(file.tables.size()).c_str(),
               problems, counted);
}

// The values that are not UTF-8, each noted where the parser sees it (a parse
// that refuses them).
std::vector<std::string> note_values_not_utf8(std::string_view bytes, Reporter& reporter) {
  std::vector<std::string> values;
  const StandardTable refused =
      parse_standard_table(bytes, [&values](std::string_view value) -> std::optional<std::string> {
        if (is_utf8(value)) return std::string(value);
        values.emplace_back(value);
        return std::nullopt;
      });
  if (!values.empty())
    for (const TableReport& report : refused.reports)
      if (report.kind == "encoding")
        reporter.report(report.line,
                        "line " + std::to_string(report.line) + ", column " +
                            std::to_string(report.column),
                        report.content, "the value is not UTF-8", false, "utf8");
  return values;
}

// The encodings that read every value, the multi-byte one first, as a
// single-byte code page reads almost any bytes.
std::string encodings_that_read(const std::vector<std::string>& values) {
  std::string names;
  for (const std::string_view name : {"shift-jis", "windows-1252"}) {
    const ValueConverter convert = converter_for(*encoding_named(name));
    if (std::all_of(values.begin(), values.end(),
                    [&convert](const std::string& value) { return convert(value).has_value(); }))
      names += (names.empty() ? "" : " or ") + std::string(name);
  }
  return names;
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
  const std::vector<std::string> not_utf8 = encoding == TableEncoding::utf8
                                                ? note_values_not_utf8(bytes, reporter)
                                                : std::vector<std::string>();
  reporter.print_repeats();
  if (!not_utf8.empty()) {
    const std::string readers = encodings_that_read(not_utf8);
    const bool one = not_utf8.size() == 1;
    const std::string note =
        "note: " + with_commas(not_utf8.size()) + (one ? " value is" : " values are") +
        " not UTF-8" +
        (readers.empty()
             ? std::string(", and no --table-encoding reads ") + (one ? "it" : "them all")
             : ": --table-encoding " + readers + (one ? " reads it" : " reads them"));
    std::fprintf(out, "%s\n", note.c_str());
  }
  print_summary(parsed, reporter.problems, out);
  return reporter.problems == 0 ? 0 : 1;
}

} // namespace textdump
