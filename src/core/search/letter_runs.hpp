// The runs of letters a relative search knows: each run a sequence of
// characters that a game's table gives consecutive codes, in that order.
//
// A letter system is the set of runs tried together: A-Z, a-z and 0-9, and
// the kana of one order. The gojuon order comes as two systems: one without
// the small kana and the voiced forms (a game that writes them as the plain
// kana and a mark, or not at all), and one with them as codes of their own,
// in the order of the Unicode blocks (ぁあぃい...). Iroha is the poem's order,
// ん last. A user's file gives its own runs, one a line, the characters in
// order (spaces and tabs passed over); those come before A-Z so that they win
// over it for a character in both.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/base.hpp"

namespace textdump {

struct LetterRun {
  std::string name;                 // "A-Z", "hiragana", "line 2"
  std::vector<std::string> letters; // each one UTF-8 character, in code order
};

struct LetterSystem {
  std::string name; // "gojuon", "iroha", or the file's name
  std::vector<LetterRun> runs;
  bool file = false; // the runs of a user's file (and A-Z, a-z, 0-9 after them)

  // The run and position of a character (one UTF-8 sequence), if any.
  struct Place {
    std::size_t run = 0, index = 0;
  };
  std::optional<Place> find(std::string_view character) const;
};

// gojuon: the two systems above, the one without small and voiced kana first.
std::vector<LetterSystem> gojuon_systems();
std::vector<LetterSystem> iroha_systems();

// A user's order from a file's bytes (UTF-8, a byte-order mark skipped), or
// a report on what is wrong: a byte that is not UTF-8, a character twice,
// no run of two characters.
std::variant<std::vector<LetterSystem>, Report> user_systems(std::string_view name,
                                                             std::string_view text);

// The characters of a text, each one UTF-8 sequence (a byte that begins none
// is a character of its own).
std::vector<std::string> characters_of(std::string_view text);

} // namespace textdump
