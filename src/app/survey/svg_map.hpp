// The survey as an SVG picture: the ROM in rows (core/survey/survey_picture.hpp),
// text, pointer tables and free space in three colours on the colour of the
// other bytes, each pointer table joined by a curve to the outline of the text
// it points into and named under its first piece (never over the name before
// it in the row: it moves right of that one), a legend, and the file offset
// and platform address at each row's start and at the bank edges inside a
// row. Every text in it is already
// printable (messages.hpp printable); it is escaped for XML here.
//
// Its size is bounded by the picture's cells, not by the ROM's spans: about
// 1.4 MB at most, whatever the ROM.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/survey/survey.hpp"

namespace textdump {

struct SvgMap {
  std::string title;                              // the ROM's name
  std::uint64_t rom_size = 0, bank_bytes = 0;     // bank_bytes 0: no banks
  std::vector<std::string> table_names;           // by candidate: "#1 lorom, 155 pointers"
  std::function<std::string(std::uint64_t)> address; // the platform's, or empty
};

std::string svg_map(const SvgMap& map, const Survey& survey, const PictureLayout& layout);

// &, <, > and " as entities.
std::string xml_escaped(std::string_view text);

} // namespace textdump
