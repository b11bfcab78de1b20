// The options of the command line, each declared once (in command_options.cpp):
// its name, its value and how that value is read, the modes it belongs to, what
// it needs and what it excludes. The reading of the words and the usage text
// both come from these declarations.
//
// The words are read in one rule: options come first, each value the next word
// or after "=" (--top=2); "--" or the first word that is not an option ends
// them, and every word after it is a name, even one that begins with "-". At
// most one mode flag is given (--check, --script, --find-pointers,
// --find-pointers-to OFFSET, --survey,
// --help, --version; none is the plain dump); every option given belongs to that mode,
// and the mode gets exactly its names (ROM TABLE DUMP START END for the dump),
// or at least them when they end in "..." (ROM WORD... for --find-text).
//
// Reading never prints, opens a file or runs anything: a usage error comes back
// as its message, which names the option (or names) and what is wrong.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/search/find_text_command.hpp"
#include "app/finder/finder_command.hpp"
#include "app/script/script_command.hpp"
#include "app/survey/survey_command.hpp"
#include "io/encoding.hpp"

namespace textdump {

enum class Mode { dialogue, dump, check, script, fit, find, find_to, find_text, survey, help, version };

// What the options set, before the names are given to a command.
struct OptionValues {
  bool standard = false;                // --std-table
  std::optional<TableEncoding> encoding; // --table-encoding
  std::string start_table;              // --table
  ScriptOptions script;                 // --pointers, --end, --max-length, --atlas-table, --json
  FinderCommand finder;                 // --map, --size, --min-count, --top, --json,
                                        // --find-pointers-to
  FindTextCommand text;                 // --width, --order, --kana, --top, --json, --draft-table
  SurveyCommand survey;                 // --json, --svg
};

struct ParsedOptions {
  Mode mode = Mode::dialogue; // the dialogue: no words at all
  OptionValues values;
  std::vector<std::string> names; // as many as the mode takes
};

// A command line not understood: why, one line.
struct UsageError {
  Message why;
};

// The words after the program's name.
std::variant<ParsedOptions, UsageError> parse_options(const std::vector<std::string>& words);

// The usage: each mode's line, the options by group, the names and the exit statuses.
std::string usage_text();

} // namespace textdump
