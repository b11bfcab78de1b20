// textdump --survey: a map of the ROM through its table. In ROM order, with
// file offsets and the platform's addresses (app/common/platform_address.hpp): the
// runs of text with their first words, the pointer tables the finder sees,
// each as --find-pointers shows it, and the free space (core/survey/survey.hpp);
// then the totals.
//
// --json FILE and --svg FILE (app/survey/svg_map.hpp) are checked before anything is
// read; "-" puts one of them on standard output in place of the report. A
// table with no end entry gives no pointer tables, and says so on standard
// error.
#pragma once

#include <optional>
#include <string>

#include "app/finder/finder_command.hpp"

namespace textdump {

struct SurveyCommand : SearchInputs {
  std::optional<std::string> json, svg;
};

// The exit status: 0 when it ran, 1 on failure.
int run_command(const SurveyCommand& command);

} // namespace textdump
