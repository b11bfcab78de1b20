// The command line: what the process's words ask for, and running it.
//
//   textdump                             the dialogue on standard input/output
//   textdump ROM TABLE DUMP START END    the same run from arguments: no banner,
//                                        no prompts, no pause, messages on
//                                        standard error, DUMP "-" is standard output
//   textdump --check TABLE               the table checker
//   textdump --script ... ROM TABLE SCRIPT, --fit SCRIPT, --find-pointers ... ROM TABLE,
//            --find-text ... ROM WORD..., --survey ... ROM TABLE
//   textdump --make-patch ORIGINAL MODIFIED PATCH, --apply-patch PATCH ROM OUT
//   textdump --help | --version
// The options and their rules are declared in command_options.hpp.
//
// parse_command_line is pure: it neither prints, nor opens a file, nor runs
// anything, and never throws for any words (a fuzz target feeds it). A usage
// error ends the process with status 2 after "textdump: WHY" and
// "Try 'textdump --help'." on standard error.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "app/cli/command_options.hpp"
#include "app/search/find_text_command.hpp"
#include "app/finder/finder_command.hpp"
#include "app/dump/run.hpp"
#include "app/patch/patch_command.hpp"
#include "app/script/script_command.hpp"

namespace textdump {

struct CheckRequest {
  std::string tablefile;
  bool standard = false;
  TableEncoding encoding = TableEncoding::utf8;
};

// A command ready to run: the mode's request is filled, the others are not.
struct CommandLine {
  Mode mode = Mode::dialogue;
  RunRequest dump;      // Mode::dump
  CheckRequest check;   // Mode::check
  ScriptOptions script; // Mode::script
  std::string fit_script; // Mode::fit
  FinderCommand finder; // Mode::find
  FindTextCommand text;  // Mode::find_text
  SurveyCommand survey;  // Mode::survey
  PatchCommand patch;    // Mode::make_patch, Mode::apply_patch
};

// The words after the program's name.
std::variant<CommandLine, UsageError> parse_command_line(const std::vector<std::string>& words);

// Runs it (the dialogue on the standard streams); the exit status.
int run_command_line(const CommandLine& command);

// parse_command_line, then run_command_line or the usage error.
int console_main(int argc, char** argv);

} // namespace textdump
