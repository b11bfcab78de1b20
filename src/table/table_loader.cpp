#include "table/table_loader.hpp"

#include <algorithm>

#include "hexutil/hexutil.hpp"
#include "table/read_file.hpp"

namespace textdump {

namespace {

constexpr char END_OF_FILE_CHAR = '\xFF'; // end of file, stored as a character

// One line being read: its bytes, and the character that ends it.
class LineReader {
public:
  LineReader(TableLine& info, char end_char, const Console& console)
      : info_(info), line_(info.content), end_char_(end_char), console_(console) {}

  std::size_t size() const { return line_.size(); }

  // The character at column i; at or past the end, the character ending the line.
  char at(std::size_t i) const { return i < line_.size() ? line_[i] : end_char_; }

  std::uint32_t digit(std::size_t i) {
    const char c = at(i);
    if (!is_hex_digit(c)) info_.hex_reports.push_back({std::min(i, line_.size()), c});
    return static_cast<std::uint32_t>(hex_return(c, console_));
  }

  // The code written as two digits at columns i and i + 1.
  std::uint8_t code_at(std::size_t i) {
    const std::uint32_t high = digit(i);
    return static_cast<std::uint8_t>(high * 16 + digit(i + 1));
  }

  // The number in columns [from, to), accumulated in 32 bits.
  std::uint32_t number(std::size_t from, std::size_t to) {
    std::uint32_t value = 0;
    for (std::size_t i = from; i < to; ++i) value = (value << 4) + digit(i);
    return value;
  }

  // A field ended by "," or by the end of the line; pos moves past the comma,
  // or past the end of the line so that later fields are empty.
  std::uint32_t comma_field(std::size_t& pos) {
    if (pos >= line_.size()) return empty_field();
    std::size_t comma = line_.find(',', pos);
    std::size_t stop = comma == std::string_view::npos ? line_.size() : comma;
    if (stop == pos) ++info_.empty_fields;
    std::uint32_t value = number(pos, stop);
    pos = comma == std::string_view::npos ? line_.size() + 1 : comma + 1;
    return value;
  }

  // The last field runs to the end of the line.
  std::uint32_t last_field(std::size_t pos) {
    if (pos >= line_.size()) return empty_field();
    return number(pos, line_.size());
  }

  std::string_view rest(std::size_t pos) const {
    return pos < line_.size() ? line_.substr(pos) : std::string_view{};
  }

private:
  std::uint32_t empty_field() {
    ++info_.empty_fields;
    return 0;
  }

  TableLine& info_;
  std::string_view line_;
  char end_char_;
  const Console& console_;
};

// Position of the code digits after a marker or "$": an optional "=" is skipped.
std::size_t digits_position(const LineReader& line) {
  return line.at(1) == '=' ? 2 : 1;
}

void read_directive(LineReader& line, TableLine& info, CodeTable& table) {
  std::size_t pos = digits_position(line);
  const std::uint8_t code = line.code_at(pos);
  info.code = code;
  pos += 3; // the two digits, then one separator character that is not examined
  const std::size_t comma =
      pos < line.size() ? info.content.find(',', pos) : std::string_view::npos;
  if (comma == std::string_view::npos) {
    info.keyword = line.rest(pos);
    return; // a keyword that no comma ends selects nothing
  }
  info.keyword = info.content.substr(pos, comma - pos);
  info.keyword_ended = true;
  pos = comma + 1;

  CodeParams& params = table.code_params[code];
  if (check_str(info.keyword, "FIXED")) {
    info.directive = Directive::fixed;
    table.code_value[code] = CODE_POINTER;
    table.code_base[code] = line.comma_field(pos);
    params.format = FORMAT_FIXED;
    params.p1 = static_cast<std::uint8_t>(line.comma_field(pos));
    params.p2 = static_cast<std::uint8_t>(line.last_field(pos));
  } else if (check_str(info.keyword, "TABLE")) {
    info.directive = Directive::table;
    table.code_value[code] = CODE_TABLE_SWITCH;
    params.format = FORMAT_TABLE;
    params.p1 = static_cast<std::uint8_t>(line.last_field(pos));
  } else if (check_str(info.keyword, "SNES")) {
    info.directive = Directive::snes;
    table.code_value[code] = CODE_POINTER;
    if (pos >= line.size()) ++info.empty_fields;
    params.p1 = line.at(pos) == 'L' ? MAP_LOROM : MAP_HIROM;
    pos += 2; // the map letter and one character that is not examined
    table.code_base[code] = line.comma_field(pos);
    params.format = FORMAT_SNES;
    params.p2 = static_cast<std::uint8_t>(line.comma_field(pos));
    params.p3 = static_cast<std::uint8_t>(line.last_field(pos));
  }
}

void read_line(TableLine& info, char end_char, CodeTable& table, const Console& console) {
  LineReader line(info, end_char, console);
  const char first = info.content[0];
  if (first == '*' || first == '\\' || first == '/') {
    info.kind = first == '*'    ? LineKind::line_break
                : first == '\\' ? LineKind::wait
                                : LineKind::end;
    info.code = line.code_at(digits_position(line));
    table.code_value[info.code] = first == '*'    ? CODE_LINE_BREAK
                                  : first == '\\' ? CODE_WAIT
                                                  : CODE_END;
  } else if (first == '$') {
    info.kind = LineKind::directive;
    read_directive(line, info, table);
  } else {
    info.kind = LineKind::text;
    info.code = line.code_at(0);
    const std::size_t pos = line.at(2) == '=' ? 3 : 2;
    info.text = line.rest(pos);
    const std::size_t offset = info.offset + pos;
    table.code_value[info.code] =
        static_cast<std::uint32_t>(std::min<std::size_t>(offset, CODE_TEXT_MAX));
    table.code_text[info.code].assign(info.text);
  }
}

} // namespace

void parse_font_table(std::string_view bytes, CodeTable& table, const Console& console,
                      const TableLineObserver& observer) {
  std::size_t start = 0;
  std::size_t number = 0;
  while (start < bytes.size()) {
    const std::size_t line_end = bytes.find_first_of("\r\n", start);
    const bool at_file_end = line_end == std::string_view::npos;
    const std::size_t stop = at_file_end ? bytes.size() : line_end;
    std::size_t next = stop;
    if (!at_file_end)
      next = (bytes[stop] == '\r' && stop + 1 < bytes.size() && bytes[stop + 1] == '\n') ? stop + 2
                                                                                         : stop + 1;
    ++number;
    if (stop > start) {
      TableLine info;
      info.number = number;
      info.offset = start;
      info.content = bytes.substr(start, stop - start);
      read_line(info, at_file_end ? END_OF_FILE_CHAR : bytes[stop], table, console);
      if (observer) observer(info);
    }
    start = next;
  }
}

int load_font_table(CodeTable& table, const std::string& tablefile, const Console& console,
                    const TableLineObserver& observer) {
  std::string bytes;
  const ReadStatus status = read_file(tablefile, bytes);
  if (status != ReadStatus::ok) {
    say(console, status == ReadStatus::too_large
                     ? "The table file \"" + name_until_nul(tablefile) +
                           "\" is larger than 64 MiB; no table is that large.\n"
                     : std::string("Couldn't read table file.\n"));
    pause(console);
    return 1;
  }
  parse_font_table(bytes, table, console, observer);
  return 0;
}

} // namespace textdump
