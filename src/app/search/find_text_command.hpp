// textdump --find-text: a relative search for words seen on screen, its
// candidate encodings best first, and a draft standard table from the best.
//
// A letter order file (--letter-order FILE, any script; or --kana FILE) is
// read before the ROM, and refused with the reason when it cannot be used;
// each word must then be one that can be searched for. A candidate with words
// of no hit names them.
//
// --json FILE and --draft-table FILE are checked before the search
// (io/output_set.hpp); "-" puts one of them on standard output in place of the
// report. With no candidate the draft table is not written (the JSON is, with
// no candidates). A progress line goes to standard error when that is a
// terminal and the search has taken over a second.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/maps/maps.hpp"

namespace textdump {

struct FindTextCommand {
  std::string romfile;
  std::vector<std::string> words;
  std::vector<unsigned> widths{1, 2};                          // --width
  std::vector<ByteOrder> orders{ByteOrder::le, ByteOrder::be}; // --order
  std::string kana = "gojuon"; // --kana: gojuon, iroha, or a file of the user's order
  std::optional<std::string> letter_order; // --letter-order: a file of the user's order
  std::size_t top = 5;
  std::optional<std::string> json, draft_table;
};

// The exit status: 0 when a candidate was found, 1 when none was or on failure.
int run_command(const FindTextCommand& command);

} // namespace textdump
