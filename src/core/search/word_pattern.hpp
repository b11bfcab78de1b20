// A word as a pattern of codes, and where a ROM holds it: the matching half
// of the relative search (core/search/relative_search.hpp says what a match is).
//
//   pattern_of  the word read in one letter system; nothing when no run of it
//               has two letters
//   scan        every offset where the pattern matches, in one pass over the ROM
//   bases_of    the bases of the pattern's runs at an offset where it matches
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/base.hpp"
#include "core/search/letter_runs.hpp"
#include "core/search/search_types.hpp"

namespace textdump::word_patterns {

// A word read in one system.
struct WordRun {
  std::size_t run = 0;
  std::uint32_t size = 0;
  std::vector<std::pair<std::size_t, std::uint32_t>> letters; // position, index in the run
};
struct OtherCharacter {
  std::string character;
  std::vector<std::size_t> positions;
};
struct Pattern {
  std::size_t length = 0; // in codes
  std::vector<WordRun> runs;
  std::vector<OtherCharacter> others;
  std::size_t anchor_a = 0, anchor_b = 0; // two letters of the longest run
  std::uint32_t anchor_distance = 0; // modulo the codes of the width
  std::string signature; // equal for patterns that match the same places
};

std::optional<Pattern> pattern_of(std::string_view word, const LetterSystem& system);

std::vector<std::uint32_t> scan(const RomView& rom, const Pattern& w, CodeLayout layout);

std::vector<std::uint32_t> bases_of(const RomView& rom, std::uint32_t p, const Pattern& w,
                                    CodeLayout layout);

} // namespace textdump::word_patterns
