// textdump --find-pointers: the pointer tables of a ROM, best first, each with
// the --pointers argument that --script takes and its first strings.
//
// --json FILE is checked before the search (io/output_set.hpp); --json - puts
// the JSON on standard output in place of the report. Each candidate's block
// and JSON object come from report_candidate, which --survey shows too.
#pragma once

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/common/console.hpp"
#include "app/common/messages.hpp"
#include "app/common/table_load.hpp"
#include "core/finder/finder.hpp"
#include "io/encoding.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"

namespace textdump {

// The ROM and the table a search reads (--find-pointers, --survey).
struct SearchInputs {
  std::string romfile, tablefile;
  bool standard = false;
  TableEncoding encoding = TableEncoding::utf8;
  std::string start_table; // --table: the table its strings start in; "" for the first
};

struct FinderCommand : SearchInputs {
  std::optional<std::vector<FinderMap>> maps; // --map; else the suggested ones
  FinderOptions options;
  std::optional<std::string> json;
};

// "lorom,gb,linear:-7FF0": the maps, or the usage error saying what is wrong.
std::variant<std::vector<FinderMap>, Message> parse_map_list(std::string_view text);

// "2,3": the pointer sizes, or the usage error saying what is wrong.
std::variant<std::vector<unsigned>, Message> parse_size_list(std::string_view text);

// A candidate as the report shows it, ranked from 1: its lines and its JSON object.
struct CandidateReport {
  std::string text;
  nlohmann::ordered_json json;
};
CandidateReport report_candidate(const RomView& rom, const CodeTable& table, const Candidate& c,
                                 std::size_t rank,
                                 const std::vector<CodeTable>* tables = nullptr);

// The bytes from start to end as the dump shows them, on one line: line ends
// as \n, at most 80 bytes and "...", unprintable bytes escaped. tables: a
// standard file's tables, for the table's switches.
std::string one_line_text(const RomView& rom, const CodeTable& table, std::uint64_t start,
                          std::uint64_t end, const std::vector<CodeTable>* tables = nullptr);

// The string at start as one_line_text shows it: up to its end entry when
// one lies within 1 KiB, else 80 bytes.
std::string string_preview(const RomView& rom, const CodeTable& table, std::uint64_t start,
                           const std::vector<CodeTable>* tables = nullptr);

// The ROM and the table of a search, opened as --find-pointers opens them,
// and every table of its file in file_tables; a failure is said on the console.
Failure open_search_inputs(const SearchInputs& inputs, const Console& console, RomImage& rom,
                           CodeTable& table, std::vector<CodeTable>& file_tables);

// A file a search may write: its role in messages (role_json_file) and its
// name, when given.
struct SearchOutput {
  MessageId role;
  const std::optional<std::string>& name;
};

// The outputs of a search, checked against its ROM and table file before
// anything is searched: each one given is declared in outputs in order, and
// declared holds its index (none for one not given). Failure::none when all
// may be written, else the failure after its message.
Failure check_search_outputs(const SearchInputs& inputs, const RomImage& rom,
                             const Console& console, std::initializer_list<SearchOutput> files,
                             OutputSet& outputs,
                             std::vector<std::optional<std::size_t>>* declared = nullptr);

// find_pointer_tables, with a progress line on standard error when that is a terminal.
std::vector<Candidate> find_with_progress(const RomView& rom, const CodeTable& table,
                                          FinderOptions options);

// The exit status: 0 when it ran (whether or not it found anything), 1 on failure.
int run_command(const FinderCommand& command);

} // namespace textdump
