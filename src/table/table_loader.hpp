// The table loader: reads a table file and lays its definitions over the code
// table.
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
//   byte fields their low 8.
// - A load writes only what the file defines; nothing is ever cleared.
// - A text entry keeps its own bytes in code_text; its code_value is the text's
//   offset in the file, capped at CODE_TEXT_MAX so it always reads as a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hexutil/console.hpp"
#include "table/code_table.hpp"

namespace textdump {

enum class LineKind { text, line_break, wait, end, directive };
enum class Directive { none, fixed, table, snes };

// A character in a digit position or number field that is not a hex digit.
struct HexReport {
  std::size_t column; // 0-based within the line; at the line's end for a missing digit
  char character;     // as reported: CR, LF, or 0xFF at the end of the file
};

// What one non-empty line of a table file defined, for the table checker.
struct TableLine {
  std::size_t number = 0;   // 1-based, empty lines counted
  std::size_t offset = 0;   // file offset of the line's first byte
  std::string_view content; // the line without its line end
  LineKind kind = LineKind::text;
  std::uint8_t code = 0;
  Directive directive = Directive::none; // directive lines: what the keyword selected
  std::string_view keyword;              // directive lines
  bool keyword_ended = false;            // a "," ended the keyword on its line
  int empty_fields = 0;                  // selected directives: fields with no characters
  std::string_view text;                 // text entries
  std::vector<HexReport> hex_reports;
};

using TableLineObserver = std::function<void(const TableLine&)>;

// Lays the definitions of the table file held in bytes over the code table.
// Reports non-digits through the console; observer, when given, sees every line.
void parse_font_table(std::string_view bytes, CodeTable& table, const Console& console,
                      const TableLineObserver& observer = nullptr);

// Reads the named table file into memory once and parses it. When the file
// cannot be read: "Couldn't read table file.\n" (or, over 64 MiB, a message
// naming the file and the limit), the pause, result 1 and the code table
// unchanged. Otherwise result 0.
int load_font_table(CodeTable& table, const std::string& tablefile, const Console& console,
                    const TableLineObserver& observer = nullptr);

} // namespace textdump
