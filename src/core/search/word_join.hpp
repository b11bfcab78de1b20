// The words' hits joined into base sets: the candidate-making half of the
// relative search, for one layout and letter system
// (core/search/relative_search.hpp says what a candidate is).
//
// The words are joined from the one with the fewest groups of hits on. A
// word joins a base set by a group that agrees with it on every run they
// share; a base set that shares no run with the word takes each of its
// UNLINKED_GROUPS most hit groups. A word that no group of joins a base set,
// or that shares no run with it, leaves it as it was too: the word has no hit
// there. The MAX_PARTIALS most unlikely by chance are kept after each word.
// A character that a word may read as one code or two is read the same way
// by all the words of a set. At the end a base set takes, for each word it has no hit of, the group
// that agrees with it best if one does (a run it shares came from a later word), and base sets of
// no word's hits go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/search/code_chance.hpp"
#include "core/search/letter_runs.hpp"
#include "core/search/word_pattern.hpp"

namespace textdump::word_joins {

constexpr std::size_t MAX_PARTIALS = 4096;  // base sets kept while the words are joined
constexpr std::size_t UNLINKED_GROUPS = 16; // of a word sharing no run, the most hit base sets

// The hits of one reading of a word that give one base set.
struct Group {
  const word_patterns::Pattern* reading = nullptr;
  std::vector<std::uint32_t> bases; // in the word's runs
  std::vector<std::uint32_t> offsets;
};

// A word's groups, of all its readings (they read the same runs).
struct WordHits {
  std::vector<std::size_t> runs; // the system's runs the word has letters of, ascending
  std::vector<Group> groups;
  std::size_t readings = 1;
};

struct BaseSet {
  std::vector<std::int64_t> base;   // by run of the system; -1: no word has it
  std::vector<const Group*> groups; // by word; null: no hit
  double log_expected = 0;          // log10 of the base sets as likely by chance
  // The characters read as one code or two, and how the words read them: all
  // alike in a set.
  std::vector<std::pair<std::string, unsigned>> read_as;
};

std::vector<BaseSet> join_words(const std::vector<WordHits>& words, const LetterSystem& system,
                                code_chances::CodeFrequencies& frequencies);

} // namespace textdump::word_joins
