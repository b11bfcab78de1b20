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

} // namespace textdump
