// The bytes that fill a generated ROM: the character table and the strings
// encoded through it, and filler made of random bytes, code-like bytes,
// padding runs and 8x8 font tiles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "generator/rom_random.hpp"

namespace textdump::testing {

struct CharTable {
  std::array<std::int16_t, 128> code{}; // the byte of each character, -1 for none
  std::uint8_t end_byte = 0;
  std::optional<std::uint8_t> line_break;
  std::vector<std::uint8_t> text_bytes; // the bytes of the characters, ascending
  std::string file_text;                // XX=c lines, /XX=<END>, *XX for the line break
};

// Letters, digits, punctuation and space on a byte range drawn from the seed:
// their ASCII codes or a shifted block; the end byte is 0x00 or 0xFF.
CharTable make_char_table(Rng& rng);

// A string of 3 to max_length characters (max_length from 3 to 60) made of
// words, encoded through the table, the end byte included.
std::vector<std::uint8_t> make_string(Rng& rng, const CharTable& table, std::size_t max_length);

// Upper-case words, space-padded to width, for header titles.
std::string make_title(Rng& rng, std::size_t width);

enum class Cpu { m6502, m65816, sm83, arm };

// Plausible machine code of the processor; the last instruction may be cut.
void fill_code(Rng& rng, std::span<std::uint8_t> out, Cpu cpu);

// 8x8 font tiles, 1 or 2 bits per pixel, the two planes interleaved by row or
// one after the other. text_like tiles use only text bytes of the table for
// their rows and the end byte for blank rows; other tiles use glyph rows, some
// of which are text bytes, and 0x00 for blank rows.
void fill_tiles(Rng& rng, std::span<std::uint8_t> out, const CharTable& table, bool two_planes,
                bool planar, bool text_like);

// A mix of random bytes, code, 0x00/0xFF padding runs and font tiles.
void fill_filler(Rng& rng, std::span<std::uint8_t> out, const CharTable& table, Cpu cpu,
                 bool planar_tiles);

} // namespace textdump::testing
