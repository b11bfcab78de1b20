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
#include "core/base/numbers.hpp"
#include "core/script/script.hpp"
#include "core/survey/survey.hpp"
#include "core/survey/survey_picture.hpp"
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

std::string plural(std::uint64_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

} // namespace

int run_survey_command(const SurveyCommand& command) {
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
          command, rom, console, {{"JSON file", command.json}, {"SVG file", command.svg}},
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
    say(console, "No pointer tables searched: the table file \"" + printable(command.tablefile) +
                     "\" has no end entry.\n");
  }
  const Survey survey = survey_rom(view, table, candidates, &file_tables);
  const Platform platform = platform_of(view);

  std::string report;
  nlohmann::ordered_json spans = nlohmann::ordered_json::array();
  std::vector<std::string> table_names(candidates.size());
  // The address column is as wide as its widest address and two spaces
  // ("$8000 (bank 00)" on the NES), at least 11.
  std::size_t address_width = 11;
  if (platform.map != nullptr)
    for (const Span& span : survey.spans)
      address_width = std::max(address_width, platform_address(platform, span.at).size() + 2);
  for (const Span& span : survey.spans) {
    const std::string address = platform_address(platform, span.at);
    std::string line = file_offset_text(span.at, view.size) + "  ";
    if (platform.map != nullptr) line += padded(address, address_width);
    line += padded(std::string(KIND_NAMES[static_cast<std::size_t>(span.kind)]), 10) +
            plural(span.length(), "byte", "bytes");
    nlohmann::ordered_json item = {{"kind", KIND_NAMES[static_cast<std::size_t>(span.kind)]},
                                   {"at", span.at},
                                   {"end", span.end}};
    if (!address.empty()) item["address"] = address;
    switch (span.kind) {
    case SpanKind::text: {
      const std::string words = first_words(
          one_line_text(view, table, span.at, std::min(span.end, span.at + FIRST_WORDS * 2),
                        &file_tables));
      line += "  \"" + words + "\"\n";
      item["ended"] = span.ended;
      item["text"] = json_text(words);
      break;
    }
    case SpanKind::pointers: {
      CandidateReport block = report_candidate(view, table, candidates[span.table], span.table + 1,
                                               &file_tables);
      line += ", pointing into " + file_offset_text(span.target_at, view.size) + "-" +
              file_offset_text(span.target_end - 1, view.size) + ":\n";
      for (std::size_t from = 0; from < block.text.size();) {
        const std::size_t to = block.text.find('\n', from) + 1;
        line += "    " + block.text.substr(from, to - from);
        from = to;
      }
      const PointerTable& ptable = candidates[span.table].ptable;
      table_names[span.table] = "#" + std::to_string(span.table + 1) + " " +
                                std::string(name_of(ptable.map)) + ", " +
                                plural(ptable.count, "pointer", "pointers");
      item["table"] = std::move(block.json);
      item["points_into"] = {{"at", span.target_at}, {"end", span.target_end}};
      break;
    }
    case SpanKind::free:
      line += " of $" + hex_byte(span.byte) + "\n";
      item["byte"] = span.byte;
      break;
    }
    report += line;
    spans.push_back(std::move(item));
  }
  const std::uint64_t other = view.size - survey.bytes[0] - survey.bytes[1] - survey.bytes[2];
  report += "Totals: " + plural(survey.bytes[0], "byte", "bytes") + " of text in " +
            plural(survey.runs[0], "run", "runs") + ", " +
            plural(survey.bytes[1], "byte", "bytes") + " of pointer tables in " +
            plural(survey.runs[1], "table", "tables") + ", " +
            plural(survey.bytes[2], "byte", "bytes") + " of free space in " +
            plural(survey.runs[2], "run", "runs") + "; " + plural(other, "byte", "bytes") +
            " else, of " + std::to_string(view.size) + ".\n";

  const bool report_out = !(command.json && *command.json == "-") &&
                          !(command.svg && *command.svg == "-");
  if (report_out) std::fwrite(report.data(), 1, report.size(), stdout);
  if (!json && !svg) return exit_status(Failure::none);
  std::fflush(stdout);
  if (json) {
    nlohmann::ordered_json document = {
        {"rom", {{"size", view.size},
                 {"map", platform.map != nullptr ? nlohmann::ordered_json(platform.map->name)
                                                 : nlohmann::ordered_json(nullptr)}}},
        {"spans", std::move(spans)},
        {"totals", {{"text", survey.bytes[0]},
                    {"pointers", survey.bytes[1]},
                    {"free", survey.bytes[2]},
                    {"other", other}}}};
    outputs.set_bytes(*json, document.dump(2) + "\n");
  }
  if (svg) {
    SvgMap map;
    map.title = printable(command.romfile) + ", " + std::to_string(view.size) + " bytes" +
                (platform.map != nullptr ? ", " + std::string(platform.map->name) : "");
    map.rom_size = view.size;
    map.bank_bytes = bank_bytes_of(platform);
    map.table_names = std::move(table_names);
    if (platform.map != nullptr)
      map.address = [&platform](std::uint64_t offset) { return platform_address(platform, offset); };
    outputs.set_bytes(*svg, svg_map(map, survey, picture_layout(view.size, map.bank_bytes)));
  }
  return exit_status(report_output(outputs, outputs.commit(), console));
}

} // namespace textdump
