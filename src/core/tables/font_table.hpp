// Table files in the tool's own format: bytes in, definitions and line reports out.
//
// Contract:
// - A line ends at CR LF, a lone LF or a lone CR; the next line begins right
//   after it. Every line is read from its first byte; empty lines are passed
//   over without a report.
// - The first character picks the line kind:
//     *XX  line break     \XX  wait     /XX  end     (an optional "=" after the marker)
//     $XX=KEYWORD,fields  directive: FIXED,base,length,count  TABLE,number
//                                    SNES,map,base,size,count
//     XX=text or XXtext   text entry (the text runs to the end of the line)
// - Two hexadecimal code digits follow; a digit position at or past the end of
//   the line counts as 0 and is reported as the character that ends the line.
// - The keyword runs to the first "," on its line and is matched by check_str
//   against FIXED, TABLE, SNES in that order; without a comma it selects
//   nothing. Comma fields end at "," or at the end of the line; the last field
//   ends at the end of the line; an empty number is 0. Numbers keep 32 bits,
//   byte fields their low 8. The SNES map letter "L" is LoROM, any other HiROM.
// - Every character in a digit position or number field that is not a hex
//   digit counts as 0 and is reported with its column; the line still defines.
// - The definitions come in file order; the later of two for one key wins.
// - font_table_reports: what the checker says of each line, in line order, and
//   within a line: its bad digits, its keyword or empty fields, then a text's
//   spaces, a four-digit code and a code defined again. No column: a bad
//   digit's column is among its arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/tables/code_table.hpp"
#include "core/base/base.hpp"

namespace textdump {

enum class LineKind { text, line_break, wait, end, directive };
enum class Directive { none, fixed, table, snes };

// A character in a digit position or number field that is not a hex digit.
struct HexReport {
  std::size_t column; // 0-based within the line; at the line's end for a missing digit
  char character;     // as reported: CR, LF, or 0xFF at the end of the file
};

// What one non-empty line of a table file holds. The views point into the
// bytes that were parsed.
struct TableLine {
  std::size_t number = 0;   // 1-based, empty lines counted
  std::string_view content; // the line without its line end
  LineKind kind = LineKind::text;
  std::uint8_t code = 0;
  Directive directive = Directive::none; // directive lines: what the keyword selected
  std::string_view keyword;              // directive lines
  bool keyword_ended = false;            // a "," ended the keyword on its line
  int empty_fields = 0;                  // selected directives: fields with no characters
  std::string_view text;                 // text entries
  std::vector<HexReport> hex_reports;
  bool defines = false; // the line defines an entry (the next of the definitions)
};

struct FontTable {
  std::vector<TableLine> lines;        // every non-empty line
  std::vector<Definition> definitions; // in file order
};

FontTable parse_font_table(std::string_view bytes);

std::vector<TableReport> font_table_reports(const FontTable& table);

// Lines whose key has four or more hex digits before its "=": keys of a
// standard table, which this format reads as one-byte codes.
struct LongKeys {
  std::size_t count = 0;            // entry lines (not directives) with such a key
  const TableLine* first = nullptr; // the first of them
  bool in_directive = false;        // a directive line has such a key too
};
LongKeys find_long_keys(const FontTable& table);

} // namespace textdump
