// Seeded test ROMs for the relative search: text in a random encoding (1- or
// 2-byte codes in either byte order, the runs of letters with or without gaps
// between them, Latin or kana text), known words planted in its sentences or
// left out, random filler around the text. The same options give the same
// bytes with every compiler and standard library.
//
// Beside the plain text, a family gives the font one trait of real games':
//   capitals_apart       Latin; A-Z, the space and punctuation in one block of
//                        codes, a-z and 0-9 in another (another high byte for
//                        2-byte codes); three words of one capital each (no
//                        space), and the text holds them in lower case too
//   unmatched_word       a fourth word, one pair of its letters written as a
//                        ligature of one code of its own: it matches nowhere
//   letter_out_of_order  one letter of the words' run is moved elsewhere in it;
//                        the font's order is given as an order file's text
//   two_byte_letter      Latin, 1-byte codes; a letter (ñ, é, ü, ç) written as
//                        two codes among the others, in the first two words
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generator/rom_generator.hpp"

namespace textdump::testing {

enum class TextScript { latin, hiragana, katakana };
// gojuon without the small kana and voiced forms; gojuon with them (the
// Unicode blocks' order); iroha (ん last).
enum class KanaOrder { gojuon, gojuon_full, iroha };
enum class TextFamily {
  plain,
  capitals_apart,
  unmatched_word,
  letter_out_of_order,
  two_byte_letter
};
inline constexpr TextFamily TEXT_FAMILIES[] = {
    TextFamily::plain, TextFamily::capitals_apart, TextFamily::unmatched_word,
    TextFamily::letter_out_of_order, TextFamily::two_byte_letter};

std::string_view name_of(TextScript script);
std::string_view name_of(KanaOrder order);
std::string_view name_of(TextFamily family); // "plain", "capitals-apart", ...

struct TextRomOptions {
  std::uint64_t seed = 0;
  std::size_t rom_size = 0x40000; // 16 KiB to 64 MiB
  unsigned width = 1;             // bytes a code: 1 or 2
  ByteOrder order = ByteOrder::le;
  bool gaps = true; // unused codes between the runs; else each run right after the last
  TextScript script = TextScript::latin;
  KanaOrder kana = KanaOrder::gojuon; // for kana text
  bool plant = true;                  // the words are planted; else they are nowhere
  TextFamily family = TextFamily::plain;
};

// A valid set of options drawn from the seed, for a family (the plain
// family's options with the script or width the family needs).
TextRomOptions random_text_options(std::uint64_t seed, TextFamily family = TextFamily::plain);

struct PlantedWord {
  std::string word;                 // UTF-8; one of them has a space
  std::vector<std::size_t> offsets; // where planted, ascending; empty when not planted
  bool matches = true;              // false: written with a ligature, it matches nowhere
};

// A sentence that holds a planted word: its text (the letters of the words'
// runs and spaces only, a ligature as its letters) and the offsets of its
// codes and of its end code after them.
struct PlantedSentence {
  std::size_t offset = 0, end = 0;
  std::string text;
  std::size_t word = 0; // the planted word's
};

struct TextRom {
  std::vector<std::uint8_t> rom;
  std::string table_text; // the true table, in the standard format, with its end code
  std::vector<PlantedWord> words;
  std::vector<PlantedSentence> sentences;
  std::vector<std::pair<std::string, std::uint32_t>> bases; // each run's name and first code
  std::uint32_t space = 0, end = 0;
  // letter_out_of_order: the runs in code order, one a line, as an order file
  // holds them; the bases are then named "line 1", "line 2", ... as its runs.
  std::string order_text;
};

// Throws std::invalid_argument for options outside the ranges above.
TextRom generate_text_rom(const TextRomOptions& options);

} // namespace textdump::testing
