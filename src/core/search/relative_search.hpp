// Relative search: where a ROM holds some words in an unknown encoding, and
// what that says of the encoding. Its files:
//
//   relative_search.hpp  this header, the one other folders include: the
//                        search, and whether a word can be searched for
//   search_types.hpp     a code layout, the codes, a candidate encoding
//   letter_runs.hpp      the runs of letters of each letter system
//   word_pattern.hpp     a word as a pattern of codes, and where a ROM has it
//   code_chance.hpp      the code frequencies and chances a score is made of
//   word_join.hpp        the words' hits joined into base sets
//   draft_table.hpp      a candidate's draft table, and the ROM around a hit
//
// A word is read in the runs of a letter system (core/search/letter_runs.hpp): each
// letter is a run and a position in it; "?" is any one code ("\?" a question
// mark, "\\" a backslash); every other character (a space, punctuation, a kana
// of no run) is a code that the hits reveal. With 1-byte codes, a character of
// no run that UTF-8 writes in two bytes (ñ, é) is also read as two codes, as a
// UTF-8 text among 1-byte letters holds it: each such reading of a word is
// searched, and counted in its score. A word matches at an offset, for a code
// width (1 or 2 bytes) and a byte order, when every run of it has one base
// there: each of its letters is the code base + its position, all of the run
// fits the codes of that width, the runs' codes do not overlap, and each other
// character is one code (or two) at all its places, not another character's
// nor a letter's. At least one run of the word must have two different letters
// (a letter repeated keeps no distance).
//
// A candidate encoding is a layout (width and order), a system, and one base
// for each run that the words with hits use, such that every such word
// matches somewhere with those bases; the words that match nowhere with them
// (a ligature in the font, a letter it lacks) are the candidate's unmatched
// words, and the hits are all the places where the others match; of three
// words or more, at least two have hits (one word alone, among words given
// to agree, is too weak against the structure of real data). A run of
// which each word holds one letter (a capital) gets its base from the words
// together: each word's letter must land on that one run. Its score says how
// unlikely it is by chance on this ROM, as the pointer finder scores its runs:
// -log10 of the expected number of base sets that random codes with this
// ROM's code frequencies would give for as many hits of every word. The first
// word's hits count the chance that the codes keep its letters' distances;
// each further word's, the chance that its letters land on the codes the
// bases already give (and, for runs new to it, keep distances); k hits of one
// word where mu are expected count about mu^k / k!. Every layout and system
// searched multiplies the expected number, and so does, for a candidate with
// unmatched words, the number of ways to choose as many words out of all.
//
// Candidates under min_score are dropped; the rest come by their unmatched
// words, fewest first, then best first. A 2-byte text whose codes share their
// high byte reads the same in the other byte order one byte later: of two
// such mirror candidates, the one whose hits lie at even offsets comes first.
// Read one byte off, a letter of a run of one letter a word (a capital) is
// read across two characters, and the lower case of the text at odd offsets
// then looks like the words: of two candidates in the two byte orders that
// agree on every run a word has two different letters of, the one whose hits
// lie at even offsets comes before the other too (each with its own score).
// Each reading of a word is one linear scan of the ROM for each layout and
// system that reads it differently.
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
