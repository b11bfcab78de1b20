// Relative search: where a ROM holds some words in an unknown encoding, and
// what that says of the encoding. Its files:
//
//   relative_search.hpp  this header, the one other folders include: the
//                        search, and whether a word can be searched for
//   search_types.hpp     a code layout, the codes, a candidate encoding
//   letter_runs.hpp      the runs of letters of each letter system
//   word_pattern.hpp     a word as a pattern of codes, and where a ROM has it
//   draft_table.hpp      a candidate's draft table, and the ROM around a hit
//
// A word is read in the runs of a letter system (core/search/letter_runs.hpp): each
// letter is a run and a position in it; "?" is any one code; every other
// character (a space, punctuation, a kana of no run) is a code that the hits
// reveal. A word matches at an offset, for a code width (1 or 2 bytes) and a
// byte order, when every run of it has one base there: each of its letters is
// the code base + its position, all of the run fits the codes of that width,
// the runs' codes do not overlap, and each other character is one code at all
// its places, not another character's nor a letter's. At least one run of the
// word must have two letters.
//
// A candidate encoding is a layout (width and order), a system, and one base
// for each run that the words use, such that every word matches somewhere
// with those bases; its hits are all the places where they do. Its score says
// how unlikely it is by chance on this ROM, as the pointer finder scores its
// runs: -log10 of the expected number of base sets that random codes with
// this ROM's code frequencies would give for as many hits of every word. The
// first word's hits count the chance that the codes keep its letters'
// distances; each further word's, the chance that its letters land on the
// codes the bases already give (and, for runs new to it, keep distances);
// k hits of one word where mu are expected count about mu^k / k!. Every
// layout and system searched multiplies the expected number.
//
// Candidates under min_score are dropped; the rest come best first. A 2-byte
// text whose codes share their high byte reads the same in the other byte
// order one byte later: of two such mirror candidates, the one whose hits lie
// at even offsets comes first. Each word is one linear scan of the ROM for
// each layout and system that reads it differently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/base.hpp"
#include "core/search/draft_table.hpp"
#include "core/search/letter_runs.hpp"
#include "core/search/search_types.hpp"

namespace textdump {

// What the search begins to scan for: a word, in a layout and a letter system.
struct TextSearchProgress {
  CodeLayout layout;
  std::size_t system = 0; // in the options' systems
  std::size_t word = 0;   // as given
};

struct TextSearchOptions {
  std::vector<unsigned> widths{1, 2};
  std::vector<ByteOrder> orders{ByteOrder::le, ByteOrder::be};
  std::vector<LetterSystem> systems; // the first is always searched
  std::size_t top = 5;
  double min_score = 3.0; // at most one such candidate in a thousand ROMs by chance
  std::function<void(const TextSearchProgress&)> progress; // told as each scan begins
};

// Why a word cannot be searched for in any of the systems; nothing when it can.
std::optional<Report> unsearchable_word(std::string_view word,
                                        const std::vector<LetterSystem>& systems);

std::vector<TextCandidate> find_text(const RomView& rom, const std::vector<std::string>& words,
                                     const TextSearchOptions& options);

} // namespace textdump
