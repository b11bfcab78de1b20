// The command line as data: every mode and every option, each declared once
// (modes.cpp, options.cpp, insert_options.cpp), from which the reading of
// the words (command_line.cpp) and the usage (usage.cpp) are made. Internal
// to app/cli.
//
// A mode is its flag (none for the dialogue and the plain dump), the value the
// flag takes if any, its names with their arity, its lines of the usage, the
// options of which it needs one, and how its request is made from what the
// options said and the names. An option is its name, its value's label (none
// for a flag), the modes it belongs to, the groups of the usage it is listed
// under, its description, an option it needs, and how its value is read. A
// new command is one mode declaration (and its options), its request type in
// Command and its run_command.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/cli/commands.hpp"

namespace textdump::cli {

enum class Mode {
  dialogue, dump, check, script, fit, insert, find, find_to, find_text, survey, make_patch,
  apply_patch, export_strings, import_strings, help, version
};

// What the options given say, before a mode's request is made of it.
struct OptionValues {
  bool standard = false;                 // --std-table
  std::optional<TableEncoding> encoding; // --table-encoding
  std::string start_table;               // --table
  std::vector<PointerTable> ptables;     // --pointers, and each as given
  std::vector<std::string> pointer_arguments;
  std::vector<ScriptRange> ranges;        // --range
  std::vector<RecordFields> records;      // --records
  EndRule end;                            // --end and --max-length
  std::string end_text = "token";
  std::optional<std::string> atlas_table; // --atlas-table
  std::optional<std::vector<FinderMap>> maps; // --map
  std::vector<unsigned> sizes{2, 3, 4};   // --size
  std::uint32_t min_count = 4;            // --min-count
  std::optional<std::size_t> top;         // --top
  std::optional<std::uint32_t> bank;      // --bank
  std::vector<unsigned> widths{1, 2};     // --width
  std::vector<ByteOrder> orders{ByteOrder::le, ByteOrder::be}; // --order
  std::optional<std::string> kana;        // --kana
  std::optional<std::string> letter_order; // --letter-order
  std::optional<std::string> json, draft_table, svg; // --json, --draft-table, --svg
  std::optional<std::string> patch;                  // --patch (--insert)
  std::optional<std::uint64_t> expand;               // --expand (--insert)
  std::string pointed;                    // --find-pointers-to OFFSET
  std::optional<std::string> translations; // --translations
  FitFor judged_for = FitFor::insert;     // --for
  std::optional<std::string> free;        // --free RANGES or auto (--insert, --fit)
  std::optional<std::uint8_t> fill;       // --fill 00|FF
  bool share = false;                     // --share
  BoxOptions box;                         // --box, --widths, --line-break, --page
};

// The usage error of a value, or nothing when it was read into the values.
using Reader = std::function<std::optional<Message>(OptionValues&, std::string_view)>;

// A group of options in the usage, and the modes whose line names it.
struct Group {
  std::string_view heading, label;
  std::vector<Mode> modes; // none: every mode that takes one of its options
};

struct OptionDeclaration {
  std::string name;             // "--pointers"
  std::string label;            // "FIELDS"; empty for a flag
  std::vector<Mode> modes;      // the modes it belongs to
  std::vector<std::size_t> groups; // its groups of the usage (GROUPS)
  std::string description;      // lines split at '\n'
  Reader read;                  // a flag's is given ""
  bool repeated = false;        // each one given counts ("FIELDS..."); else the last wins
  std::string needs = {};       // an option without which it is refused
};

// The request of a mode from the values and the names, or the usage error.
using Build = std::function<std::variant<Command, UsageError>(OptionValues&&,
                                                              std::vector<std::string>&&)>;

struct ModeDeclaration {
  Mode mode;
  std::string_view flag;               // "--check", "--help,-h"; empty for the dialogue, the dump
  std::string_view value;              // the flag's value ("OFFSET"), if it takes one
  std::vector<std::string_view> names; // the names it takes, exactly
  bool more;                           // or more of the last ("ROM WORD...")
  std::string_view summary;            // its lines of the usage, split at '\n'
  std::vector<std::string_view> one_of; // options of which it needs one
  Build build;
};

extern const std::vector<Group> GROUPS;

// Every mode, in the order of the usage.
const std::vector<ModeDeclaration>& mode_declarations();

// Every option but the mode flags, in the order of the usage.
const std::vector<OptionDeclaration>& option_declarations();

// The names a mode takes as the usage writes them: "ROM WORD...".
std::string names_text(const ModeDeclaration& mode);

// "--help" of "--help,-h": the name messages give a mode's flag.
std::string flag_name(const ModeDeclaration& mode);

bool belongs(const OptionDeclaration& option, Mode mode);

} // namespace textdump::cli
