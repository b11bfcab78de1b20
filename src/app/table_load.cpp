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

std::optional<std::vector<Definition>> load_standard_table(const std::string& tablefile,
                                                           TableEncoding encoding,
                                                           const Console& console,
                                                           Failure& failure) {
  std::string bytes;
  switch (read_file(tablefile, bytes)) {
  case ReadStatus::ok: break;
  case ReadStatus::cannot_open:
    failure = Failure::table_open;
    say(console, message_table_open(tablefile));
    return std::nullopt;
  case ReadStatus::too_large:
    failure = Failure::table_read;
    say(console, message_table_too_large(tablefile));
    return std::nullopt;
  default:
    failure = Failure::table_read;
    say(console, message_table_unreadable(tablefile));
    return std::nullopt;
  }
  StandardTable table = parse_standard_table(bytes, converter_for(encoding));
  if (table.errors == 0) return std::move(table.definitions);
  for (const TableReport& report : table.reports)
    if (report.severity == Severity::error)
      say(console, message_table_error(tablefile, report.line, report.column, report.message));
  failure = Failure::table_invalid;
  return std::nullopt;
}

} // namespace textdump
