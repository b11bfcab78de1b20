#include "app/check/checker.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"
#include "app/common/reporter.hpp"
#include "app/common/table_load.hpp"
#include "core/tables/font_table.hpp"
#include "core/base/numbers.hpp"
#include "core/tables/standard_table.hpp"
#include "core/tables/table_family.hpp"
#include "core/base/utf8.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

// What a format gives the checker: its reports in line order, the lines that
// follow them (true: the line is a problem) and the summary.
struct Checked {
  std::vector<TableReport> reports;
  bool severity_words = false; // a problem's text begins with "error: " or "warning: "
  std::vector<std::pair<std::string, bool>> closing;
  std::function<void(int problems, std::FILE* out)> summary;
};

// ---- The tool's own format.

// "#" or "@" lines and "/XX=label" ends are written for standard tables.
bool looks_standard(const FontTable& parsed) {
  return std::any_of(parsed.lines.begin(), parsed.lines.end(), [](const TableLine& line) {
    const std::string_view text = line.content;
    const bool labelled_end = line.kind == LineKind::end && text.size() > 4 && text[3] == '=';
    return text[0] == '#' || text[0] == '@' || labelled_end;
  });
}

// A TABLE entry: the member it loads, and member 0 that the next END loads back.
std::vector<TableReport> member_reports(const std::string& tablefile, const TableLine& line,
                                        std::uint8_t number) {
  std::vector<TableReport> reports;
  const auto add = [&](Severity severity, ReportId id, std::vector<std::string> args) {
    reports.push_back({{id, severity, line.number, 0, std::move(args)}, line.content});
  };
  for (const auto& [member_number, role] :
       {std::pair<std::uint8_t, const char*>{number, "switch"}, {0, "restore"}}) {
    std::string member = tablefile;
    if (!set_table_digit(member, table_digit(member_number)))
      add(Severity::error,
          member == tablefile ? ReportId::own_member_no_digit : ReportId::own_member_bad_digit,
          {role, printable(member)});
    else if (!file_opens(member))
      add(Severity::error, ReportId::own_member_cannot_open, {role, name_until_nul(member)});
  }
  std::string member = tablefile;
  if (!set_table_digit(member, table_digit(number))) return reports;
  const std::size_t part = tablefile.find_last_of("/\\");
  const std::size_t digit = tablefile.find('.', part == std::string::npos ? 0 : part + 1) - 1;
  const char now = tablefile[digit], then = member[digit];
  if (then == '\0')
    add(Severity::note, ReportId::own_switch_loads_end, {name_until_nul(member), {now}});
  else
    add(Severity::note, ReportId::own_switch_loads, {name_until_nul(member), {now}, {then}});
  return reports;
}

void print_own_summary(const CodeTable& table, int problems, std::FILE* out) {
  int counts[8] = {};
  for (unsigned byte = 0; byte < 256; ++byte)
    ++counts[static_cast<int>(table.at(static_cast<std::uint8_t>(byte)).kind)];
  const auto count = [&counts](EntryKind kind) { return counts[static_cast<int>(kind)]; };
  const int entries = 256 - count(EntryKind::undefined);
  std::fprintf(out,
               "%d %s: %d text, %d line break, %d wait, %d end, %d FIXED, %d SNES, %d TABLE; "
               "%d %s\n",
               entries, entries == 1 ? "entry" : "entries", count(EntryKind::text),
               count(EntryKind::line_break), count(EntryKind::wait), count(EntryKind::end),
               count(EntryKind::fixed), count(EntryKind::snes), count(EntryKind::table_switch),
               problems, problems == 1 ? "problem" : "problems");
}

// The parser's reports with each TABLE entry's members among them, after the
// line's other problems and before a code defined again.
Checked check_own(const std::string& tablefile, const std::string& bytes) {
  const FontTable parsed = parse_font_table(bytes);
  Checked checked;
  checked.reports = font_table_reports(parsed);
  std::size_t next = 0;
  for (const TableLine& line : parsed.lines) {
    const Definition* definition = line.defines ? &parsed.definitions[next++] : nullptr;
    if (line.kind != LineKind::directive || line.directive != Directive::table) continue;
    const auto at = std::find_if(checked.reports.begin(), checked.reports.end(),
                                 [&line](const TableReport& report) {
                                   return report.line > line.number ||
                                          (report.line == line.number &&
                                           report.id == ReportId::own_code_again);
                                 });
    const std::vector<TableReport> members =
        member_reports(tablefile, line, definition->entry.table);
    checked.reports.insert(at, members.begin(), members.end());
  }
  CodeTable table;
  table.lay_over(parsed.definitions);
  if (table.has_snes_without_end())
    checked.closing.emplace_back("the table has SNES entries but no END entry: every string they "
                                 "point to runs to the end of the ROM file",
                                 true);
  const LongKeys long_keys = find_long_keys(parsed);
  if (looks_standard(parsed) || long_keys.count > 0 || long_keys.in_directive)
    checked.closing.emplace_back("note: this looks like a standard table (keys of four or more "
                                 "digits, # or @ lines, or /XX=label ends): check it with --check "
                                 "--std-table",
                                 false);
  checked.summary = [table = std::move(table)](int problems, std::FILE* out) {
    print_own_summary(table, problems, out);
  };
  return checked;
}

// ---- Standard tables.

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
void print_standard_summary(const StandardTable& file, int problems, std::FILE* out) {
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
std::vector<std::string> note_values_not_utf8(std::string_view bytes,
                                              std::vector<TableReport>& reports) {
  std::vector<std::string> values;
  const StandardTable refused =
      parse_standard_table(bytes, [&values](std::string_view value) -> std::optional<std::string> {
        if (is_utf8(value)) return std::string(value);
        values.emplace_back(value);
        return std::nullopt;
      });
  if (!values.empty())
    for (const TableReport& report : refused.reports)
      if (report.id == ReportId::std_value_encoding)
        reports.push_back(
            {{ReportId::std_value_not_utf8, Severity::note, report.line, report.column, {}},
             report.content});
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

// bytes become the file in UTF-8; the reports point into them.
Checked check_standard(std::string& bytes, TableEncoding encoding) {
  StandardTable parsed = parse_standard_file(bytes, encoding);
  Checked checked;
  checked.severity_words = true;
  checked.reports = std::move(parsed.reports);
  const std::vector<std::string> not_utf8 = encoding == TableEncoding::utf8
                                                ? note_values_not_utf8(bytes, checked.reports)
                                                : std::vector<std::string>();
  if (!not_utf8.empty()) {
    const std::string readers = encodings_that_read(not_utf8);
    const bool one = not_utf8.size() == 1;
    checked.closing.emplace_back(
        "note: " + with_commas(not_utf8.size()) + (one ? " value is" : " values are") +
            " not UTF-8" +
            (readers.empty()
                 ? std::string(", and no --table-encoding reads ") + (one ? "it" : "them all")
                 : ": --table-encoding " + readers + (one ? " reads it" : " reads them")),
        false);
  }
  checked.summary = [file = std::move(parsed)](int problems, std::FILE* out) {
    print_standard_summary(file, problems, out);
  };
  return checked;
}

} // namespace

Failure check_table(const std::string& tablefile, TableFormat format, TableEncoding encoding,
                    std::FILE* out) {
  std::string bytes;
  Failure failure = Failure::none;
  if (!read_table_file(tablefile, bytes, stream_console(stderr, false, false), failure))
    return failure;
  const Checked checked = format == TableFormat::standard ? check_standard(bytes, encoding)
                                                          : check_own(tablefile, bytes);
  Reporter reporter{out};
  for (const TableReport& report : checked.reports) {
    const bool problem = report.severity != Severity::note;
    std::string where = "line " + std::to_string(report.line);
    if (report.column > 0) where += ", column " + std::to_string(report.column);
    std::string what = report_text(report);
    if (checked.severity_words && problem)
      what.insert(0, report.severity == Severity::error ? "error: " : "warning: ");
    reporter.report(report.line, where, report.content, what, problem,
                    std::string(report_row(report.id).group));
  }
  reporter.print_repeats();
  for (const auto& [line, problem] : checked.closing) {
    std::fprintf(out, "%s\n", line.c_str());
    if (problem) ++reporter.problems;
  }
  checked.summary(reporter.problems, out);
  return reporter.problems == 0 ? Failure::none : Failure::table_problems;
}

} // namespace textdump
