// Whether a run of keys reads as text, from what its text keys write: code,
// tiles and compressed data decoded through a table that defines most bytes
// give letters too, but not words.
//
// The characters a run writes are letters (Latin letters, and every character
// beyond ASCII: kana, accented letters), spaces (a space, a line break) and
// the others (digits, punctuation, signs); a label ("<PAGE>", "<$0C>", "[k]":
// no space inside) is a break between words and counts as neither. A word is the
// letters between two breaks (a space, another character, a label). A Latin
// word is plausible when it is at most MAX_WORD_LETTERS letters long, is
// written in one case or capitalised (lower, UPPER, Capital), and, from 3
// letters, holds a vowel (a, e, i, o, u, y); a word with a letter beyond ASCII
// is taken as it is.
//
// A run reads as text when letters and spaces are at least 3 in 4 of its
// characters, at least 7 in 8 of its Latin letters lie in plausible words,
// and it has a word of at least 3 letters that is plausible (or beyond ASCII).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace textdump {

inline constexpr std::size_t MAX_WORD_LETTERS = 12;

class TextReading {
public:
  // What one text key writes; a line break or a wait writes a space.
  void add(std::string_view rendering);
  void add_space() { add(" "); }
  bool reads_as_text();

private:
  void end_word();

  std::size_t letters_ = 0, spaces_ = 0, others_ = 0;
  std::size_t latin_ = 0, plausible_latin_ = 0;
  bool long_word_ = false; // a plausible word of 3 letters or more
  // The word being read.
  std::size_t word_letters_ = 0, word_latin_ = 0, word_upper_ = 0, word_vowels_ = 0;
  bool word_beyond_ascii_ = false, word_first_upper_ = false;
};

} // namespace textdump
