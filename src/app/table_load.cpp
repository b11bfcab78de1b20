#include "app/table_load.hpp"

#include "app/messages.hpp"
#include "io/files.hpp"

namespace textdump {

bool load_font_table(const std::string& tablefile, const Console& console, LoadedTable& loaded) {
  const ReadStatus status = read_file(tablefile, loaded.bytes);
  if (status != ReadStatus::ok) {
    say(console, status == ReadStatus::too_large ? message_table_too_large(tablefile)
                                                 : std::string(COULDNT_READ_TABLE));
    pause(console);
    return false;
  }
  loaded.table = parse_font_table(loaded.bytes);
  for (const TableLine& line : loaded.table.lines)
    for (const HexReport& bad : line.hex_reports) say(console, hex_error_text(bad.character));
  return true;
}

bool read_table_file(const std::string& tablefile, std::string& bytes, const Console& console,
                     Failure& failure) {
  const ReadStatus status = read_file(tablefile, bytes);
  if (status == ReadStatus::ok) return true;
  failure = status == ReadStatus::cannot_open ? Failure::table_open : Failure::table_read;
  say(console, status == ReadStatus::cannot_open ? message_table_open(tablefile)
               : status == ReadStatus::too_large ? message_table_too_large(tablefile)
                                                 : message_table_unreadable(tablefile));
  return false;
}

std::optional<std::vector<Definition>> load_standard_table(const std::string& tablefile,
                                                           TableEncoding encoding,
                                                           const Console& console,
                                                           Failure& failure) {
  std::string bytes;
  if (!read_table_file(tablefile, bytes, console, failure)) return std::nullopt;
  StandardTable table = parse_standard_table(bytes, converter_for(encoding));
  if (table.errors == 0) return std::move(table.definitions);
  for (const TableReport& report : table.reports)
    if (report.severity == Severity::error)
      say(console, message_table_error(tablefile, report.line, report.column, report.message));
  failure = Failure::table_invalid;
  return std::nullopt;
}

Failure load_code_table(const std::string& tablefile, bool standard, TableEncoding encoding,
                        const Console& console, CodeTable& table) {
  if (standard) {
    Failure failure = Failure::none;
    const auto definitions = load_standard_table(tablefile, encoding, console, failure);
    if (!definitions) return failure;
    table.lay_over(*definitions);
    return Failure::none;
  }
  if (!file_opens(tablefile)) {
    say(console, message_table_open(tablefile));
    return Failure::table_open;
  }
  LoadedTable loaded;
  if (!load_font_table(tablefile, console, loaded)) return Failure::table_read;
  table.lay_over(loaded.table.definitions);
  return Failure::none;
}

} // namespace textdump
