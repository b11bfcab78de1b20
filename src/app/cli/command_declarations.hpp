// The command line's declarations as the reading of the words
// (command_options.cpp) and the usage (command_usage.cpp) share them: the
// modes, the groups of the usage, and every option with the modes it belongs
// to. Internal to those two files.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/command_options.hpp"

namespace textdump::command_declarations {

// The modes as bits, so that an option names every mode it belongs to.
constexpr unsigned bit(Mode mode) {
  return 1u << static_cast<unsigned>(mode);
}
constexpr unsigned TABLE_MODES = bit(Mode::dump) | bit(Mode::check) | bit(Mode::script) |
                                 bit(Mode::find) | bit(Mode::find_to) | bit(Mode::survey);

struct ModeDeclaration {
  Mode mode;
  std::string_view flag;    // its option ("--help,-h"); none for the dialogue and the dump
  std::string_view names;   // the names it takes
  std::string_view summary; // its lines of the usage, split at '\n'
  std::string_view value = {}; // the flag's value ("OFFSET"), if it takes one
};

// The group of options a mode's usage line names: its own, or the finder's.
constexpr Mode options_of(Mode mode) {
  return mode == Mode::find_to ? Mode::find : mode;
}

inline constexpr ModeDeclaration MODES[] = {
    {Mode::dialogue, "", "", "ask for the five answers on standard input"},
    {Mode::dump, "", "ROM TABLE DUMP START END", "dump without asking (DUMP - is standard output)"},
    {Mode::check, "--check", "TABLE", "report what a table file defines and its problems"},
    {Mode::script, "--script", "ROM TABLE SCRIPT",
     "the strings of pointer tables as an inserter's\nscript (SCRIPT - is standard output)"},
    {Mode::fit, "--fit", "SCRIPT",
     "whether an edited script fits its blocks, from\nthe script and its insertion table alone"},
    {Mode::find, "--find-pointers", "ROM TABLE",
     "the ROM's pointer tables, best first, each with\nits --pointers argument"},
    {Mode::find_to, "--find-pointers-to", "ROM TABLE",
     "every place where a pointer of each map and\nsize to OFFSET is stored", "OFFSET"},
    {Mode::find_text, "--find-text", "ROM WORD...",
     "the encodings in which the ROM holds the words,\nbest first: a relative search"},
    {Mode::survey, "--survey", "ROM TABLE",
     "where the ROM's text, pointer tables and free\nspace lie, in ROM order, and their totals"},
    {Mode::help, "--help,-h", "", "this text, on standard output"},
    {Mode::version, "--version", "", "the program's name and version"},
};

// The usage lists an option under the first group of a mode it belongs to:
// "Table options" are those of the plain dump (and of every mode); any other
// option is listed under each of the other groups it belongs to.
struct Group {
  std::string_view heading, label;
  Mode mode;
};
inline constexpr Group GROUPS[] = {{"Table options", "TABLE OPTIONS", Mode::dump},
                            {"Script options", "SCRIPT OPTIONS", Mode::script},
                            {"Finder options", "FINDER OPTIONS", Mode::find},
                            {"Search options", "SEARCH OPTIONS", Mode::find_text},
                            {"Survey options", "SURVEY OPTIONS", Mode::survey}};

// What an option's value becomes; a message for the usage error when it is wrong.
using Reader = std::function<std::optional<Message>(std::string_view)>;

struct Declared {
  CLI::Option* option;
  unsigned modes;
};

// Options of which a mode needs at least one (--script: --pointers or --range).
struct OneOf {
  Mode mode;
  std::vector<CLI::Option*> options;
};

struct ModeFlag {
  const ModeDeclaration* mode;
  CLI::Option* option; // nullptr for the dialogue and the dump
};

// Every option, built into a CLI11 App that writes into the values it is given.
class Declarations {
public:
  explicit Declarations(OptionValues& values);
  Declarations(const Declarations&) = delete;
  Declarations& operator=(const Declarations&) = delete;

  CLI::App app{"", "textdump"};
  std::vector<Declared> options; // every option but the mode flags, as declared
  std::vector<ModeFlag> modes;   // as MODES
  std::vector<OneOf> one_of;     // what a mode needs one of

  static bool belongs(const Declared& option, Mode mode) { return (option.modes & bit(mode)) != 0; }
  // The table options are those of the plain dump, of scripts and of the survey.
  static bool table_option(const Declared& option) {
    return belongs(option, Mode::dump) && belongs(option, Mode::script) &&
           belongs(option, Mode::survey);
  }
  static bool listed(const Declared& option, const Group& group) {
    return &group == GROUPS ? table_option(option)
                            : belongs(option, group.mode) && !table_option(option);
  }

private:
  CLI::Option* mode_flag(Mode mode) const;
  CLI::Option* flag(std::string_view name, unsigned in, std::string_view description, bool& into);
  CLI::Option* value(std::string_view name, std::string_view label, unsigned in,
                     std::string_view description, Reader read);
};

// Gives the app the usage's formatter and its footer.
void describe_usage(Declarations& declarations);

} // namespace textdump::command_declarations
