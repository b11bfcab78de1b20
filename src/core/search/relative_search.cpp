#include "core/search/relative_search.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "core/search/code_chance.hpp"
#include "core/search/word_join.hpp"
#include "core/search/word_pattern.hpp"

namespace textdump {

namespace {

using namespace word_patterns;
using namespace word_joins;
using code_chances::CodeFrequencies;

// The readings of each word in one system and width.
using Readings = std::vector<std::vector<Pattern>>;

struct Search {
  const RomView& rom;
  const std::vector<std::string>& words;
  const TextSearchOptions& options;
  std::size_t tried = 0;                                     // layouts and systems searched
  std::map<std::string, std::vector<std::uint32_t>> scanned; // by layout and signature
};

std::vector<Group> groups_of(const RomView& rom, const Pattern& w, CodeLayout layout,
                             const std::vector<std::uint32_t>& hits) {
  std::map<std::vector<std::uint32_t>, std::vector<std::uint32_t>> by_bases;
  for (const std::uint32_t p : hits) by_bases[bases_of(rom, p, w, layout)].push_back(p);
  std::vector<Group> groups;
  groups.reserve(by_bases.size());
  for (auto& [bases, offsets] : by_bases) groups.push_back({&w, bases, std::move(offsets)});
  return groups;
}

// The groups of hits of each word, each reading scanned once for each layout
// and signature.
std::vector<WordHits> hits_of_words(Search& search, CodeLayout layout, std::size_t s,
                                    const Readings& readings) {
  std::vector<WordHits> words(readings.size());
  for (std::size_t i = 0; i < readings.size(); ++i) {
    words[i].readings = readings[i].size();
    for (const WordRun& run : readings[i].front().runs) words[i].runs.push_back(run.run);
    for (const Pattern& reading : readings[i]) {
      const std::string key = std::to_string(layout.width) +
                              (layout.order == ByteOrder::le ? "le/" : "be/") + reading.signature;
      auto known = search.scanned.find(key);
      if (known == search.scanned.end()) {
        if (search.options.progress) search.options.progress({layout, s, i});
        known = search.scanned.emplace(key, scan(search.rom, reading, layout)).first;
      }
      for (Group& g : groups_of(search.rom, reading, layout, known->second))
        words[i].groups.push_back(std::move(g));
    }
  }
  return words;
}

std::uint32_t seen_code(const RomView& rom, std::uint64_t at, CodeLayout layout, unsigned codes) {
  const std::uint32_t first = code_at(rom, at, layout);
  return codes == 1 ? first : first << 8 | code_at(rom, at + 1, layout);
}

// A base set as a candidate: its bases, its hits by offset, the words it has
// no hit of, and the codes its hits give the characters of no run.
TextCandidate candidate_of(const BaseSet& set, const RomView& rom, CodeLayout layout,
                           std::size_t s) {
  TextCandidate c;
  c.layout = layout;
  c.system = s;
  c.score = -set.log_expected; // the layouts, systems and words' subsets are counted later
  for (std::size_t r = 0; r < set.base.size(); ++r)
    if (set.base[r] >= 0) c.bases.push_back({r, static_cast<std::uint32_t>(set.base[r])});
  for (std::size_t i = 0; i < set.groups.size(); ++i) {
    const Group* g = set.groups[i];
    if (g == nullptr) {
      c.unmatched.push_back(i);
      continue;
    }
    const auto bytes = static_cast<std::uint32_t>(g->reading->length * layout.width);
    for (const std::uint32_t p : g->offsets) c.hits.push_back({p, i, bytes});
    for (const OtherCharacter& o : g->reading->others) {
      auto seen = std::find_if(c.seen.begin(), c.seen.end(), [&](const SeenCharacter& x) {
        return x.character == o.character && x.codes == o.codes;
      });
      for (const std::uint32_t p : g->offsets) {
        const std::uint32_t code =
            seen_code(rom, p + o.positions[0] * layout.width, layout, o.codes);
        if (seen == c.seen.end()) {
          c.seen.push_back({o.character, code, o.codes, 0, true});
          seen = c.seen.end() - 1;
        }
        seen->same = seen->same && seen->code == code;
        ++seen->hits;
      }
    }
  }
  std::sort(c.hits.begin(), c.hits.end(), [](const TextHit& a, const TextHit& b) {
    return a.offset != b.offset ? a.offset < b.offset : a.word < b.word;
  });
  return c;
}

std::vector<TextCandidate> candidates_in(Search& search, CodeLayout layout, std::size_t s,
                                         const Readings& readings) {
  const std::vector<WordHits> words = hits_of_words(search, layout, s, readings);
  if (std::all_of(words.begin(), words.end(), [](const WordHits& w) { return w.groups.empty(); }))
    return {};
  CodeFrequencies frequencies(search.rom, layout);
  std::vector<TextCandidate> found;
  for (const BaseSet& set : join_words(words, search.options.systems[s], frequencies))
    found.push_back(candidate_of(set, search.rom, layout, s));
  return found;
}

bool aligned(const TextCandidate& c) {
  return std::all_of(c.hits.begin(), c.hits.end(),
                     [&](const TextHit& h) { return h.offset % c.layout.width == 0; });
}

bool other_orders(const TextCandidate& a, const TextCandidate& b) {
  return a.layout.width == 2 && b.layout.width == 2 && a.layout.order != b.layout.order &&
         a.system == b.system && a.unmatched == b.unmatched;
}

// The same 2-byte text read in the other byte order, one byte off.
bool mirrors(const TextCandidate& a, const TextCandidate& b) {
  if (!other_orders(a, b) || a.hits.size() != b.hits.size()) return false;
  for (std::size_t k = 0; k < a.hits.size(); ++k) {
    const std::uint32_t x = a.hits[k].offset, y = b.hits[k].offset;
    if (a.hits[k].word != b.hits[k].word || (x + 1 != y && y + 1 != x)) return false;
  }
  return true;
}

// The two agree on every run a word has two different letters of (spaced):
// their runs of one letter a word may be codes read across two characters.
bool reads_alike(const TextCandidate& a, const TextCandidate& b, const std::vector<bool>& spaced) {
  if (!other_orders(a, b)) return false;
  std::size_t alike = 0;
  for (const RunBase& x : a.bases) {
    if (!spaced[x.run]) continue;
    const auto y = std::find_if(b.bases.begin(), b.bases.end(),
                                [&](const RunBase& rb) { return rb.run == x.run; });
    if (y == b.bases.end() || y->base != x.base) return false;
    ++alike;
  }
  return alike > 0;
}

// Of two readings in the two byte orders, the one whose hits lie at even
// offsets first: a mirror takes its place and score, another reading alike
// its place.
void put_aligned_first(std::vector<TextCandidate>& kept,
                       const std::vector<std::vector<bool>>& spaced) {
  for (std::size_t i = 0; i < kept.size(); ++i)
    for (std::size_t j = i + 1; j < kept.size(); ++j) {
      if (aligned(kept[i]) || !aligned(kept[j])) continue;
      if (mirrors(kept[i], kept[j])) {
        std::swap(kept[i].score, kept[j].score);
        std::swap(kept[i], kept[j]);
      } else if (reads_alike(kept[i], kept[j], spaced[kept[i].system])) {
        std::rotate(kept.begin() + static_cast<std::ptrdiff_t>(i),
                    kept.begin() + static_cast<std::ptrdiff_t>(j),
                    kept.begin() + static_cast<std::ptrdiff_t>(j) + 1);
      }
    }
}

// A later system is searched only when it reads some word differently.
bool reads_differently(const std::vector<std::string>& words, const TextSearchOptions& options,
                       std::size_t s, const Readings& readings) {
  if (s == 0) return true;
  const LetterSystem& system = options.systems[s];
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::vector<Pattern> first = readings_of(words[i], options.systems[0], 2);
    const Pattern& mine = readings[i].front();
    if (first.empty() || first.front().signature != mine.signature) return true;
    for (const WordRun& r : mine.runs)
      if (system.runs[r.run].name != (r.run < options.systems[0].runs.size()
                                          ? options.systems[0].runs[r.run].name
                                          : std::string()))
        return true;
  }
  return false;
}

} // namespace

std::optional<Report> unsearchable_word(std::string_view word,
                                        const std::vector<LetterSystem>& systems) {
  if (word.empty()) return error_report(ReportId::word_empty);
  bool repeated = false;
  for (const LetterSystem& system : systems) {
    const WordFault fault = fault_of(word, system);
    if (fault == WordFault::none) return std::nullopt;
    repeated = repeated || fault == WordFault::one_letter_repeated;
  }
  return error_report(repeated ? ReportId::word_repeated_letter : ReportId::word_no_run,
                      {std::string(word)});
}

std::vector<TextCandidate> find_text(const RomView& rom, const std::vector<std::string>& words,
                                     const TextSearchOptions& options) {
  Search search{rom, words, options, 0, {}};
  std::vector<TextCandidate> found;
  std::vector<std::vector<bool>> spaced;
  for (std::size_t s = 0; s < options.systems.size(); ++s) {
    spaced.emplace_back(options.systems[s].runs.size(), false);
    for (const unsigned width : options.widths) {
      Readings readings;
      for (const std::string& word : words)
        readings.push_back(readings_of(word, options.systems[s], width));
      if (std::any_of(readings.begin(), readings.end(), [](const auto& r) { return r.empty(); }) ||
          !reads_differently(words, options, s, readings))
        continue;
      for (const auto& reading : readings)
        for (const WordRun& run : reading.front().runs)
          spaced[s][run.run] = spaced[s][run.run] || run.letters.size() >= 2;
      for (const ByteOrder order :
           width == 1 ? std::vector<ByteOrder>{ByteOrder::le} : options.orders) {
        ++search.tried;
        for (TextCandidate& c : candidates_in(search, {width, order}, s, readings))
          found.push_back(std::move(c));
      }
    }
  }
  const double tried = std::log10(static_cast<double>(std::max<std::size_t>(search.tried, 1)));
  const double n = static_cast<double>(words.size());
  // Two words agreeing, of three words or more: one word alone is weak
  // against the structure of real data.
  const std::size_t fewest = words.size() > 2 ? 2 : 1;
  std::vector<TextCandidate> kept;
  for (TextCandidate& c : found) {
    if (words.size() - c.unmatched.size() < fewest) continue;
    // Of the words' subsets of as many words as have hits, any could have been the one.
    const double k = n - static_cast<double>(c.unmatched.size());
    c.score -=
        tried + (std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1)) / std::log(10.0);
    if (c.score >= options.min_score) kept.push_back(std::move(c));
  }
  std::stable_sort(kept.begin(), kept.end(), [](const TextCandidate& a, const TextCandidate& b) {
    return a.unmatched.size() != b.unmatched.size() ? a.unmatched.size() < b.unmatched.size()
                                                    : a.score > b.score;
  });
  put_aligned_first(kept, spaced);
  if (kept.size() > options.top) kept.resize(options.top);
  return kept;
}

} // namespace textdump
