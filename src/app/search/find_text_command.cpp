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
#include "app/search/find_text_words.hpp"
#include "app/dump/run.hpp"
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

// The system's name, for a candidate that uses more than A-Z, a-z and 0-9.
std::string order_of(const TextCandidate& c, const LetterSystem& system) {
  for (const RunBase& rb : c.bases) {
    const std::string& run = system.runs[rb.run].name;
    if (run != "A-Z" && run != "a-z" && run != "0-9") return ", " + system.name + " order";
  }
  return "";
}

// The file of a user's letter order, and what the messages call it.
struct OrderFile {
  std::string name, role;
};
std::optional<OrderFile> order_file(const FindTextCommand& command) {
  if (command.letter_order) return OrderFile{*command.letter_order, "letter order file"};
  if (command.kana != "gojuon" && command.kana != "iroha") return OrderFile{command.kana, "kana order file"};
  return std::nullopt;
}

// The letter systems searched; nothing when the order file is refused (said).
std::optional<std::vector<LetterSystem>> systems_of(const FindTextCommand& command,
                                                    const Console& console) {
  const std::optional<OrderFile> file = order_file(command);
  if (!file) return command.kana == "iroha" ? iroha_systems() : gojuon_systems();
  std::string bytes;
  if (read_file(file->name, bytes) != ReadStatus::ok) {
    say(console, "Can't read the " + file->role + " \"" + file->name + "\".\n");
    return std::nullopt;
  }
  auto systems = user_systems(file->name, bytes);
  if (const auto* why = std::get_if<Report>(&systems)) {
    say(console, "Can't use " + report_text(*why) + ".\n");
    return std::nullopt;
  }
  return std::get<std::vector<LetterSystem>>(std::move(systems));
}

// One candidate as the report's lines and as its JSON.
struct ShownCandidate {
  std::string text;
  nlohmann::ordered_json json;
};

std::string quoted_words(const TextCandidate& c, const std::vector<std::string>& words) {
  std::string listed;
  for (const std::size_t i : c.unmatched) listed += (listed.empty() ? "\"" : ", \"") + printable(words[i]) + "\"";
  return listed;
}

ShownCandidate shown(const TextCandidate& c, std::size_t rank, const LetterSystem& system,
                     const std::vector<std::string>& words, const RomView& view) {
  ShownCandidate out;
  char score[32];
  std::snprintf(score, sizeof score, "%.1f", c.score);
  const std::size_t n = words.size(), matched = n - c.unmatched.size();
  out.text = "#" + std::to_string(rank) + "  score " + score + "  " + describe(c.layout) +
             order_of(c, system) + "; " + std::to_string(c.hits.size()) + " hits of " +
             (c.unmatched.empty() ? std::to_string(n) + (n == 1 ? " word\n" : " words\n")
                                  : std::to_string(matched) + " of the " + std::to_string(n) + " words\n");
  if (!c.unmatched.empty()) out.text += "    no hit: " + quoted_words(c, words) + "\n";
  std::string bases;
  nlohmann::ordered_json json_bases = nlohmann::ordered_json::object();
  for (const RunBase& rb : c.bases) {
    const LetterRun& run = system.runs[rb.run];
    bases += (bases.empty() ? "" : ", ") + run.letters.front() + "=" + code_text(rb.base, c.layout);
    json_bases[run.name] = rb.base;
  }
  out.text += "    bases " + bases + " (" + std::to_string(c.bases.size()) +
              (c.bases.size() == 1 ? " run)\n" : " runs)\n");
  nlohmann::ordered_json json_seen = nlohmann::ordered_json::array();
  for (const SeenCharacter& s : c.seen) {
    const std::string name = s.character == " " ? "space" : "\"" + s.character + "\"";
    out.text += "    " + name + " " +
                (s.same ? code_text(s.code, layout_of(s, c.layout)) + " at every hit"
                        : std::string("varies between the hits")) +
                "\n";
    json_seen.push_back({{"character", json_text(s.character)},
                         {"code", s.same ? nlohmann::ordered_json(s.code) : nullptr}});
  }
  nlohmann::ordered_json json_hits = nlohmann::ordered_json::array();
  for (std::size_t k = 0; k < c.hits.size(); ++k) {
    const TextHit& h = c.hits[k];
    if (k < SHOWN_HITS)
      out.text += "    $" + hex_number(h.offset) + "  " + hex_bytes(view, h.offset, h.bytes) + "  " +
                  printable(words[h.word]) + "\n";
    json_hits.push_back({{"offset", h.offset},
                         {"bytes", textdump::hex_bytes(std::string(reinterpret_cast<const char*>(view.data + h.offset), h.bytes))},
                         {"word", json_text(words[h.word])}});
  }
  if (c.hits.size() > SHOWN_HITS)
    out.text += "    ... " + std::to_string(c.hits.size() - SHOWN_HITS) + " more hits\n";
  nlohmann::ordered_json json_context = nlohmann::ordered_json::array();
  for (const ContextLine& line :
       context_of(view, c, system, c.hits.front().offset, CONTEXT_LINES, CODES_A_LINE)) {
    out.text += "      $" + hex_number(line.offset) + "  " + printable(line.text) + "\n";
    json_context.push_back({{"offset", line.offset}, {"text", json_text(line.text)}});
  }
  out.json = {{"score", std::round(c.score * 10) / 10},
              {"width", c.layout.width},
              {"order", c.layout.width == 1 ? nlohmann::ordered_json(nullptr)
                                            : nlohmann::ordered_json(c.layout.order == ByteOrder::le ? "le" : "be")},
              {"kana", json_text(system.name)},
              {"bases", json_bases},
              {"seen", json_seen},
              {"hits", json_hits}};
  if (!c.unmatched.empty()) {
    nlohmann::ordered_json unmatched = nlohmann::ordered_json::array();
    for (const std::size_t i : c.unmatched) unmatched.push_back(json_text(words[i]));
    out.json["unmatched"] = unmatched;
  }
  out.json["context"] = json_context;
  return out;
}

// The search, with a progress line on standard error when that is a terminal.
std::vector<TextCandidate> searched(const RomView& view, const FindTextCommand& command,
                                    TextSearchOptions& options) {
  const auto started = std::chrono::steady_clock::now();
  bool progressed = false;
  if (is_terminal(STANDARD_ERROR))
    options.progress = [&](const TextSearchProgress& progress) {
      const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
      if (spent.count() < PROGRESS_AFTER) return;
      const std::string what = progress_text(progress, options.systems, command.words);
      std::fprintf(stderr, "\rSearching %-60.*s", static_cast<int>(std::min<std::size_t>(what.size(), 60)),
                   what.data());
      std::fflush(stderr);
      progressed = true;
    };
  std::vector<TextCandidate> candidates = find_text(view, command.words, options);
  if (progressed) std::fprintf(stderr, "\r%-70s\r", "");
  return candidates;
}

// The JSON alone, when there is no candidate for the draft table.
int write_json_only(const FindTextCommand& command, const RomImage& rom,
                    const nlohmann::ordered_json& list, const Console& console) {
  OutputSet json_only;
  json_only.add_input("the ROM file", rom.id());
  json_only.declare("JSON file", *command.json);
  if (const OutputReport checked = json_only.check(); !checked.ok())
    return exit_status(report_output(json_only, checked, console));
  json_only.set_bytes(0, nlohmann::ordered_json{{"candidates", list}}.dump(2) + "\n");
  const Failure written = report_output(json_only, json_only.commit(), console);
  return written != Failure::none ? exit_status(written) : 1;
}

} // namespace

int run_find_text_command(const FindTextCommand& command) {
  const Console console = stream_console(stderr, false, false);
  TextSearchOptions options;
  options.widths = command.widths;
  options.orders = command.orders;
  options.top = command.top;
  std::optional<std::vector<LetterSystem>> systems = systems_of(command, console);
  if (!systems) return exit_status(Failure::search_refused);
  options.systems = std::move(*systems);
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
  if (const std::optional<OrderFile> file = order_file(command))
    outputs.add_input("the " + file->role, file_id_of(file->name));
  std::optional<std::size_t> json, table;
  if (command.json) json = outputs.declare("JSON file", *command.json);
  if (command.draft_table) table = outputs.declare("draft table", *command.draft_table);
  if (const OutputReport checked = outputs.check(); !checked.ok())
    return exit_status(report_output(outputs, checked, console));

  const RomView view = rom.view();
  const std::vector<TextCandidate> candidates = searched(view, command, options);
  std::string report = candidates.empty() ? "No candidate encoding found.\n" : "";
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    ShownCandidate one = shown(candidates[i], i + 1, options.systems[candidates[i].system],
                               command.words, view);
    report += one.text;
    list.push_back(std::move(one.json));
  }
  const bool report_out = !(command.json && *command.json == "-") &&
                          !(command.draft_table && *command.draft_table == "-");
  if (report_out) std::fwrite(report.data(), 1, report.size(), stdout);
  const int found = exit_status(candidates.empty() ? Failure::not_found : Failure::none);
  if (!json && !table) return found;
  std::fflush(stdout);
  if (candidates.empty() && table) {
    say(console, "No draft table written: no candidate encoding.\n");
    return json ? write_json_only(command, rom, list, console) : exit_status(Failure::not_found);
  }
  if (json) outputs.set_bytes(*json, nlohmann::ordered_json{{"candidates", list}}.dump(2) + "\n");
  if (table)
    outputs.set_bytes(*table, draft_table_file(candidates.front(),
                                               options.systems[candidates.front().system],
                                               command.words));
  const Failure written = report_output(outputs, outputs.commit(), console);
  return written != Failure::none ? exit_status(written) : found;
}

} // namespace textdump
