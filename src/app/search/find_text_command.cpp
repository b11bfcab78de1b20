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
#include "app/search/find_text_words.hpp"
#include "core/base/base.hpp"
#include "core/search/relative_search.hpp"
#include "io/files.hpp"
#include "io/output_set.hpp"
#include "io/rom_image.hpp"
#include "io/streams.hpp"

namespace textdump {

namespace {

constexpr std::size_t SHOWN_HITS = 8, CONTEXT_LINES = 4, CODES_A_LINE = 32;
constexpr double PROGRESS_AFTER = 1.0; // seconds

// "41 42 43": the bytes at at, as the report shows them.
std::string spaced_bytes(const RomView& rom, std::uint64_t at, std::uint64_t length) {
  std::string text;
  for (std::uint64_t p = at; p < at + length; ++p)
    text += (text.empty() ? "" : " ") + hex_byte(rom_byte(rom, p));
  return text;
}

// The file of a user's letter order (--letter-order, or --kana FILE), and
// the messages that name it.
struct OrderFile {
  std::string name;
  MessageId unreadable, input;
};
std::optional<OrderFile> order_file(const FindTextCommand& command) {
  if (command.letter_order)
    return OrderFile{*command.letter_order, MessageId::letter_order_unreadable,
                     MessageId::input_letter_order};
  if (command.kana != "gojuon" && command.kana != "iroha")
    return OrderFile{command.kana, MessageId::kana_unreadable, MessageId::input_kana_order};
  return std::nullopt;
}

// The letter systems of --kana or --letter-order; each word must have letters of one run.
Failure read_systems(const FindTextCommand& command, const Console& console,
                     TextSearchOptions& options) {
  if (const std::optional<OrderFile> file = order_file(command)) {
    std::string bytes;
    if (read_file(file->name, bytes) != ReadStatus::ok) {
      say(console, {file->unreadable, {file->name}});
      return Failure::search_refused;
    }
    auto systems = user_systems(file->name, bytes);
    if (const auto* why = std::get_if<Report>(&systems)) {
      say(console, {MessageId::kana_unusable, {report_text(*why)}});
      return Failure::search_refused;
    }
    options.systems = std::get<std::vector<LetterSystem>>(std::move(systems));
  } else
    options.systems = command.kana == "iroha" ? iroha_systems() : gojuon_systems();
  for (const std::string& word : command.words)
    if (const auto why = unsearchable_word(word, options.systems)) {
      say(console, {MessageId::word_unsearchable, {report_text(*why)}});
      return Failure::search_refused;
    }
  return Failure::none;
}

// A candidate as the report shows it, and as its JSON object.
struct Shown {
  std::string text;
  nlohmann::ordered_json json;
};

// The candidate's hits, the first SHOWN_HITS of them, and the text around the first.
void show_hits(const RomView& rom, const FindTextCommand& command, const TextCandidate& c,
               const LetterSystem& system, Shown& shown) {
  nlohmann::ordered_json hits = nlohmann::ordered_json::array();
  for (std::size_t k = 0; k < c.hits.size(); ++k) {
    const TextHit& h = c.hits[k];
    if (k < SHOWN_HITS)
      shown.text += message_line({MessageId::text_hit,
                                  {hex_number(h.offset), spaced_bytes(rom, h.offset, h.bytes),
                                   printable(command.words[h.word])}});
    hits.push_back({{"offset", h.offset},
                    {"bytes", hex_bytes(std::string(
                                  reinterpret_cast<const char*>(rom.data + h.offset), h.bytes))},
                    {"word", json_text(command.words[h.word])}});
  }
  if (c.hits.size() > SHOWN_HITS)
    shown.text +=
        message_line({MessageId::text_more_hits, {std::to_string(c.hits.size() - SHOWN_HITS)}});
  nlohmann::ordered_json context = nlohmann::ordered_json::array();
  for (const ContextLine& line :
       context_of(rom, c, system, c.hits.front().offset, CONTEXT_LINES, CODES_A_LINE)) {
    shown.text +=
        message_line({MessageId::text_context, {hex_number(line.offset), printable(line.text)}});
    context.push_back({{"offset", line.offset}, {"text", json_text(line.text)}});
  }
  shown.json["hits"] = hits;
  shown.json["context"] = context;
}

Shown show_candidate(const RomView& rom, const FindTextCommand& command, const TextCandidate& c,
                     const LetterSystem& system, std::size_t rank) {
  Shown shown;
  char score[32];
  std::snprintf(score, sizeof score, "%.1f", c.score);
  const std::string words = std::to_string(command.words.size());
  if (c.unmatched.empty())
    shown.text = message_line({MessageId::text_candidate_heading,
                               {std::to_string(rank), score, describe(c.layout),
                                in_order(c, system), std::to_string(c.hits.size()), words}});
  else {
    std::string listed;
    for (const std::size_t i : c.unmatched)
      listed += (listed.empty() ? "\"" : ", \"") + printable(command.words[i]) + "\"";
    shown.text = message_line({MessageId::text_candidate_heading_some,
                               {std::to_string(rank), score, describe(c.layout),
                                in_order(c, system), std::to_string(c.hits.size()),
                                std::to_string(command.words.size() - c.unmatched.size()), words}});
    shown.text += message_line({MessageId::text_no_hit, {listed}});
  }
  std::string bases;
  nlohmann::ordered_json json_bases = nlohmann::ordered_json::object();
  for (const RunBase& rb : c.bases) {
    const LetterRun& run = system.runs[rb.run];
    bases += (bases.empty() ? "" : ", ") + run.letters.front() + "=" + code_text(rb.base, c.layout);
    json_bases[run.name] = rb.base;
  }
  shown.text += message_line({MessageId::text_bases, {bases, std::to_string(c.bases.size())}});
  nlohmann::ordered_json seen = nlohmann::ordered_json::array();
  for (const SeenCharacter& s : c.seen) {
    const std::string name =
        s.character == " " ? text_of(MessageId::text_space) : "\"" + s.character + "\"";
    shown.text += message_line(s.same ? Message{MessageId::text_seen_same,
                                                {name, code_text(s.code, layout_of(s, c.layout))}}
                                      : Message{MessageId::text_seen_varies, {name}});
    seen.push_back({{"character", json_text(s.character)},
                    {"code", s.same ? nlohmann::ordered_json(s.code) : nullptr}});
  }
  shown.json = {{"score", std::round(c.score * 10) / 10},
                {"width", c.layout.width},
                {"order", c.layout.width == 1 ? nlohmann::ordered_json(nullptr)
                                              : nlohmann::ordered_json(
                                                    c.layout.order == ByteOrder::le ? "le" : "be")},
                {"kana", json_text(system.name)},
                {"bases", json_bases},
                {"seen", seen}};
  if (!c.unmatched.empty()) {
    nlohmann::ordered_json unmatched = nlohmann::ordered_json::array();
    for (const std::size_t i : c.unmatched) unmatched.push_back(json_text(command.words[i]));
    shown.json["unmatched"] = unmatched;
  }
  show_hits(rom, command, c, system, shown);
  return shown;
}

// find_text, with a progress line on standard error when that is a terminal
// and the search has taken over a second.
std::vector<TextCandidate> search(const RomView& rom, const FindTextCommand& command,
                                  TextSearchOptions options) {
  const auto started = std::chrono::steady_clock::now();
  bool progressed = false;
  if (is_terminal(STANDARD_ERROR))
    options.progress = [&](const TextSearchProgress& progress) {
      const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started;
      if (spent.count() < PROGRESS_AFTER) return;
      show_progress(progress_text(progress, options.systems, command.words), 60, 60);
      progressed = true;
    };
  std::vector<TextCandidate> candidates = find_text(rom, command.words, options);
  if (progressed) clear_progress(70);
  return candidates;
}

// With no candidate there is no draft table: the JSON alone is written, and
// the run has found nothing.
int write_json_alone(const FindTextCommand& command, const RomImage& rom, const std::string& json,
                     const Console& console) {
  say(console, {MessageId::no_draft_table});
  if (!command.json) return exit_status(Failure::not_found);
  OutputSet json_only;
  json_only.add_input(text_of(MessageId::input_rom), rom.id());
  json_only.declare(text_of(MessageId::role_json_file), *command.json);
  if (const OutputReport checked = json_only.check(); !checked.ok())
    return exit_status(report_output(json_only, checked, console));
  json_only.set_bytes(0, json);
  const Failure written = report_output(json_only, json_only.commit(), console);
  return exit_status(written != Failure::none ? written : Failure::not_found);
}

} // namespace

int run_command(const FindTextCommand& command) {
  const Console console = stream_console(stderr, false, false);
  TextSearchOptions options;
  options.widths = command.widths;
  options.orders = command.orders;
  options.top = command.top;
  if (const Failure read = read_systems(command, console, options); read != Failure::none)
    return exit_status(read);
  RomImage rom;
  if (const Failure opened = open_rom(rom, command.romfile, console); opened != Failure::none)
    return exit_status(opened);
  OutputSet outputs;
  outputs.add_input(text_of(MessageId::input_rom), rom.id());
  if (const std::optional<OrderFile> file = order_file(command))
    outputs.add_input(text_of(file->input), file_id_of(file->name));
  std::optional<std::size_t> json, table;
  if (command.json) json = outputs.declare(text_of(MessageId::role_json_file), *command.json);
  if (command.draft_table)
    table = outputs.declare(text_of(MessageId::role_draft_table), *command.draft_table);
  if (const OutputReport checked = outputs.check(); !checked.ok())
    return exit_status(report_output(outputs, checked, console));

  const std::vector<TextCandidate> candidates = search(rom.view(), command, options);
  std::string report = candidates.empty() ? message_line({MessageId::text_none}) : "";
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    Shown shown = show_candidate(rom.view(), command, candidates[i],
                                 options.systems[candidates[i].system], i + 1);
    report += shown.text;
    list.push_back(std::move(shown.json));
  }
  if (command.json != "-" && command.draft_table != "-")
    if (const Failure written = write_report(report, console); written != Failure::none)
      return exit_status(written);
  const int found = exit_status(candidates.empty() ? Failure::not_found : Failure::none);
  if (!json && !table) return found;
  const std::string json_bytes = nlohmann::ordered_json{{"candidates", list}}.dump(2) + "\n";
  if (candidates.empty() && table) return write_json_alone(command, rom, json_bytes, console);
  if (json) outputs.set_bytes(*json, json_bytes);
  if (table)
    outputs.set_bytes(*table, draft_table_file(candidates.front(),
                                               options.systems[candidates.front().system],
                                               command.words));
  const Failure written = report_output(outputs, outputs.commit(), console);
  return written != Failure::none ? exit_status(written) : found;
}

} // namespace textdump
