#include "app/search/find_text_command.hpp"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/common/console.hpp"
#include "app/common/json_text.hpp"
#include "app/common/messages.hpp"
#include "app/common/output_failure.hpp"
#include "app/common/report_text.hpp"
#include "app/dump/run.hpp"
#include "core/search/draft_table.hpp"
#include "core/base/numbers.hpp"
#include "core/search/relative_search.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "io/streams.hpp"

namespace textdump {

namespace {

constexpr std::size_t SHOWN_HITS = 8, CONTEXT_LINES = 4, CODES_A_LINE = 32;
constexpr double PROGRESS_AFTER = 1.0; // seconds

std::string hex_bytes(const RomView& rom, std::uint64_t at, std::uint64_t length) {
  std::string text;
  for (std::uint64_t p = at; p < at + length; ++p)
    text += (text.empty() ? "" : " ") + hex_byte(rom_byte(rom, p));
  return text;
}

std::size_t length_of(const std::string& word) { return characters_of(word).size(); }

// The system's name, for a candidate that uses more than A-Z, a-z and 0-9.
std::string order_of(const TextCandidate& c, const LetterSystem& system) {
  for (const RunBase& rb : c.bases) {
    const std::string& run = system.runs[rb.run].name;
    if (run != "A-Z" && run != "a-z" && run != "0-9") return ", " + system.name + " order";
  }
  return "";
}

} // namespace

int run_find_text_command(const FindTextCommand& command) {
  const Console console = stream_console(stderr, false, false);
  TextSearchOptions options;
  options.widths = command.widths;
  options.orders = command.orders;
  options.top = command.top;
  if (command.kana == "gojuon")
    options.systems = gojuon_systems();
  else if (command.kana == "iroha")
    options.systems = iroha_systems();
  else {
    std::string bytes;
    if (read_file(command.kana, bytes) != ReadStatus::ok) {
      say(console, "Can't read the kana order file \"" + command.kana + "\".\n");
      return exit_status(Failure::search_refused);
    }
    auto systems = user_systems(command.kana, bytes);
    if (const auto* why = std::get_if<Report>(&systems)) {
      say(console, "Can't use " + report_text(*why) + ".\n");
      return exit_status(Failure::search_refused);
    }
    options.systems = std::get<std::vector<LetterSystem>>(std::move(systems));
  }
  for (const std::string& word : command.words)
    if (const auto why = unsearchable_word(word, options.systems)) {
      say(console, "Can't search for that word: " + report_text(*why) + ".\n");
      return exit_status(Failure::search_refused);
    }

  RomImage rom;
  if (const Failure opened = open_rom(rom, command.romfile, console); opened != Failure::none)
    return exit_status(opened);
  OutputSet outputs;
  outputs.add_input("the ROM file", rom.id());
  if (command.kana != "gojuon" && command.kana != "iroha")
    outputs.add_input("the kana order file", file_id_of(command.kana));
  std::optional<std::size_t> json, table;
  if (command.json) json = outputs.declare("JSON file", *command.json);
  if (command.draft_table) table = outputs.declare("draft table", *command.draft_table);
  if (const OutputReport checked = outputs.check(); !checked.ok())
    return exit_status(report_output(outputs, checked, console));

  const bool terminal = is_terminal(STANDARD_ERROR);
  const auto started = std::chrono::steady_clock::now();
  bool progressed = false;
  if (terminal)
    options.progress = [&](std::string_view what) {
      const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
      if (spent.count() < PROGRESS_AFTER) return;
      std::fprintf(stderr, "\rSearching %-60.*s", static_cast<int>(std::min<std::size_t>(what.size(), 60)),
                   what.data());
      std::fflush(stderr);
      progressed = true;
    };
  const RomView view = rom.view();
  const std::vector<TextCandidate> candidates = find_text(view, command.words, options);
  if (progressed) std::fprintf(stderr, "\r%-70s\r", "");

  std::string report = candidates.empty() ? "No candidate encoding found.\n" : "";
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const TextCandidate& c = candidates[i];
    const LetterSystem& system = options.systems[c.system];
    char score[32];
    std::snprintf(score, sizeof score, "%.1f", c.score);
    report += "#" + std::to_string(i + 1) + "  score " + score + "  " + describe(c.layout) +
              order_of(c, system) + "; " + std::to_string(c.hits.size()) + " hits of " +
              std::to_string(command.words.size()) +
              (command.words.size() == 1 ? " word\n" : " words\n");
    std::string bases;
    nlohmann::ordered_json json_bases = nlohmann::ordered_json::object();
    for (const RunBase& rb : c.bases) {
      const LetterRun& run = system.runs[rb.run];
      bases += (bases.empty() ? "" : ", ") + run.letters.front() + "=" + code_text(rb.base, c.layout);
      json_bases[run.name] = rb.base;
    }
    report += "    bases " + bases + " (" + std::to_string(c.bases.size()) +
              (c.bases.size() == 1 ? " run)\n" : " runs)\n");
    nlohmann::ordered_json json_seen = nlohmann::ordered_json::array();
    for (const SeenCharacter& s : c.seen) {
      const std::string name = s.character == " " ? "space" : "\"" + s.character + "\"";
      report += "    " + name + " " +
                (s.same ? code_text(s.code, c.layout) + " at every hit"
                        : std::string("varies between the hits")) +
                "\n";
      json_seen.push_back({{"character", json_text(s.character)},
                           {"code", s.same ? nlohmann::ordered_json(s.code) : nullptr}});
    }
    nlohmann::ordered_json json_hits = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < c.hits.size(); ++k) {
      const TextHit& h = c.hits[k];
      const std::uint64_t length = length_of(command.words[h.word]) * c.layout.width;
      if (k < SHOWN_HITS)
        report += "    $" + hex_number(h.offset) + "  " + hex_bytes(view, h.offset, length) + "  " +
                  printable(command.words[h.word]) + "\n";
      json_hits.push_back({{"offset", h.offset},
                           {"bytes", hex_bytes(std::string(reinterpret_cast<const char*>(view.data + h.offset),
                                                          static_cast<std::size_t>(length)))},
                           {"word", json_text(command.words[h.word])}});
    }
    if (c.hits.size() > SHOWN_HITS)
      report += "    ... " + std::to_string(c.hits.size() - SHOWN_HITS) + " more hits\n";
    nlohmann::ordered_json json_context = nlohmann::ordered_json::array();
    for (const ContextLine& line :
         context_of(view, c, system, c.hits.front().offset, CONTEXT_LINES, CODES_A_LINE)) {
      report += "      $" + hex_number(line.offset) + "  " + printable(line.text) + "\n";
      json_context.push_back({{"offset", line.offset}, {"text", json_text(line.text)}});
    }
    list.push_back({{"score", std::round(c.score * 10) / 10},
                    {"width", c.layout.width},
                    {"order", c.layout.width == 1 ? nlohmann::ordered_json(nullptr)
                                                  : nlohmann::ordered_json(c.layout.order == ByteOrder::le ? "le" : "be")},
                    {"kana", json_text(system.name)},
                    {"bases", json_bases},
                    {"seen", json_seen},
                    {"hits", json_hits},
                    {"context", json_context}});
  }
  const bool report_out = !(command.json && *command.json == "-") &&
                          !(command.draft_table && *command.draft_table == "-");
  if (report_out) std::fwrite(report.data(), 1, report.size(), stdout);
  const int found = exit_status(candidates.empty() ? Failure::not_found : Failure::none);
  if (!json && !table) return found;
  std::fflush(stdout);
  if (candidates.empty() && table) {
    say(console, "No draft table written: no candidate encoding.\n");
    if (!json) return exit_status(Failure::not_found);
    OutputSet json_only;
    json_only.add_input("the ROM file", rom.id());
    json_only.declare("JSON file", *command.json);
    if (const OutputReport checked = json_only.check(); !checked.ok())
      return exit_status(report_output(json_only, checked, console));
    json_only.set_bytes(0, nlohmann::ordered_json{{"candidates", list}}.dump(2) + "\n");
    const Failure written = report_output(json_only, json_only.commit(), console);
    return written != Failure::none ? exit_status(written) : 1;
  }
  if (json) outputs.set_bytes(*json, nlohmann::ordered_json{{"candidates", list}}.dump(2) + "\n");
  if (table)
    outputs.set_bytes(*table, draft_table(candidates.front(), options.systems[candidates.front().system],
                                          command.words));
  const Failure written = report_output(outputs, outputs.commit(), console);
  return written != Failure::none ? exit_status(written) : found;
}

} // namespace textdump
