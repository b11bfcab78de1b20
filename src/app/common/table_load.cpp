#include "app/common/table_load.hpp"

#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

// The tool's own format: a file that does not open is named; one that opens
// loads whatever it holds.
Failure load_own(const std::string& tablefile, const Console& console, LoadedTables& loaded) {
  if (!file_opens(tablefile)) {
    say(console, {MessageId::table_open, {shown(tablefile)}});
    pause(console);
    return Failure::table_open;
  }
  LoadedTable file;
  if (!load_font_table(tablefile, console, file)) return Failure::table_read;
  CodeTable& table = loaded.tables.emplace_back(TableFormat::own);
  table.lay_over(file.table.definitions);
  const LongKeys long_keys = find_long_keys(file.table);
  if (long_keys.count > 0)
    loaded.warnings.push_back({MessageId::warning_long_keys,
                               {shown(tablefile), with_commas(long_keys.count),
                                with_commas(long_keys.first->number),
                                printable(long_keys.first->content)}});
  if (table.has_snes_without_end()) loaded.warnings.push_back({MessageId::warning_no_end_for_snes});
  return Failure::none;
}

Failure load_standard(const TableRequest& request, const Console& console, LoadedTables& loaded) {
  std::string bytes;
  Failure failure = Failure::none;
  if (!read_table_file(request.tablefile, bytes, console, failure)) return failure;
  const StandardTable file = parse_standard_file(bytes, request.encoding);
  if (file.errors > 0) {
    for (const TableReport& report : file.reports)
      if (report.severity == Severity::error)
        say(console, {MessageId::diagnostic_error,
                      {shown(request.tablefile), std::to_string(report.line),
                       std::to_string(report.column), report_text(report)}});
    return Failure::table_invalid;
  }
  if (!request.start_table.empty()) {
    const std::optional<std::size_t> start = table_named(file, request.start_table);
    if (!start) {
      say(console, {MessageId::no_such_table,
                    {shown(request.tablefile), shown(printable(request.start_table))}});
      return Failure::table_invalid;
    }
    loaded.start = *start;
  }
  for (const NamedTable& named : file.tables)
    loaded.tables.emplace_back(TableFormat::standard).lay_over(named.definitions);
  std::size_t again = 0;
  const TableReport* first = nullptr;
  for (const TableReport& report : file.reports)
    if (report.id == ReportId::std_key_again && again++ == 0) first = &report;
  if (first)
    loaded.warnings.push_back({MessageId::warning_keys_again,
                               {shown(request.tablefile), with_commas(again),
                                with_commas(first->line), printable(first->content)}});
  return Failure::none;
}

} // namespace

bool load_font_table(const std::string& tablefile, const Console& console, LoadedTable& loaded) {
  const ReadStatus status = read_file(tablefile, loaded.bytes);
  if (status != ReadStatus::ok) {
    say(console, status == ReadStatus::too_large
                     ? Message{MessageId::table_too_large, {shown(tablefile)}}
                     : Message{MessageId::table_unreadable_short});
    pause(console);
    return false;
  }
  loaded.table = parse_font_table(loaded.bytes);
  for (const TableLine& line : loaded.table.lines)
    for (const HexReport& bad : line.hex_reports) write(console, hex_error_text(bad.character));
  return true;
}

bool read_table_file(const std::string& tablefile, std::string& bytes, const Console& console,
                     Failure& failure) {
  const ReadStatus status = read_file(tablefile, bytes);
  if (status == ReadStatus::ok) return true;
  failure = status == ReadStatus::cannot_open ? Failure::table_open : Failure::table_read;
  const MessageId why = status == ReadStatus::cannot_open ? MessageId::table_open
                        : status == ReadStatus::too_large ? MessageId::table_too_large
                                                          : MessageId::table_unreadable;
  say(console, {why, {shown(tablefile)}});
  return false;
}

StandardTable parse_standard_file(std::string& bytes, TableEncoding encoding) {
  std::optional<std::string> utf8 = whole_file_in_utf8(bytes, encoding);
  if (!utf8) {
    StandardTable refused;
    refused.tables.emplace_back();
    refused.reports.push_back({{ReportId::std_file_encoding, Severity::error, 1, 1, {}}, {}});
    refused.errors = 1;
    return refused;
  }
  bytes = std::move(*utf8);
  return parse_standard_table(bytes, converter_for(encoding));
}

Failure load_tables(const TableRequest& request, const Console& console, LoadedTables& loaded) {
  return request.format == TableFormat::standard ? load_standard(request, console, loaded)
                                                 : load_own(request.tablefile, console, loaded);
}

} // namespace textdump
