// The commands the command line can ask for: one request type a mode, and
// what a line not understood gives. Below both the reading of the words
// (command_line.hpp) and the modes' declarations (declarations.hpp).
#pragma once

#include <variant>

#include "app/check/checker.hpp"
#include "app/common/messages.hpp"
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

} // namespace textdump
