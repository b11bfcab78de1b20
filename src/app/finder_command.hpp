// textdump --find-pointers: the pointer tables of a ROM, best first, each with
// the --pointers argument that --script takes and its first strings.
//
// --json FILE is checked before the search (io/output_set.hpp); --json - puts
// the JSON on standard output in place of the report.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/finder.hpp"
#include "io/encoding.hpp"

namespace textdump {

struct FinderCommand {
  std::string romfile, tablefile;
  bool standard = false;
  TableEncoding encoding = TableEncoding::utf8;
  std::string start_table; // --table: the table its strings start in; "" for the first
  std::optional<std::vector<FinderMap>> maps; // --map; else the suggested ones
  FinderOptions options;
  std::optional<std::string> json;
};

// "lorom,gb,linear:-7FF0": the maps, or a message saying what is wrong.
std::variant<std::vector<FinderMap>, std::string> parse_map_list(std::string_view text);

// "2,3": the pointer sizes, or a message saying what is wrong.
std::variant<std::vector<unsigned>, std::string> parse_size_list(std::string_view text);

// The exit status: 0 when it ran (whether or not it found anything), 1 on failure.
int run_finder_command(const FinderCommand& command);

} // namespace textdump
