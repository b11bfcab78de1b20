#include "core/search/draft_table.hpp"

#include <algorithm>
#include <map>

#include "core/base/numbers.hpp"

namespace textdump {

namespace {

// The codes the candidate gives a text, with the comment of each group of lines.
struct Draft {
  struct Group {
    std::string comment;
    std::vector<std::pair<std::uint32_t, std::string>> codes;
  };
  std::vector<Group> groups;
  std::map<std::uint32_t, std::string> text_of;
};

Draft draft_of(const TextCandidate& c, const LetterSystem& system,
               const std::vector<std::string>& words) {
  Draft draft;
  for (const RunBase& rb : c.bases) {
    const LetterRun& run = system.runs[rb.run];
    std::vector<std::string> seen;
    for (const std::string& word : words)
      for (const std::string& ch : characters_of(word)) {
        const auto place = system.find(ch);
        if (place && place->run == rb.run && std::find(seen.begin(), seen.end(), ch) == seen.end())
          seen.push_back(ch);
      }
    std::string listed;
    for (const std::string& ch : seen) listed += (listed.empty() ? "" : " ") + ch;
    const std::uint32_t last = rb.base + static_cast<std::uint32_t>(run.letters.size()) - 1;
    Draft::Group group{run.name + " at " + code_text(rb.base, c.layout) + "-" +
                           code_text(last, c.layout) + ": " + listed +
                           " seen in the hits, the other letters counted on in " + run.name +
                           " order",
                       {}};
    for (std::size_t i = 0; i < run.letters.size(); ++i) {
      const std::uint32_t code = rb.base + static_cast<std::uint32_t>(i);
      group.codes.emplace_back(code, run.letters[i]);
      draft.text_of[code] = run.letters[i];
    }
    draft.groups.push_back(std::move(group));
  }
  for (const SeenCharacter& s : c.seen) {
    const std::string shown = s.character == " " ? "the space" : "\"" + s.character + "\"";
    if (!s.same) {
      draft.groups.push_back({shown + " had different codes at its " + std::to_string(s.hits) +
                                  " hits: left out",
                              {}});
      continue;
    }
    const auto taken = draft.text_of.find(s.code);
    if (taken != draft.text_of.end()) {
      draft.groups.push_back({shown + " had " + code_text(s.code, c.layout) + ", which is \"" +
                                  taken->second + "\": left out",
                              {}});
      continue;
    }
    draft.text_of[s.code] = s.character;
    draft.groups.push_back({shown + " is " + code_text(s.code, c.layout) + " at all " +
                                std::to_string(s.hits) + " hits of the words that have it",
                            {{s.code, s.character}}});
  }
  return draft;
}

} // namespace

std::string draft_table(const TextCandidate& c, const LetterSystem& system,
                        const std::vector<std::string>& words) {
  std::string text = "# Draft table by textdump --find-text: " + describe(c.layout) + ", " +
                     system.name + " order, from";
  for (std::size_t i = 0; i < words.size(); ++i) {
    const auto hits = std::count_if(c.hits.begin(), c.hits.end(),
                                    [&](const TextHit& h) { return h.word == i; });
    text += (i == 0 ? " \"" : ", \"") + words[i] + "\" (" + std::to_string(hits) +
            (hits == 1 ? " hit)" : " hits)");
  }
  text += "\n# No end entry: add the code that ends a string as /KEY.\n";
  for (const Draft::Group& group : draft_of(c, system, words).groups) {
    text += "# " + group.comment + "\n";
    for (const auto& [code, value] : group.codes) text += code_key(code, c.layout) + "=" + value + "\n";
  }
  return text;
}

std::vector<ContextLine> context_of(const RomView& rom, const TextCandidate& c,
                                    const LetterSystem& system, std::uint64_t at,
                                    std::size_t lines, std::size_t per_line) {
  const std::map<std::uint32_t, std::string> text_of = draft_of(c, system, {}).text_of;
  const std::uint64_t width = c.layout.width, line_bytes = per_line * width;
  std::uint64_t from = at;
  for (std::size_t k = 0; k < lines / 2 && from >= line_bytes; ++k) from -= line_bytes;
  std::vector<ContextLine> context;
  for (std::size_t k = 0; k < lines && from + width <= rom.size; ++k, from += line_bytes) {
    ContextLine line{from, {}};
    for (std::uint64_t p = from; p < from + line_bytes && p + width <= rom.size; p += width) {
      const auto known = text_of.find(code_at(rom, p, c.layout));
      line.text += known != text_of.end() ? known->second : "\u00B7";
    }
    context.push_back(std::move(line));
  }
  return context;
}

} // namespace textdump
