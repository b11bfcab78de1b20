#include "app/checker.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "app/messages.hpp"
#include "app/reporter.hpp"
#include "app/table_load.hpp"
#include "core/code_table.hpp"
#include "core/font_table.hpp"
#include "core/numbers.hpp"
#include "core/table_family.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

struct Checker {
  std::string tablefile;
  Reporter reporter;
  std::array<std::size_t, 256> defined_on{}; // line that last defined each code
  bool looks_standard = false;

  void report(const TableLine& line, const std::string& what, bool problem = true,
              const std::string& kind = {}) {
    reporter.report(line.number, "line " + std::to_string(line.number), line.content, what, problem,
                    kind);
  }

  // "#" or "@" lines and "/XX=label" ends are written for standard tables (as
  // are keys of four or more digits, found once the file is read).
  void see_format(const TableLine& line) {
    const std::string_view text = line.content;
    const bool labelled_end = line.kind == LineKind::end && text.size() > 4 && text[3] == '=';
    if (text[0] == '#' || text[0] == '@' || labelled_end) looks_standard = true;
  }

  void check_member(const TableLine& line, std::uint8_t number, const char* role) {
    std::string member = tablefile;
    if (!set_table_digit(member, table_digit(number))) {
      report(line, member == tablefile
                       ? std::string("the table file name has no table digit for the ") + role
                       : std::string("the ") + role + " would load \"" + printable(member) +
                             "\", whose table digit is a folder separator or NUL");
      return;
    }
    if (!file_opens(member))
      report(line, std::string("the ") + role + " loads \"" + name_until_nul(member) +
                       "\", which cannot be opened");
  }

  // What a reported character means to someone fixing the line.
  static std::string hex_report_text(const TableLine& line, const HexReport& bad) {
    std::string text = hex_error_text(bad.character);
    text.pop_back(); // the line end
    text += " at column " + std::to_string(bad.column + 1);
    const unsigned char c = static_cast<unsigned char>(bad.character);
    if (bad.column >= line.content.size())
      text += c == 0xFF ? " (a digit is missing at the end of the file)"
                        : " (a digit is missing at the end of the line)";
    else if (c >= 0x20 && c < 0x7F)
      text += std::string(" ('") + bad.character + "' is not a hex digit)";
    else
      text += " (this byte is not a hex digit)";
    return text;
  }

  // A text line that was meant for a two-byte code, such as 16FD=...
  static bool four_digit_code(const TableLine& line) {
    return line.kind == LineKind::text && line.content.size() > 4 && line.content[4] == '=' &&
           is_hex_digit(line.content[2]) && is_hex_digit(line.content[3]) &&
           line.hex_reports.empty();
  }

  static bool blank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
  }

  void check_line(const TableLine& line, const Entry* entry) {
    see_format(line);
    for (const HexReport& bad : line.hex_reports)
      report(line, hex_report_text(line, bad), true, "hex");
    if (line.kind == LineKind::directive) {
      if (line.directive == Directive::none) {
        report(line,
               line.keyword_ended
                   ? "keyword \"" + std::string(line.keyword) + "\" selects no directive"
                   : "directive without a comma after its keyword",
               true, "keyword");
        return;
      }
      if (line.empty_fields > 0)
        report(line,
               "directive has " + std::to_string(line.empty_fields) +
                   (line.empty_fields == 1 ? " empty field" : " empty fields"),
               true, "fields");
      if (line.directive == Directive::table) check_switch(line, entry->table);
    }
    // A text of spaces only (a space entry) is meant; one with spaces around
    // other characters usually is not.
    if (line.kind == LineKind::text && !blank(line.text)) {
      const char first = line.text.front(), last = line.text.back();
      if (first == ' ' || first == '\t' || last == ' ' || last == '\t')
        report(line, "text begins or ends with a space or tab", false, "space");
    }
    const bool four_digits = four_digit_code(line);
    if (four_digits)
      report(line,
             "four-digit code " + std::string(line.content.substr(0, 4)) +
                 ": this line defines code " + hex_byte(line.code) + " with the text \"" +
                 std::string(line.text) + "\"",
             true, "four-digit");
    std::size_t& previous = defined_on[line.code];
    if (line.defines) {
      if (previous != 0 && !four_digits)
        report(line,
               "code " + hex_byte(line.code) + " was defined on line " + std::to_string(previous) +
                   "; this line wins",
               true, "again");
      previous = line.number;
    }
  }

  // A TABLE entry: the member it loads, and member 0 that the next END loads back.
  void check_switch(const TableLine& line, std::uint8_t number) {
    check_member(line, number, "switch");
    check_member(line, 0, "restore");
    std::string member = tablefile;
    if (!set_table_digit(member, table_digit(number))) return;
    const std::size_t part = tablefile.find_last_of("/\\");
    const std::size_t digit = tablefile.find('.', part == std::string::npos ? 0 : part + 1) - 1;
    const char now = tablefile[digit], then = member[digit];
    report(line,
           "this switch loads \"" + name_until_nul(member) + "\" (table digit '" + now +
               "' becomes " +
               (then == '\0' ? std::string("the end of the name") : std::string("'") + then + "'") +
               ")",
           false);
  }
};

void print_summary(const CodeTable& table, int problems, std::FILE* out) {
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

} // namespace

int check_table_file(const std::string& tablefile, std::FILE* out) {
  std::string bytes;
  Failure failure = Failure::none;
  if (!read_table_file(tablefile, bytes, stream_console(stderr, false, false), failure)) return 1;
  const FontTable parsed = parse_font_table(bytes);
  Checker checker{tablefile, Reporter{out}};
  std::size_t next = 0;
  for (const TableLine& line : parsed.lines)
    checker.check_line(line, line.defines ? &parsed.definitions[next++].entry : nullptr);
  checker.reporter.print_repeats();
  CodeTable table;
  table.lay_over(parsed.definitions);
  if (table.has_snes_without_end()) {
    std::fputs("the table has SNES entries but no END entry: every string they point to runs to "
               "the end of the ROM file\n",
               out);
    ++checker.reporter.problems;
  }
  const LongKeys long_keys = find_long_keys(parsed);
  if (checker.looks_standard || long_keys.count > 0 || long_keys.in_directive)
    std::fputs("note: this looks like a standard table (keys of four or more digits, # or @ "
               "lines, or /XX=label ends): check it with --check --std-table\n",
               out);
  print_summary(table, checker.reporter.problems, out);
  return checker.reporter.problems == 0 ? 0 : 1;
}

} // namespace textdump
