// core/base: what every component of core builds on. No file of it opens a
// file, prints, or knows a table or a platform.
//
//   rom_view.hpp         a ROM in memory, read at 32-bit offsets (0xFF past
//                        its end), pointer values of 2 to 4 bytes, the 1 KiB
//                        of text that readers judging ROM text follow
//   numbers.hpp          hexadecimal digits, numbers and keyword prefixes
//   fields.hpp           the comma fields of option arguments
//   text_lines.hpp       text read line by line: the one reading of line ends
//   utf8.hpp             UTF-8 well-formedness
//   chunked_text.hpp     text of any size, kept in chunks, never copied whole
//   report.hpp           reports as ids and arguments, never words
//   warning_summary.hpp  five warnings of a kind, then one count
//
// Each header states its own contract; this one only gathers them.
#pragma once

#include "core/base/chunked_text.hpp"
#include "core/base/fields.hpp"
#include "core/base/numbers.hpp"
#include "core/base/report.hpp"
#include "core/base/rom_view.hpp"
#include "core/base/text_lines.hpp"
#include "core/base/utf8.hpp"
#include "core/base/warning_summary.hpp"
