#include "app/survey/survey_command.hpp"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>

#include "app/finder/finder_command.hpp"
#include "app/common/json_text.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/platform_address.hpp"
#include "app/survey/svg_map.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"
#include "core/survey/survey.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"

namespace textdump {

namespace {

constexpr std::size_t FIRST_WORDS = 40; // characters of a run's text shown
constexpr std::string_view KIND_NAMES[] = {"text", "pointers", "free"};

// The shown text cut after about FIRST_WORDS bytes, at a space when there is one.
std::string first_words(std::string shown) {
  if (shown.size() <= FIRST_WORDS) return shown;
  std::size_t cut = shown.rfind(' ', FIRST_WORDS);
  if (cut == std::string::npos || cut < FIRST_WORDS / 2) {
    cut = FIRST_WORDS;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
  }
  return shown.substr(0, cut) + "...";
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// What the survey shows of a ROM: its spans as lines and JSON objects, and
// the name of each pointer table for the picture.
struct Shown {
  std::string report;
  nlohmann::ordered_json spans = nlohmann::ordered_json::array();
  std::vector<std::string> table_names;
};

struct SurveyInputs {
  const RomView& rom;
  const CodeTable& table;
  const std::vector<CodeTable>& file_tables;
  const std::vector<Candidate>& candidates;
  const Platform& platform;
};

// The rest of a span's line after its kind and size, and its JSON fields.
std::string show_span(const SurveyInputs& in, const Span& span, nlohmann::ordered_json& item,
                      Shown& shown) {
  switch (span.kind) {
  case SpanKind::text: {
    const std::string words = first_words(one_line_text(
        in.rom, in.table, span.at, std::min(span.end, span.at + FIRST_WORDS * 2), &in.file_tables));
    item["ended"] = span.ended;
    item["text"] = json_text(words);
    return message_line({MessageId::survey_text, {words}});
  }
  case SpanKind::pointers: {
    CandidateReport block = report_candidate(in.rom, in.table, in.candidates[span.table],
                                             span.table + 1, &in.file_tables);
    std::string line = message_line({MessageId::survey_points_into,
                                     {file_offset_text(span.target_at, in.rom.size),
                                      file_offset_text(span.target_end - 1, in.rom.size)}});
    for (std::size_t from = 0; from < block.text.size();) {
      const std::size_t to = block.text.find('\n', from) + 1;
      line += "    " + block.text.substr(from, to - from);
      from = to;
    }
    const PointerTable& ptable = in.candidates[span.table].ptable;
    shown.table_names[span.table] =
        message_text({MessageId::survey_table_name,
                      {std::to_string(span.table + 1), std::string(name_of(ptable.map)),
                       std::to_string(ptable.count)}});
    item["table"] = std::move(block.json);
    item["points_into"] = {{"at", span.target_at}, {"end", span.target_end}};
    return line;
  }
  case SpanKind::free:
    item["byte"] = span.byte;
    return message_line({MessageId::survey_free, {hex_byte(span.byte)}});
  }
  return "\n";
}

// Each span in ROM order: its file offset, its platform address, its kind and size.
Shown show_spans(const SurveyInputs& in, const Survey& survey) {
  Shown shown;
  shown.table_names.resize(in.candidates.size());
  // The address column is as wide as its widest address and two spaces
  // ("$8000 (bank 00)" on the NES), at least 11.
  std::size_t address_width = 11;
  if (in.platform.map != nullptr)
    for (const Span& span : survey.spans)
      address_width = std::max(address_width, platform_address(in.platform, span.at).size() + 2);
  for (const Span& span : survey.spans) {
    const std::string address = platform_address(in.platform, span.at);
    const std::string_view kind = KIND_NAMES[static_cast<std::size_t>(span.kind)];
    const std::string line = message_text(
        {MessageId::survey_span,
         {file_offset_text(span.at, in.rom.size),
          in.platform.map != nullptr ? padded(address, address_width) : "",
          padded(std::string(kind), 10),
          message_text({MessageId::survey_bytes, {std::to_string(span.length())}})}});
    nlohmann::ordered_json item = {{"kind", kind}, {"at", span.at}, {"end", span.end}};
    if (!address.empty()) item["address"] = address;
    shown.report += line + show_span(in, span, item, shown);
    shown.spans.push_back(std::move(item));
  }
  return shown;
}

// The survey's totals, and the JSON document.
std::string totals_line(const Survey& survey, std::uint64_t size) {
  const std::uint64_t other = size - survey.bytes[0] - survey.bytes[1] - survey.bytes[2];
  const auto n = [](std::uint64_t count) { return std::to_string(count); };
  return message_line({MessageId::survey_totals,
                       {n(survey.bytes[0]), n(survey.runs[0]), n(survey.bytes[1]),
                        n(survey.runs[1]), n(survey.bytes[2]), n(survey.runs[2]), n(other),
                        n(size)}});
}

std::string json_document(const Survey& survey, const Platform& platform, std::uint64_t size,
                          nlohmann::ordered_json&& spans) {
  const std::uint64_t other = size - survey.bytes[0] - survey.bytes[1] - survey.bytes[2];
  const nlohmann::ordered_json document = {
      {"rom", {{"size", size},
               {"map", platform.map != nullptr ? nlohmann::ordered_json(platform.map->name)
                                               : nlohmann::ordered_json(nullptr)}}},
      {"spans", std::move(spans)},
      {"totals", {{"text", survey.bytes[0]},
                  {"pointers", survey.bytes[1]},
                  {"free", survey.bytes[2]},
                  {"other", other}}}};
  return document.dump(2) + "\n";
}

std::string svg_document(const SurveyCommand& command, const Survey& survey,
                         const Platform& platform, std::uint64_t size,
                         std::vector<std::string>&& table_names) {
  SvgMap map;
  map.title = platform.map != nullptr
                  ? message_text({MessageId::svg_title_map, {printable(command.romfile),
                                                             std::to_string(size),
                                                             std::string(platform.map->name)}})
                  : message_text({MessageId::svg_title, {printable(command.romfile),
                                                         std::to_string(size)}});
  map.rom_size = size;
  map.bank_bytes = bank_bytes_of(platform);
  map.table_names = std::move(table_names);
  if (platform.map != nullptr)
    map.address = [&platform](std::uint64_t offset) { return platform_address(platform, offset); };
  return svg_map(map, survey, picture_layout(size, map.bank_bytes));
}

} // namespace

int run_command(const SurveyCommand& command) {
  const Console console = stream_console(stderr, false, false);
  RomImage rom;
  CodeTable table;
  std::vector<CodeTable> file_tables;
  if (const Failure opened = open_search_inputs(command, console, rom, table, file_tables);
      opened != Failure::none)
    return exit_status(opened);
  OutputSet outputs;
  std::vector<std::optional<std::size_t>> declared;
  if (const Failure checked = check_search_outputs(
          command, rom, console,
          {{MessageId::role_json_file, command.json}, {MessageId::role_svg_file, command.svg}},
          outputs, &declared);
      checked != Failure::none)
    return exit_status(checked);
  const std::optional<std::size_t> json = declared[0], svg = declared[1];

  const RomView view = rom.view();
  std::vector<Candidate> candidates;
  if (has_end_entry(table)) {
    FinderOptions options;
    options.maps = suggested_maps(view);
    options.top = std::numeric_limits<std::size_t>::max();
    options.tables = &file_tables;
    candidates = find_with_progress(view, table, options);
  } else {
    say(console, {MessageId::survey_no_end, {printable(command.tablefile)}});
  }
  const Survey survey = survey_rom(view, table, candidates, &file_tables);
  const Platform platform = platform_of(view);
  Shown shown = show_spans({view, table, file_tables, candidates, platform}, survey);
  shown.report += totals_line(survey, view.size);

  if (command.json != "-" && command.svg != "-")
    if (const Failure written = write_report(shown.report, console); written != Failure::none)
      return exit_status(written);
  if (!json && !svg) return exit_status(Failure::none);
  if (json)
    outputs.set_bytes(*json, json_document(survey, platform, view.size, std::move(shown.spans)));
  if (svg)
    outputs.set_bytes(*svg, svg_document(command, survey, platform, view.size,
                                         std::move(shown.table_names)));
  return exit_status(report_output(outputs, outputs.commit(), console));
}

} // namespace textdump
