#include "core/search/draft_table.hpp"

#include <algorithm>
#include <map>

#include "core/search/word_pattern.hpp"

namespace textdump {

namespace {

// The codes the candidate gives a text, in groups of lines: single codes,
// and pairs of 1-byte codes (the first in the high byte).
struct Draft {
  std::vector<DraftGroup> groups;
  std::map<std::uint32_t, std::string> text_of, pair_text_of;
};

// The letters of the run seen in the words, in their order, joined by spaces.
std::string letters_seen(const LetterSystem& system, std::size_t run,
                         const std::vector<std::string>& words) {
  std::vector<std::string> seen;
  for (const std::string& word : words)
    for (const word_patterns::WordCharacter& ch : word_patterns::word_characters(word)) {
      const auto place = ch.any ? std::nullopt : system.find(ch.text);
      if (place && place->run == run && std::find(seen.begin(), seen.end(), ch.text) == seen.end())
        seen.push_back(ch.text);
    }
  std::string listed;
  for (const std::string& ch : seen) listed += (listed.empty() ? "" : " ") + ch;
  return listed;
}

// The group of a character of no run: its line, or none when its code varied
// or another text has it.
DraftGroup character_group(const SeenCharacter& s, CodeLayout layout, const Draft& draft) {
  const bool space = s.character == " ";
  // The space is named by the id, any other character by an argument first.
  const auto reason = [&](ReportId for_space, ReportId other, std::vector<std::string> args) {
    if (!space) args.insert(args.begin(), s.character);
    return Report{space ? for_space : other, Severity::note, 0, 0, std::move(args)};
  };
  const CodeLayout written = layout_of(s, layout);
  if (!s.same)
    return {reason(ReportId::draft_space_varied, ReportId::draft_character_varied,
                   {std::to_string(s.hits)}),
            {}};
  const std::map<std::uint32_t, std::string>& text_of =
      s.codes == 2 ? draft.pair_text_of : draft.text_of;
  const auto taken = text_of.find(s.code);
  if (taken != text_of.end())
    return {reason(ReportId::draft_space_taken, ReportId::draft_character_taken,
                   {code_text(s.code, written), taken->second}),
            {}};
  return {reason(ReportId::draft_space_same, ReportId::draft_character_same,
                 {code_text(s.code, written), std::to_string(s.hits)}),
          {{code_key(s.code, written), s.character}}};
}

Draft draft_of(const TextCandidate& c, const LetterSystem& system,
               const std::vector<std::string>& words) {
  Draft draft;
  for (const RunBase& rb : c.bases) {
    const LetterRun& run = system.runs[rb.run];
    const std::uint32_t last = rb.base + static_cast<std::uint32_t>(run.letters.size()) - 1;
    DraftGroup group{Report{ReportId::draft_run,
                            Severity::note,
                            0,
                            0,
                            {run.name, code_text(rb.base, c.layout), code_text(last, c.layout),
                             letters_seen(system, rb.run, words)}},
                     {}};
    for (std::size_t i = 0; i < run.letters.size(); ++i) {
      const std::uint32_t code = rb.base + static_cast<std::uint32_t>(i);
      group.lines.emplace_back(code_key(code, c.layout), run.letters[i]);
      draft.text_of[code] = run.letters[i];
    }
    draft.groups.push_back(std::move(group));
  }
  for (const SeenCharacter& s : c.seen) {
    DraftGroup group = character_group(s, c.layout, draft);
    if (!group.lines.empty())
      (s.codes == 2 ? draft.pair_text_of : draft.text_of)[s.code] = s.character;
    draft.groups.push_back(std::move(group));
  }
  return draft;
}

} // namespace

std::vector<DraftGroup> draft_groups(const TextCandidate& c, const LetterSystem& system,
                                     const std::vector<std::string>& words) {
  return draft_of(c, system, words).groups;
}

std::vector<ContextLine> context_of(const RomView& rom, const TextCandidate& c,
                                    const LetterSystem& system, std::uint64_t at,
                                    std::size_t lines, std::size_t per_line) {
  const Draft draft = draft_of(c, system, {});
  const std::uint64_t width = c.layout.width, line_bytes = per_line * width;
  std::uint64_t from = at;
  for (std::size_t k = 0; k < lines / 2 && from >= line_bytes; ++k) from -= line_bytes;
  std::vector<ContextLine> context;
  for (std::size_t k = 0; k < lines && from + width <= rom.size; ++k, from += line_bytes) {
    ContextLine line{from, {}};
    for (std::uint64_t p = from; p < from + line_bytes && p + width <= rom.size; p += width) {
      const std::uint32_t code = code_at(rom, p, c.layout);
      const auto pair = width == 1 && p + 1 < from + line_bytes && p + 1 < rom.size
                            ? draft.pair_text_of.find(code << 8 | rom_byte(rom, p + 1))
                            : draft.pair_text_of.end();
      if (pair != draft.pair_text_of.end()) {
        line.text += pair->second;
        ++p;
        continue;
      }
      const auto known = draft.text_of.find(code);
      line.text += known != draft.text_of.end() ? known->second : "\u00B7";
    }
    context.push_back(std::move(line));
  }
  return context;
}

} // namespace textdump
