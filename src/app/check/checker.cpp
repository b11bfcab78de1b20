#include "app/check/checker.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "app/common/table_load.hpp"
#include "core/tables/tables.hpp"
#include "core/base/utf8.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

// What a format gives the checker: its reports in line order, the lines that
// follow them (true: the line is a problem) and the summary.
struct Checked {
  std::vector<TableReport> reports;
  bool severity_words = false; // a problem's text begins with "error: " or "warning: "
  std::vector<std::pair<Message, bool>> closing;
  std::function<void(int problems, std::FILE* out)> summary;
};

// A message and its line end, on out.
void print(std::FILE* out, const Message& message) {
  const std::string line = message_line(message);
  std::fwrite(line.data(), 1, line.size(), out);
}

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
  const std::size_t digit = tablefile.find('.', folder_part(tablefile).size()) - 1;
  const char now = tablefile[digit], then = member[digit];
  if (then == '\0')
    add(Severity::note, ReportId::own_switch_loads_end, {name_until_nul(member), {now}});
  else
    add(Severity::note, ReportId::own_switch_loads, {name_until_nul(member), {now}, {then}});
  return reports;
}

// The keys that end a line and a page of a text box, as --fit measures the
// script the table dumps: line breaks and labels with one, waits; nothing
// when the table has none.
std::optional<Message> box_breaks(const CodeTable& table) {
  std::vector<std::pair<std::string, const Entry*>> keys;
  for (const auto& [key, index] : table.keys()) keys.emplace_back(key, &table.entry(index));
  std::sort(keys.begin(), keys.end());
  std::string lines, pages;
  for (const auto& [key, entry] : keys) {
    const bool labelled_break = (entry->kind == EntryKind::text ||
                                 entry->kind == EntryKind::control) &&
                                entry->label.ends_with("\\n");
    if (entry->kind != EntryKind::line_break && entry->kind != EntryKind::wait && !labelled_break)
      continue;
    std::string& list = entry->kind == EntryKind::wait ? pages : lines;
    const std::string label = entry->label.substr(0, entry->label.find("\\n"));
    list += (list.empty() ? "" : ", ") + hex_bytes(key) +
            (label.empty() ? "" : " " + printable(label));
  }
  if (lines.empty() && pages.empty()) return std::nullopt;
  const std::string ends = text_of(MessageId::check_string_ends);
  return Message{MessageId::check_box_breaks,
                 {lines.empty() ? text_of(MessageId::check_no_keys) : lines,
                  pages.empty() ? ends : pages + ", " + ends}};
}

void print_own_summary(const CodeTable& table, int problems, std::FILE* out) {
  int counts[8] = {};
  for (unsigned byte = 0; byte < 256; ++byte)
    ++counts[static_cast<int>(table.at(static_cast<std::uint8_t>(byte)).kind)];
  const auto count = [&counts](EntryKind kind) {
    return std::to_string(counts[static_cast<int>(kind)]);
  };
  print(out, {MessageId::check_own_summary,
              {std::to_string(256 - counts[static_cast<int>(EntryKind::undefined)]),
               count(EntryKind::text), count(EntryKind::line_break), count(EntryKind::wait),
               count(EntryKind::end), count(EntryKind::fixed), count(EntryKind::snes),
               count(EntryKind::table_switch), std::to_string(problems)}});
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
    checked.closing.emplace_back(Message{MessageId::check_snes_without_end}, true);
  const LongKeys long_keys = find_long_keys(parsed);
  if (looks_standard(parsed) || long_keys.count > 0 || long_keys.in_directive)
    checked.closing.emplace_back(Message{MessageId::check_looks_standard}, false);
  if (auto breaks = box_breaks(table)) checked.closing.emplace_back(std::move(*breaks), false);
  checked.summary = [table = std::move(table)](int problems, std::FILE* out) {
    print_own_summary(table, problems, out);
  };
  return checked;
}

// ---- Standard tables.

// The entries of one table by kind and by key length, and how many.
std::pair<std::string, std::size_t> entries_of(const std::vector<Definition>& definitions) {
  CodeTable table(TableFormat::standard);
  table.lay_over(definitions);
  std::map<EntryKind, std::size_t> kinds;
  std::map<std::size_t, std::size_t> lengths;
  const auto keys = table.keys();
  for (const auto& [key, index] : keys) {
    ++kinds[table.entry(index).kind];
    ++lengths[key.size()];
  }
  const auto of = [&kinds](EntryKind kind) { return with_commas(kinds[kind]); };
  std::string by_length;
  for (const auto& [length, count] : lengths)
    by_length += (by_length.empty() ? "" : ", ") +
                 message_text({MessageId::check_key_length,
                               {std::to_string(length), with_commas(count)}});
  if (lengths.empty()) by_length = text_of(MessageId::check_no_keys);
  return {message_text({MessageId::check_entries,
                        {with_commas(keys.size()), of(EntryKind::text), of(EntryKind::end),
                         of(EntryKind::line_break), of(EntryKind::control),
                         of(EntryKind::frames), by_length}}),
          keys.size()};
}

// One table: its entries and the problems on one line. Several: a line for
// each table, then the entries of all and the problems.
void print_standard_summary(const StandardTable& file, int problems, std::FILE* out) {
  if (file.tables.size() == 1) {
    print(out, {MessageId::check_summary,
                {entries_of(file.definitions()).first, std::to_string(problems)}});
    return;
  }
  std::size_t entries = 0;
  for (const NamedTable& named : file.tables) {
    const auto [text, count] = entries_of(named.definitions);
    print(out, {MessageId::check_table_entries, {named.name, text}});
    entries += count;
  }
  print(out, {MessageId::check_summary_tables, {with_commas(entries),
                                                with_commas(file.tables.size()),
                                                std::to_string(problems)}});
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
  std::vector<std::string> names;
  for (const std::string_view name : {"shift-jis", "windows-1252"}) {
    const ValueConverter convert = converter_for(*encoding_named(name));
    if (std::all_of(values.begin(), values.end(),
                    [&convert](const std::string& value) { return convert(value).has_value(); }))
      names.emplace_back(name);
  }
  return or_list(names);
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
    const std::string count = with_commas(not_utf8.size());
    checked.closing.emplace_back(
        readers.empty() ? one ? Message{MessageId::check_value_unread}
                              : Message{MessageId::check_values_unread, {count}}
        : one           ? Message{MessageId::check_value_not_utf8, {readers}}
                        : Message{MessageId::check_values_not_utf8, {count, readers}},
        false);
  }
  CodeTable first(TableFormat::standard);
  if (!parsed.tables.empty()) first.lay_over(parsed.tables.front().definitions);
  if (auto breaks = box_breaks(first)) checked.closing.emplace_back(std::move(*breaks), false);
  checked.summary = [file = std::move(parsed)](int problems, std::FILE* out) {
    print_standard_summary(file, problems, out);
  };
  return checked;
}

// Each report as a line, up to the fifth of its group, then a line for each
// group with more; the problems among them, shown or not.
int print_reports(const Checked& checked, std::FILE* out) {
  std::vector<std::string> whats, kinds;
  int problems = 0;
  for (const TableReport& report : checked.reports) {
    const bool problem = report.severity != Severity::note;
    problems += problem ? 1 : 0;
    std::string what = report_text(report);
    if (checked.severity_words && problem)
      what = message_text({report.severity == Severity::error ? MessageId::severity_error
                                                              : MessageId::severity_warning,
                           {what}});
    const std::string_view group = report_row(report.id).group;
    kinds.push_back(group.empty() ? what : std::string(group));
    whats.push_back(std::move(what));
  }
  const Repeats repeats = repeats_of(std::span<const std::string>(kinds));
  for (std::size_t i = 0; i < checked.reports.size(); ++i) {
    if (!repeats.shown[i]) continue;
    const TableReport& report = checked.reports[i];
    const Message where =
        report.column > 0 ? Message{MessageId::check_where_column,
                                    {std::to_string(report.line), std::to_string(report.column)}}
                          : Message{MessageId::check_where_line, {std::to_string(report.line)}};
    print(out, {report.severity == Severity::note ? MessageId::check_note : MessageId::check_report,
                {message_text(where), printable(whats[i]), printable(report.content)}});
  }
  for (const Repeats::More& more : repeats.more)
    print(out, {MessageId::check_more,
                {with_commas(more.count), with_commas(checked.reports[more.first].line),
                 with_commas(checked.reports[more.last].line)}});
  return problems;
}

} // namespace

Failure check_table(const std::string& tablefile, TableFormat format, TableEncoding encoding,
                    std::FILE* out) {
  std::string bytes;
  Failure failure = Failure::none;
  const Console console = stream_console(stderr, false, false);
  if (!read_table_file(tablefile, bytes, console, failure))
    return failure;
  const Checked checked = format == TableFormat::standard ? check_standard(bytes, encoding)
                                                          : check_own(tablefile, bytes);
  int problems = print_reports(checked, out);
  for (const auto& [line, problem] : checked.closing) {
    print(out, line);
    if (problem) ++problems;
  }
  checked.summary(problems, out);
  if (const Failure written = report_written(out, console); written != Failure::none)
    return written;
  return problems == 0 ? Failure::none : Failure::table_problems;
}

int run_command(const CheckRequest& request) {
  return exit_status(check_table(request.tablefile,
                                 request.standard ? TableFormat::standard : TableFormat::own,
                                 request.encoding, stdout));
}

} // namespace textdump
