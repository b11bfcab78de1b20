// A word as a pattern of codes, and where a ROM holds it: the matching half
// of the relative search (core/search/relative_search.hpp says what a match is).
//
//   word_characters  the characters of a word as typed: "?" any code, "\?" a
//                    question mark, "\\" a backslash
//   readings_of      the patterns a word reads as in one letter system for a
//                    code width; none when no run of it has two different letters
//   scan             every offset where a pattern matches, in one pass over the ROM
//   bases_of         the bases of the pattern's runs at an offset where it matches
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/base.hpp"
#include "core/search/letter_runs.hpp"
#include "core/search/search_types.hpp"

namespace textdump::word_patterns {

struct WordCharacter {
  std::string text; // one UTF-8 character
  bool any = false; // the wildcard "?": any one code
};
std::vector<WordCharacter> word_characters(std::string_view word);

// A word read in one system.
struct WordRun {
  std::size_t run = 0;
  std::uint32_t size = 0;
  std::vector<std::pair<std::size_t, std::uint32_t>> letters; // position, index in the run
};
struct OtherCharacter {
  std::string character;
  unsigned codes = 1;                 // 2: a letter UTF-8 writes in two bytes, read as two codes
  bool either = false;                // the word's readings read it both ways
  std::vector<std::size_t> positions; // of its first code
};
struct Pattern {
  std::size_t length = 0; // in codes
  std::vector<WordRun> runs;
  std::vector<OtherCharacter> others;
  std::size_t anchor_a = 0, anchor_b = 0; // two different letters of the run with the most
  std::uint32_t anchor_distance = 0;      // modulo the codes of the width
  std::string signature;                  // equal for patterns that match the same places
};

// What keeps a word from being searched for in a system.
enum class WordFault { none, no_two_letters, one_letter_repeated };
WordFault fault_of(std::string_view word, const LetterSystem& system);

// The word with each character of no run as one code; for 1-byte codes also
// with each character of no run that UTF-8 writes in two bytes (ñ, é; the
// first MAX_TWO_CODE of them) as one code or two, each way a reading.
constexpr std::size_t MAX_TWO_CODE = 3;
std::vector<Pattern> readings_of(std::string_view word, const LetterSystem& system, unsigned width);

std::vector<std::uint32_t> scan(const RomView& rom, const Pattern& w, CodeLayout layout);

std::vector<std::uint32_t> bases_of(const RomView& rom, std::uint32_t p, const Pattern& w,
                                    CodeLayout layout);

} // namespace textdump::word_patterns
