// The command line: what the process's words ask for, and running it.
//
//   textdump                             the dialogue on standard input/output
//   textdump ROM TABLE DUMP START END    the same run from arguments: no banner,
//                                        no prompts, no pause, messages on
//                                        standard error, DUMP "-" is standard output
//   textdump --check TABLE               the table checker
//   textdump --script ... ROM TABLE SCRIPT, --fit SCRIPT, --insert SCRIPT ROM OUT,
//            --find-pointers ... ROM TABLE,
//            --find-pointers-to OFFSET ... ROM TABLE, --find-text ... ROM WORD...,
//            --survey ... ROM TABLE
//   textdump --make-patch ORIGINAL MODIFIED PATCH, --apply-patch PATCH ROM OUT
//   textdump --export SCRIPT FILE, --import FILE SCRIPT
//   textdump --help | --version
// The modes and options are declared in app/cli/declarations.hpp and read by
// CLI11: options come first, each value the next word or after "=" (--top=2);
// "--" or the first word that is not an option ends them, and every word after
// it is a name, even one that begins with "-". At most one mode flag is given
// (none is the plain dump); every option given belongs to that mode, and the
// mode gets its names (or at least them, for ROM WORD...). The first error in
// the order of the words is the one reported (an unknown option, a flag given
// a value, a missing value, a wrong value), then conflicts of the options.
//
// parse_command_line is pure: it neither prints, nor opens a file, nor runs
// anything, and never throws for any words but out of memory (a fuzz target
// feeds it). A usage error ends the process with status 2 after
// "textdump: WHY" and "Try 'textdump --help'." on standard error.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "app/check/checker.hpp"
#include "app/dump/dialogue.hpp"
#include "app/dump/run.hpp"
#include "app/exchange/export_command.hpp"
#include "app/exchange/import_command.hpp"
#include "app/finder/finder_command.hpp"
#include "app/finder/pointers_to_command.hpp"
#include "app/insert/insert_command.hpp"
#include "app/patch/patch_command.hpp"
#include "app/script/fit_command.hpp"
#include "app/script/script_command.hpp"
#include "app/search/find_text_command.hpp"
#include "app/survey/survey_command.hpp"

namespace textdump {

struct HelpRequest {};
struct VersionRequest {};

// A command ready to run: one request, of its mode.
using Command = std::variant<DialogueRequest, RunRequest, CheckRequest, ScriptOptions, FitRequest,
                             InsertRequest, FinderCommand, PointersToCommand, FindTextCommand,
                             SurveyCommand, PatchCommand, ExportRequest, ImportRequest, HelpRequest,
                             VersionRequest>;

// A command line not understood: why, one line.
struct UsageError {
  Message why;
};

// The words after the program's name.
std::variant<Command, UsageError> parse_command_line(const std::vector<std::string>& words);

// The usage: each mode's line, the options by group, the names and the exit statuses.
std::string usage_text();

// Runs it (the dialogue on the standard streams); the exit status.
int run_command_line(const Command& command);

} // namespace textdump
