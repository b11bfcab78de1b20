// Seeded test ROMs for the relative search: text in a random encoding (1- or
// 2-byte codes in either byte order, the runs of letters with or without gaps
// between them, Latin or kana text), known words planted in its sentences or
// left out, random filler around the text. The same options give the same
// bytes with every compiler and standard library.
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

std::string_view name_of(TextScript script);
std::string_view name_of(KanaOrder order);

struct TextRomOptions {
  std::uint64_t seed = 0;
  std::size_t rom_size = 0x40000; // 16 KiB to 64 MiB
  unsigned width = 1;             // bytes a code: 1 or 2
  ByteOrder order = ByteOrder::le;
  bool gaps = true; // unused codes between the runs; else each run right after the last
  TextScript script = TextScript::latin;
  KanaOrder kana = KanaOrder::gojuon; // for kana text
  bool plant = true;                  // the words are planted; else they are nowhere
};

// A valid set of options drawn from the seed.
TextRomOptions random_text_options(std::uint64_t seed);

struct PlantedWord {
  std::string word;                 // UTF-8; one of them has a space
  std::vector<std::size_t> offsets; // where planted, ascending; empty when not planted
};

// A sentence that holds a planted word: its text (the letters of the words'
// runs and spaces only) and the offset of its codes, its end code after them.
struct PlantedSentence {
  std::size_t offset = 0;
  std::string text;
};

struct TextRom {
  std::vector<std::uint8_t> rom;
  std::string table_text; // the true table, in the standard format, with its end code
  std::vector<PlantedWord> words;
  std::vector<PlantedSentence> sentences;
  std::vector<std::pair<std::string, std::uint32_t>> bases; // each run's name and first code
  std::uint32_t space = 0, end = 0;
};

// Throws std::invalid_argument for options outside the ranges above.
TextRom generate_text_rom(const TextRomOptions& options);

} // namespace textdump::testing
