// Every mode of the command line, declared once: its flag, names and usage
// lines, and how its request is made of the options and the names.
#include <cstdint>

#include "app/cli/declarations.hpp"
#include "app/script/free_option.hpp"
#include "core/base/base.hpp"
#include "core/maps/maps.hpp"

namespace textdump::cli {

namespace {

using enum Mode;

Message bad_offset(std::string_view which, std::string_view word) {
  return {MessageId::usage_bad_offset, {std::string(which), printable(word)}};
}

// An offset argument: one to eight hexadecimal digits, perhaps after 0x or $.
bool parse_offset(std::string_view word, std::uint32_t& value) {
  word = without_hex_prefix(word);
  if (word.empty() || word.size() > 8) return false;
  std::vector<char> bad;
  value = hex_to_int(word, &bad);
  return bad.empty() && word.find('\0') == std::string_view::npos;
}

// The one --map a position typed as an address is read under; false when
// the maps given are more, or one with a base.
bool one_map(const OptionValues& values) {
  return values.maps->size() == 1 && values.maps->front().base == 0;
}

// The ROM and table names and the table options, as a search reads them.
void search_inputs(SearchInputs& inputs, const OptionValues& values,
                   std::vector<std::string>& names) {
  inputs.romfile = std::move(names[0]);
  inputs.tablefile = std::move(names[1]);
  inputs.standard = values.standard;
  inputs.encoding = values.encoding.value_or(TableEncoding::utf8);
  inputs.start_table = values.start_table;
}

std::variant<Command, UsageError> build_dump(OptionValues&& values,
                                             std::vector<std::string>&& names) {
  RunRequest request;
  if (values.maps) {
    // START and END are placed once the ROM is open.
    if (!one_map(values)) return UsageError{{MessageId::usage_map_with_dump}};
    request.map = &map_of(values.maps->front().map);
    const auto start = parse_position(names[3]), end = parse_position(names[4]);
    if (!start) return UsageError{bad_offset("START", names[3])};
    if (!end) return UsageError{bad_offset("END", names[4])};
    request.start_position = *start;
    request.end_position = *end;
    request.start_text = names[3];
    request.end_text = names[4];
  } else {
    if (!parse_offset(names[3], request.start_offset))
      return UsageError{bad_offset("START", names[3])};
    if (!parse_offset(names[4], request.end_offset))
      return UsageError{bad_offset("END", names[4])};
    if (request.end_offset < request.start_offset)
      return UsageError{{MessageId::usage_end_below_start, {"", names[4], names[3]}}};
  }
  request.romfile = std::move(names[0]);
  request.tablefile = std::move(names[1]);
  request.dumpfile = std::move(names[2]);
  request.dash_is_stdout = true;
  request.warnings = true;
  request.standard = values.standard;
  request.encoding = values.encoding.value_or(TableEncoding::utf8);
  request.start_table = values.start_table;
  return request;
}

std::variant<Command, UsageError> build_script(OptionValues&& values,
                                               std::vector<std::string>&& names) {
  ScriptOptions options;
  options.romfile = std::move(names[0]);
  options.tablefile = std::move(names[1]);
  options.scriptfile = std::move(names[2]);
  options.standard = values.standard;
  options.encoding = values.encoding.value_or(TableEncoding::utf8);
  options.start_table = values.start_table;
  options.ptables = std::move(values.ptables);
  options.pointer_arguments = std::move(values.pointer_arguments);
  options.end = values.end;
  options.end_text = std::move(values.end_text);
  options.json = std::move(values.json);
  options.atlas_table = std::move(values.atlas_table);
  options.ranges = std::move(values.ranges);
  options.records = std::move(values.records);
  options.translations = std::move(values.translations);
  if (options.scriptfile == "-" && !options.atlas_table)
    return UsageError{{MessageId::usage_script_to_stdout}};
  // START and END of --range are placed once the ROM is open: under the one
  // --map given, else as file offsets.
  if (values.maps) {
    if (options.ranges.empty()) return UsageError{{MessageId::usage_map_without_range}};
    if (!one_map(values)) return UsageError{{MessageId::usage_map_with_script}};
    for (ScriptRange& range : options.ranges) range.map = &map_of(values.maps->front().map);
    return options;
  }
  for (const ScriptRange& range : options.ranges)
    if (range.start.bank || range.end.bank) {
      const bool start = range.start.bank.has_value();
      return UsageError{bad_offset(start ? "START" : "END",
                                   start ? range.start_text : range.end_text)};
    }
  return options;
}

FinderCommand finder_command(OptionValues& values, std::vector<std::string>& names) {
  FinderCommand finder;
  search_inputs(finder, values, names);
  finder.maps = std::move(values.maps);
  finder.options.sizes = std::move(values.sizes);
  finder.options.min_count = values.min_count;
  finder.options.top = values.top.value_or(finder.options.top);
  finder.options.bank = values.bank;
  finder.json = std::move(values.json);
  return finder;
}

std::variant<Command, UsageError> build_pointers_to(OptionValues&& values,
                                                    std::vector<std::string>&& names) {
  PointersToCommand command{finder_command(values, names), std::move(values.pointed)};
  const auto typed = parse_position(command.pointed);
  if (!typed) return UsageError{bad_offset("OFFSET", command.pointed)};
  if (typed->bank && (!command.maps || command.maps->size() != 1))
    return UsageError{{MessageId::usage_pointed_needs_map}};
  return command;
}

// Two outputs named "-".
UsageError both_on_standard_output(MessageId other) {
  return {{MessageId::usage_two_on_standard_output,
           {text_of(MessageId::role_json_file), text_of(other)}}};
}

std::variant<Command, UsageError> build_find_text(OptionValues&& values,
                                                  std::vector<std::string>&& names) {
  FindTextCommand text;
  text.romfile = std::move(names[0]);
  text.words.assign(names.begin() + 1, names.end());
  text.widths = std::move(values.widths);
  text.orders = std::move(values.orders);
  if (values.kana && values.letter_order)
    return UsageError{{MessageId::usage_excludes, {"--letter-order", "--kana"}}};
  text.kana = std::move(values.kana).value_or(text.kana);
  text.letter_order = std::move(values.letter_order);
  text.top = values.top.value_or(text.top);
  text.json = std::move(values.json);
  text.draft_table = std::move(values.draft_table);
  if (text.json == "-" && text.draft_table == "-")
    return both_on_standard_output(MessageId::role_draft_table);
  return text;
}

std::variant<Command, UsageError> build_survey(OptionValues&& values,
                                               std::vector<std::string>&& names) {
  SurveyCommand survey;
  search_inputs(survey, values, names);
  survey.json = std::move(values.json);
  survey.svg = std::move(values.svg);
  if (survey.json == "-" && survey.svg == "-") return both_on_standard_output(MessageId::role_svg_file);
  return survey;
}

// --make-patch ORIGINAL MODIFIED PATCH or --apply-patch PATCH ROM OUT.
template <bool make>
std::variant<Command, UsageError> build_patch(OptionValues&&, std::vector<std::string>&& names) {
  PatchCommand command;
  if (auto why = read_patch_command(make, names, command)) return UsageError{std::move(*why)};
  return command;
}

std::variant<Command, UsageError> build_check(OptionValues&& values,
                                              std::vector<std::string>&& names) {
  return CheckRequest{std::move(names[0]), values.standard,
                      values.encoding.value_or(TableEncoding::utf8)};
}

std::variant<Command, UsageError> build_fit(OptionValues&& values,
                                            std::vector<std::string>&& names) {
  if (values.free && (!parse_free(*values.free) || *values.free == "auto"))
    return UsageError{{MessageId::usage_free_fit, {printable(*values.free)}}};
  return FitRequest{std::move(names[0]), values.judged_for, std::move(values.free), values.share,
                    std::move(values.box)};
}

std::variant<Command, UsageError> build_insert(OptionValues&& values,
                                               std::vector<std::string>&& names) {
  if (values.free && !parse_free(*values.free))
    return UsageError{{MessageId::usage_free, {printable(*values.free)}}};
  return InsertRequest{std::move(names[0]), std::move(names[1]), std::move(names[2]),
                       std::move(values.json), std::move(values.patch), values.expand,
                       std::move(values.free), values.fill, values.share, std::move(values.box)};
}

std::variant<Command, UsageError> build_finder(OptionValues&& values,
                                               std::vector<std::string>&& names) {
  return finder_command(values, names);
}

// The exchange file of --export or --import, by its name's extension.
std::variant<ExchangeFormat, UsageError> exchange_file(std::string_view mode,
                                                       const std::string& name) {
  const std::optional<ExchangeFormat> format = exchange_format(name);
  if (!format) return UsageError{{MessageId::exchange_extension, {std::string(mode), printable(name)}}};
  return *format;
}

std::variant<Command, UsageError> build_export(OptionValues&& values,
                                               std::vector<std::string>&& names) {
  const auto format = exchange_file("--export", names[1]);
  if (const auto* why = std::get_if<UsageError>(&format)) return *why;
  return ExportRequest{std::move(names[0]), std::move(names[1]), std::get<ExchangeFormat>(format),
                       std::move(values.box)};
}

std::variant<Command, UsageError> build_import(OptionValues&&, std::vector<std::string>&& names) {
  const auto format = exchange_file("--import", names[0]);
  if (const auto* why = std::get_if<UsageError>(&format)) return *why;
  return ImportRequest{std::move(names[0]), std::move(names[1])};
}

// A mode that takes neither options nor names.
template <typename Request>
std::variant<Command, UsageError> nothing(OptionValues&&, std::vector<std::string>&&) {
  return Request{};
}

} // namespace

const std::vector<ModeDeclaration>& mode_declarations() {
  static const std::vector<ModeDeclaration> modes = {
      {dialogue, "", "", {}, false, "ask for the five answers on standard input", {},
       nothing<DialogueRequest>},
      {dump, "", "", {"ROM", "TABLE", "DUMP", "START", "END"}, false,
       "dump without asking (DUMP - is standard output)", {}, build_dump},
      {check, "--check", "", {"TABLE"}, false,
       "report what a table file defines and its problems", {}, build_check},
      {script, "--script", "", {"ROM", "TABLE", "SCRIPT"}, false,
       "the strings of pointer tables as an inserter's\nscript (SCRIPT - is standard output)",
       {"--pointers", "--range", "--records"}, build_script},
      {fit, "--fit", "", {"SCRIPT"}, false,
       "whether an edited script fits its blocks, from\nthe script and its insertion table alone",
       {}, build_fit},
      {insert, "--insert", "", {"SCRIPT", "ROM", "OUT"}, false,
       "the edited script put into a copy of ROM, written\nto OUT once every pointer and string reads back",
       {}, build_insert},
      {find, "--find-pointers", "", {"ROM", "TABLE"}, false,
       "the ROM's pointer tables, best first, each with\nits --pointers argument", {},
       build_finder},
      {find_to, "--find-pointers-to", "OFFSET", {"ROM", "TABLE"}, false,
       "every place where a pointer of each map and\nsize to OFFSET is stored", {},
       build_pointers_to},
      {find_text, "--find-text", "", {"ROM", "WORD"}, true,
       "the encodings in which the ROM holds the words,\nbest first: a relative search", {},
       build_find_text},
      {survey, "--survey", "", {"ROM", "TABLE"}, false,
       "where the ROM's text, pointer tables and free\nspace lie, in ROM order, and their totals",
       {}, build_survey},
      {make_patch, "--make-patch", "", {"ORIGINAL", "MODIFIED", "PATCH"}, false,
       "the patch from ORIGINAL to MODIFIED, in the\nformat PATCH's name ends in: .bps, .ips, .ups",
       {}, build_patch<true>},
      {apply_patch, "--apply-patch", "", {"PATCH", "ROM", "OUT"}, false,
       "ROM with PATCH applied, written to OUT once\nevery check of the patch and ROM has passed", {},
       build_patch<false>},
      {export_strings, "--export", "", {"SCRIPT", "FILE"}, false,
       "a script's strings for translators, in the format\nFILE's name ends in: .po, .tsv, .csv", {},
       build_export},
      {import_strings, "--import", "", {"FILE", "SCRIPT"}, false,
       "the translations of an exchange file written into\nthe script's text lines", {},
       build_import},
      {help, "--help,-h", "", {}, false, "this text, on standard output", {}, nothing<HelpRequest>},
      {version, "--version", "", {}, false, "the program's name and version", {},
       nothing<VersionRequest>},
  };
  return modes;
}

std::string names_text(const ModeDeclaration& mode) {
  std::string text;
  for (const std::string_view name : mode.names) text += (text.empty() ? "" : " ") + std::string(name);
  return mode.more ? text + "..." : text;
}

std::string flag_name(const ModeDeclaration& mode) {
  return std::string(mode.flag.substr(0, mode.flag.find(',')));
}

} // namespace textdump::cli
