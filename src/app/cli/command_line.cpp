#include "app/cli/command_line.hpp"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "app/check/checker.hpp"
#include "app/common/console.hpp"
#include "app/dump/dialogue.hpp"
#include "app/script/fit_command.hpp"
#include "app/common/messages.hpp"
#include "app/finder/pointers_to_command.hpp"
#include "core/maps/map_address.hpp"
#include "core/base/numbers.hpp"
#include "io/streams.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

// An offset argument: one to eight hexadecimal digits, perhaps after 0x or $.
bool parse_offset(std::string_view word, std::uint32_t& value) {
  word = without_hex_prefix(word);
  if (word.empty() || word.size() > 8) return false;
  std::vector<char> bad;
  value = hex_to_int(word, &bad);
  return bad.empty() && word.find('\0') == std::string_view::npos;
}

int usage_error(const std::string& why) {
  const std::string text = usage_error_text(why);
  std::fwrite(text.data(), 1, text.size(), stderr);
  return exit_status(Failure::usage);
}

} // namespace

std::variant<CommandLine, UsageError> parse_command_line(const std::vector<std::string>& words) {
  auto given = parse_options(words);
  if (auto* error = std::get_if<UsageError>(&given)) return std::move(*error);
  ParsedOptions& parsed = std::get<ParsedOptions>(given);
  const std::vector<std::string>& names = parsed.names;
  const bool standard = parsed.values.standard;
  const TableEncoding encoding = parsed.values.encoding.value_or(TableEncoding::utf8);
  CommandLine command;
  command.mode = parsed.mode;
  // The ROM and table names and the table options, as a search reads them.
  const auto search_inputs = [&](SearchInputs& inputs) {
    inputs.romfile = names[0];
    inputs.tablefile = names[1];
    inputs.standard = standard;
    inputs.encoding = encoding;
    inputs.start_table = parsed.values.start_table;
  };
  switch (parsed.mode) {
  case Mode::dump: {
    RunRequest& request = command.dump;
    request.romfile = names[0];
    request.tablefile = names[1];
    request.dumpfile = names[2];
    if (const auto& maps = parsed.values.finder.maps) {
      // START and END are placed once the ROM is open.
      if (maps->size() != 1 || maps->front().base != 0)
        return UsageError{"--map with a dump takes one map, without a base"};
      request.map = &map_of(maps->front().map);
      const auto start = parse_position(names[3]), end = parse_position(names[4]);
      if (!start) return UsageError{usage_bad_offset("START", names[3])};
      if (!end) return UsageError{usage_bad_offset("END", names[4])};
      request.start_position = *start;
      request.end_position = *end;
      request.start_text = names[3];
      request.end_text = names[4];
    } else {
      if (!parse_offset(names[3], request.start_offset))
        return UsageError{usage_bad_offset("START", names[3])};
      if (!parse_offset(names[4], request.end_offset))
        return UsageError{usage_bad_offset("END", names[4])};
      if (request.end_offset < request.start_offset)
        return UsageError{usage_end_below_start(names[4], names[3])};
    }
    request.dash_is_stdout = true;
    request.warnings = true;
    request.standard = standard;
    request.encoding = encoding;
    request.start_table = parsed.values.start_table;
    break;
  }
  case Mode::check: command.check = {names[0], standard, encoding}; break;
  case Mode::script: {
    ScriptOptions& options = command.script;
    options = std::move(parsed.values.script);
    options.romfile = names[0];
    options.tablefile = names[1];
    options.scriptfile = names[2];
    options.standard = standard;
    options.encoding = encoding;
    options.start_table = parsed.values.start_table;
    if (options.scriptfile == "-" && !options.atlas_table)
      return UsageError{"a script on standard output needs --atlas-table FILE"};
    // START and END of --range are placed once the ROM is open: under the one
    // --map given, else as file offsets.
    if (const auto& maps = parsed.values.finder.maps) {
      if (!options.range) return UsageError{"--map with --script places --range, which is not given"};
      if (maps->size() != 1 || maps->front().base != 0)
        return UsageError{"--map with --script takes one map, without a base"};
      options.range->map = &map_of(maps->front().map);
    } else if (options.range && (options.range->start.bank || options.range->end.bank)) {
      return UsageError{usage_bad_offset(options.range->start.bank ? "START" : "END",
                                         options.range->start.bank ? options.range->start_text
                                                                   : options.range->end_text)};
    }
    break;
  }
  case Mode::fit: command.fit_script = names[0]; break;
  case Mode::find: {
    FinderCommand& finder = command.finder;
    finder = std::move(parsed.values.finder);
    search_inputs(finder);
    break;
  }
  case Mode::find_to: {
    FinderCommand& finder = command.finder;
    finder = std::move(parsed.values.finder);
    search_inputs(finder);
    const auto typed = parse_position(finder.pointed);
    if (!typed) return UsageError{usage_bad_offset("OFFSET", finder.pointed)};
    if (typed->bank && (!finder.maps || finder.maps->size() != 1))
      return UsageError{"--find-pointers-to BANK:ADDRESS needs the one --map it is an address of"};
    break;
  }
  case Mode::find_text: {
    FindTextCommand& text = command.text;
    text = std::move(parsed.values.text);
    text.romfile = names[0];
    text.words.assign(names.begin() + 1, names.end());
    if (text.json && text.draft_table && *text.json == "-" && *text.draft_table == "-")
      return UsageError{usage_two_on_standard_output("draft table", "JSON file")};
    break;
  }
  case Mode::survey: {
    SurveyCommand& survey = command.survey;
    survey = std::move(parsed.values.survey);
    search_inputs(survey);
    if (survey.json && survey.svg && *survey.json == "-" && *survey.svg == "-")
      return UsageError{usage_two_on_standard_output("SVG file", "JSON file")};
    break;
  }
  case Mode::dialogue:
  case Mode::help:
  case Mode::version: break;
  }
  return command;
}

int run_command_line(const CommandLine& command) {
  switch (command.mode) {
  case Mode::dialogue: {
    const bool terminal = is_terminal(STANDARD_INPUT);
    const Failure failure = run_dialogue(stdin, terminal, stream_console(stdout, true, terminal));
    std::fflush(stdout);
    return exit_status(failure);
  }
  case Mode::dump: return exit_status(run_dump(command.dump, stream_console(stderr, false, false)));
  case Mode::check:
    return exit_status(check_table(command.check.tablefile,
                                   command.check.standard ? TableFormat::standard : TableFormat::own,
                                   command.check.encoding, stdout));
  case Mode::script: return run_script_command(command.script);
  case Mode::fit: return run_fit_command(command.fit_script);
  case Mode::find: return run_finder_command(command.finder);
  case Mode::find_to: return run_pointers_to_command(command.finder);
  case Mode::find_text: return run_find_text_command(command.text);
  case Mode::survey: return run_survey_command(command.survey);
  case Mode::help: {
    const std::string usage = usage_text();
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return 0;
  }
  case Mode::version: std::printf("%s%s\n", VERSION_PREFIX.data(), TEXTDUMP_VERSION); return 0;
  }
  return exit_status(Failure::usage);
}

int console_main(int argc, char** argv) {
  use_binary_streams();
  const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
  const auto command = parse_command_line(words);
  if (const auto* error = std::get_if<UsageError>(&command)) return usage_error(error->why);
  return run_command_line(std::get<CommandLine>(command));
}

} // namespace textdump
