// The text box a game draws its strings in: how wide each line of a script
// dump's strings is, and how many lines each page holds, measured as the
// insertion table reads the text.
//
// A line ends at a line-break entry of the insertion table (its "*" lines), at
// a table text that ends a line of the dump's original text (a label the
// dumped table ends with a line break, a wait) and at the texts the caller
// names; a page ends at a wait ("[WAIT]", "<WAIT>"), at the texts the caller
// names and where a string ends (its end token, or its end). Breaks of the
// script's own lines write nothing and end nothing. A line is as wide as its
// table texts: a character each, or with a width table their pixels (a text
// the width table does not hold is as wide as its characters together, when
// they all are in it). A control code (a label in <...> or [...], a raw byte
// <$XX>) is 0 wide unless the width table gives it a width.
//
// With a box, every line wider than the box is an error and so is every page
// of more lines than it holds; without one, a line wider than the widest line
// of the original text of its block is a warning. The original text is the
// dump's // lines before each string's text, which an edit keeps. Reports
// have the line and column of the line's first text.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/base.hpp"
#include "core/script/script_types.hpp"

namespace textdump {

struct TextBox {
  std::uint32_t width = 0; // characters a line, or pixels with widths; 0: no box
  std::uint32_t lines = 0; // lines a page; 0: any number
  std::map<std::string, std::uint32_t, std::less<>> widths; // pixels of each text; none: characters
  std::vector<std::string> line_breaks, pages; // texts that end a line, a page, beside the table's
};

// "COLUMNS" or "COLUMNSxLINES", decimal numbers above 0: the width and lines.
std::variant<std::pair<std::uint32_t, std::uint32_t>, Report> parse_box(std::string_view text);

// A width table: one TEXT=WIDTH a line (the text up to the last "=", the width
// in decimal pixels), blank lines passed over; a report naming the first line
// that is wrong.
std::variant<std::map<std::string, std::uint32_t, std::less<>>, Report>
parse_widths(std::string_view file);

// "21 characters a line, 3 lines a page" ("pixels" with widths); empty without a width.
std::string box_text(const TextBox& box);

// The lines and pages of the script's strings against the box (or, without a
// width, against their original text), the insertion table its first #ADDTBL
// names read through read_table; nothing when it cannot be read (the fitter
// says so).
std::vector<Report> check_box(std::string_view script, const FitTableReader& read_table,
                              const TextBox& box);

} // namespace textdump
