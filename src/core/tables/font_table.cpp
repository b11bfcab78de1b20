#include "core/tables/font_table.hpp"

#include <algorithm>
#include <array>

#include "core/base/base.hpp"

namespace textdump {

namespace {

constexpr char END_OF_FILE_CHAR = '\xFF'; // end of file, stored as a character

// One line being read: its bytes, and the character that ends it.
class LineReader {
public:
  LineReader(TableLine& info, char end_char)
      : info_(info), line_(info.content), end_char_(end_char) {}

  std::size_t size() const { return line_.size(); }

  // The character at column i; at or past the end, the character ending the line.
  char at(std::size_t i) const { return i < line_.size() ? line_[i] : end_char_; }

  std::uint32_t digit(std::size_t i) {
    const char c = at(i);
    if (!is_hex_digit(c)) info_.hex_reports.push_back({std::min(i, line_.size()), c});
    return static_cast<std::uint32_t>(hex_return(c));
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
    const std::size_t comma = line_.find(',', pos);
    const std::size_t stop = comma == std::string_view::npos ? line_.size() : comma;
    if (stop == pos) ++info_.empty_fields;
    const std::uint32_t value = number(pos, stop);
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
};

// Position of the code digits after a marker or "$": an optional "=" is skipped.
std::size_t digits_position(const LineReader& line) {
  return line.at(1) == '=' ? 2 : 1;
}

std::uint8_t low_byte(std::uint32_t value) {
  return static_cast<std::uint8_t>(value);
}

// The entry a directive line defines, when its keyword selects a directive.
bool read_directive(LineReader& line, TableLine& info, Entry& entry) {
  std::size_t pos = digits_position(line);
  info.code = line.code_at(pos);
  pos += 3; // the two digits, then one separator character that is not examined
  const std::size_t comma =
      pos < line.size() ? info.content.find(',', pos) : std::string_view::npos;
  if (comma == std::string_view::npos) {
    info.keyword = line.rest(pos);
    return false; // a keyword that no comma ends selects nothing
  }
  info.keyword = info.content.substr(pos, comma - pos);
  info.keyword_ended = true;
  pos = comma + 1;

  if (check_str(info.keyword, "FIXED")) {
    info.directive = Directive::fixed;
    const std::uint32_t base = line.comma_field(pos);
    const std::uint8_t length = low_byte(line.comma_field(pos));
    entry = fixed_entry(base, length, low_byte(line.last_field(pos)));
  } else if (check_str(info.keyword, "TABLE")) {
    info.directive = Directive::table;
    entry = switch_entry(low_byte(line.last_field(pos)));
  } else if (check_str(info.keyword, "SNES")) {
    info.directive = Directive::snes;
    if (pos >= line.size()) ++info.empty_fields;
    const SnesMap map = line.at(pos) == 'L' ? SnesMap::lorom : SnesMap::hirom;
    pos += 2; // the map letter and one character that is not examined
    const std::uint32_t base = line.comma_field(pos);
    const std::uint8_t size = low_byte(line.comma_field(pos));
    entry = snes_entry(map, base, size, low_byte(line.last_field(pos)));
  } else {
    return false;
  }
  return true;
}

// Reads one line; true when it defines an entry.
bool read_line(TableLine& info, char end_char, Entry& entry) {
  LineReader line(info, end_char);
  const char first = info.content[0];
  if (first == '*' || first == '\\' || first == '/') {
    info.kind = first == '*'    ? LineKind::line_break
                : first == '\\' ? LineKind::wait
                                : LineKind::end;
    info.code = line.code_at(digits_position(line));
    entry = first == '*' ? line_break_entry() : first == '\\' ? wait_entry() : end_entry();
    return true;
  }
  if (first == '$') {
    info.kind = LineKind::directive;
    return read_directive(line, info, entry);
  }
  info.kind = LineKind::text;
  info.code = line.code_at(0);
  info.text = line.rest(line.at(2) == '=' ? 3 : 2);
  entry = text_entry(info.text);
  return true;
}

} // namespace

FontTable parse_font_table(std::string_view bytes) {
  FontTable table;
  for (TextLines lines(bytes); const std::optional<TextLine> line = lines.next();) {
    if (line->content.empty()) continue;
    TableLine& info = table.lines.emplace_back();
    info.number = line->number;
    info.content = line->content;
    Entry entry;
    info.defines = read_line(info, line->end.empty() ? END_OF_FILE_CHAR : line->end[0], entry);
    if (info.defines)
      table.definitions.push_back({std::string(1, static_cast<char>(info.code)), std::move(entry)});
  }
  return table;
}

LongKeys find_long_keys(const FontTable& table) {
  LongKeys found;
  for (const TableLine& line : table.lines) {
    const std::string_view text = line.content;
    const std::size_t from = line.kind == LineKind::text ? 0 : 1;
    std::size_t digits = 0;
    while (from + digits < text.size() && is_hex_digit(text[from + digits])) ++digits;
    if (digits < 4 || from + digits >= text.size() || text[from + digits] != '=') continue;
    if (line.kind == LineKind::directive)
      found.in_directive = true;
    else if (found.count++ == 0)
      found.first = &line;
  }
  return found;
}

namespace {

// A text line that was meant for a two-byte code, such as 16FD=...
bool four_digit_code(const TableLine& line) {
  return line.kind == LineKind::text && line.content.size() > 4 && line.content[4] == '=' &&
         is_hex_digit(line.content[2]) && is_hex_digit(line.content[3]) &&
         line.hex_reports.empty();
}

bool blank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

ReportId hex_report_id(const TableLine& line, const HexReport& bad) {
  const auto c = static_cast<unsigned char>(bad.character);
  if (bad.column >= line.content.size())
    return c == 0xFF ? ReportId::own_hex_missing_at_file_end
                     : ReportId::own_hex_missing_at_line_end;
  return c >= 0x20 && c < 0x7F ? ReportId::own_hex_not_digit : ReportId::own_hex_byte_not_digit;
}

} // namespace

std::vector<TableReport> font_table_reports(const FontTable& table) {
  std::vector<TableReport> reports;
  std::array<std::size_t, 256> defined_on{}; // the line that last defined each code
  for (const TableLine& line : table.lines) {
    const auto add = [&](Severity severity, ReportId id, std::vector<std::string> args = {}) {
      reports.push_back({{id, severity, line.number, 0, std::move(args)}, line.content});
    };
    for (const HexReport& bad : line.hex_reports)
      add(Severity::error, hex_report_id(line, bad),
          {std::string(1, bad.character), std::to_string(bad.column + 1)});
    if (line.kind == LineKind::directive) {
      if (line.directive == Directive::none) {
        if (line.keyword_ended)
          add(Severity::error, ReportId::own_keyword_unknown, {std::string(line.keyword)});
        else
          add(Severity::error, ReportId::own_keyword_without_comma);
        continue;
      }
      if (line.empty_fields > 0)
        add(Severity::error,
            line.empty_fields == 1 ? ReportId::own_empty_field : ReportId::own_empty_fields,
            {std::to_string(line.empty_fields)});
    }
    // A text of spaces only (a space entry) is meant; one with spaces around
    // other characters usually is not.
    if (line.kind == LineKind::text && !blank(line.text)) {
      const char first = line.text.front(), last = line.text.back();
      if (first == ' ' || first == '\t' || last == ' ' || last == '\t')
        add(Severity::note, ReportId::own_text_spaced);
    }
    const bool four_digits = four_digit_code(line);
    if (four_digits)
      add(Severity::error, ReportId::own_four_digit_code,
          {std::string(line.content.substr(0, 4)), hex_byte(line.code), std::string(line.text)});
    std::size_t& previous = defined_on[line.code];
    if (line.defines) {
      if (previous != 0 && !four_digits)
        add(Severity::error, ReportId::own_code_again,
            {hex_byte(line.code), std::to_string(previous)});
      previous = line.number;
    }
  }
  return reports;
}

} // namespace textdump
