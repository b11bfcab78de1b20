#include "core/search/relative_search.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "core/base/numbers.hpp"
#include "core/search/word_pattern.hpp"

namespace textdump {

namespace {

using namespace word_patterns;

constexpr std::size_t MAX_PARTIALS = 4096; // base sets kept while the words are joined
constexpr std::size_t UNLINKED_GROUPS = 16; // of a word sharing no run, the most hit base sets

// How often each code is read at any offset, and the chances made from that.
class CodeFrequencies {
public:
  CodeFrequencies(const RomView& rom, CodeLayout layout) {
    const std::size_t codes = std::size_t{1} << (8 * layout.width);
    count_.assign(codes, 0);
    const std::size_t n = rom.size >= layout.width ? rom.size - layout.width + 1 : 0;
    for (std::size_t p = 0; p < n; ++p) ++count_[code_at(rom, p, layout)];
    total_ = std::max<double>(static_cast<double>(n), 1);
  }
  double offsets() const { return total_; }
  double codes() const { return static_cast<double>(count_.size()); }
  // That a code read anywhere is this one (at least one in the ROM's offsets).
  double of(std::uint32_t code) const {
    return std::max<double>(static_cast<double>(count_[code & (count_.size() - 1)]), 1) / total_;
  }
  // That two codes read anywhere differ by d.
  double distance(std::uint32_t d) {
    const auto known = distance_.find(d);
    if (known != distance_.end()) return known->second;
    const std::size_t mask = count_.size() - 1;
    double sum = 0;
    for (std::size_t x = 0; x < count_.size(); ++x)
      if (count_[x] != 0) sum += static_cast<double>(count_[x]) * static_cast<double>(count_[(x + d) & mask]);
    const double chance = std::max(sum / (total_ * total_), 1 / (total_ * total_));
    distance_.emplace(d, chance);
    return chance;
  }

private:
  std::vector<std::uint64_t> count_;
  double total_ = 1;
  std::map<std::uint32_t, double> distance_;
};

// log10 of about how many of m equally likely base sets would get at least h
// hits by chance, when mu hits are expected over all of them.
double log_expected_sets(double m, double mu, std::size_t h) {
  const double k = static_cast<double>(h);
  const double per_set = std::max(mu / m, 1e-300);
  const double tail = std::min(0.0, k * std::log10(per_set) - std::lgamma(k + 1) / std::log(10.0));
  return std::log10(m) + tail;
}

// The hits of one word that give one base set.
struct Group {
  std::vector<std::uint32_t> bases; // in the pattern's runs
  std::vector<std::uint32_t> offsets;
};

std::vector<Group> groups_of(const RomView& rom, const Pattern& w, CodeLayout layout,
                             const std::vector<std::uint32_t>& hits) {
  std::map<std::vector<std::uint32_t>, std::vector<std::uint32_t>> by_bases;
  for (const std::uint32_t p : hits) by_bases[bases_of(rom, p, w, layout)].push_back(p);
  std::vector<Group> groups;
  groups.reserve(by_bases.size());
  for (auto& [bases, offsets] : by_bases) groups.push_back({bases, std::move(offsets)});
  return groups;
}

// A base set being built, word by word.
struct Partial {
  std::vector<std::int64_t> base;      // by run of the system; -1 while unknown
  std::vector<const Group*> groups;    // by word
  double log_expected = 0;
};

bool overlaps_known(const Partial& partial, const LetterSystem& system, std::size_t run,
                    std::uint32_t base) {
  const std::int64_t from = base, to = from + static_cast<std::int64_t>(system.runs[run].letters.size());
  for (std::size_t r = 0; r < partial.base.size(); ++r) {
    if (partial.base[r] < 0 || r == run) continue;
    const std::int64_t b = partial.base[r];
    if (from < b + static_cast<std::int64_t>(system.runs[r].letters.size()) && b < to) return true;
  }
  return false;
}

// The chance that a word matches at an offset: its runs keep their distances
// (or, for a run whose base is known, land on its codes), and each other
// character repeats its code.
double chance_of(const Pattern& w, const Partial& partial, CodeFrequencies& frequencies,
                 std::size_t& new_runs) {
  double chance = 1;
  new_runs = 0;
  for (const WordRun& run : w.runs) {
    const std::int64_t known = partial.base.empty() ? -1 : partial.base[run.run];
    if (known >= 0) {
      for (const auto& letter : run.letters)
        chance *= frequencies.of(static_cast<std::uint32_t>(known) + letter.second);
      continue;
    }
    ++new_runs;
    for (std::size_t k = 1; k < run.letters.size(); ++k)
      chance *= frequencies.distance(run.letters[k].second - run.letters[k - 1].second);
  }
  for (const OtherCharacter& o : w.others)
    for (std::size_t k = 1; k < o.positions.size(); ++k) chance *= frequencies.distance(0);
  return chance;
}

struct Search {
  const RomView& rom;
  const std::vector<std::string>& words;
  const TextSearchOptions& options;
  std::size_t tried = 0; // layouts and systems searched
  std::map<std::string, std::vector<std::uint32_t>> scanned; // by layout and signature
};

std::vector<TextCandidate> candidates_in(Search& search, CodeLayout layout, std::size_t s,
                                         const std::vector<Pattern>& patterns) {
  const LetterSystem& system = search.options.systems[s];
  const std::size_t n_words = patterns.size();
  std::vector<std::vector<Group>> groups(n_words);
  for (std::size_t i = 0; i < n_words; ++i) {
    const std::string key = describe(layout) + "/" + patterns[i].signature;
    auto known = search.scanned.find(key);
    if (known == search.scanned.end()) {
      if (search.options.progress)
        search.options.progress(describe(layout) + ", " + system.name + ", \"" +
                                search.words[i] + "\"");
      known = search.scanned.emplace(key, scan(search.rom, patterns[i], layout)).first;
    }
    groups[i] = groups_of(search.rom, patterns[i], layout, known->second);
    if (groups[i].empty()) return {};
  }
  CodeFrequencies frequencies(search.rom, layout);
  const double n = frequencies.offsets();
  std::vector<std::size_t> order(n_words);
  for (std::size_t i = 0; i < n_words; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return groups[a].size() < groups[b].size();
  });

  std::vector<Partial> partials{Partial{std::vector<std::int64_t>(system.runs.size(), -1),
                                        std::vector<const Group*>(n_words, nullptr), 0}};
  std::vector<bool> known_run(system.runs.size(), false);
  for (const std::size_t i : order) {
    const Pattern& w = patterns[i];
    std::vector<std::size_t> shared; // positions in w.runs
    for (std::size_t r = 0; r < w.runs.size(); ++r)
      if (known_run[w.runs[r].run]) shared.push_back(r);
    std::unordered_map<std::string, std::vector<const Group*>> by_shared;
    std::vector<const Group*> unlinked;
    if (!shared.empty()) {
      for (const Group& g : groups[i]) {
        std::string key;
        for (const std::size_t r : shared) key += std::to_string(g.bases[r]) + ",";
        by_shared[key].push_back(&g);
      }
    } else {
      for (const Group& g : groups[i]) unlinked.push_back(&g);
      std::stable_sort(unlinked.begin(), unlinked.end(), [](const Group* a, const Group* b) {
        return a->offsets.size() > b->offsets.size();
      });
      if (unlinked.size() > UNLINKED_GROUPS) unlinked.resize(UNLINKED_GROUPS);
    }
    std::vector<Partial> next;
    for (const Partial& partial : partials) {
      const std::vector<const Group*>* matching = &unlinked;
      if (!shared.empty()) {
        std::string key;
        for (const std::size_t r : shared) key += std::to_string(partial.base[w.runs[r].run]) + ",";
        const auto found = by_shared.find(key);
        if (found == by_shared.end()) continue;
        matching = &found->second;
      }
      for (const Group* g : *matching) {
        Partial extended = partial;
        bool fits = true;
        for (std::size_t r = 0; r < w.runs.size() && fits; ++r) {
          if (extended.base[w.runs[r].run] >= 0) continue;
          fits = !overlaps_known(extended, system, w.runs[r].run, g->bases[r]);
          extended.base[w.runs[r].run] = g->bases[r];
        }
        if (!fits) continue;
        std::size_t new_runs = 0;
        const double chance = chance_of(w, partial, frequencies, new_runs);
        const double sets = std::pow(frequencies.codes(), static_cast<double>(new_runs));
        extended.log_expected += log_expected_sets(sets, n * chance, g->offsets.size());
        extended.groups[i] = g;
        next.push_back(std::move(extended));
      }
    }
    std::sort(next.begin(), next.end(), [](const Partial& a, const Partial& b) {
      return a.log_expected < b.log_expected;
    });
    if (next.size() > MAX_PARTIALS) next.resize(MAX_PARTIALS);
    partials = std::move(next);
    if (partials.empty()) return {};
    for (const WordRun& run : w.runs) known_run[run.run] = true;
  }

  std::vector<TextCandidate> found;
  for (const Partial& partial : partials) {
    TextCandidate c;
    c.layout = layout;
    c.system = s;
    c.score = -partial.log_expected; // the layouts and systems tried are counted later
    for (std::size_t r = 0; r < partial.base.size(); ++r)
      if (partial.base[r] >= 0) c.bases.push_back({r, static_cast<std::uint32_t>(partial.base[r])});
    for (std::size_t i = 0; i < n_words; ++i) {
      for (const std::uint32_t p : partial.groups[i]->offsets) c.hits.push_back({p, i});
      for (const OtherCharacter& o : patterns[i].others) {
        auto seen = std::find_if(c.seen.begin(), c.seen.end(),
                                 [&](const SeenCharacter& x) { return x.character == o.character; });
        for (const std::uint32_t p : partial.groups[i]->offsets) {
          const std::uint32_t code = code_at(search.rom, p + o.positions[0] * layout.width, layout);
          if (seen == c.seen.end()) {
            c.seen.push_back({o.character, code, 0, true});
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
    found.push_back(std::move(c));
  }
  return found;
}

bool aligned(const TextCandidate& c) {
  return std::all_of(c.hits.begin(), c.hits.end(),
                     [&](const TextHit& h) { return h.offset % c.layout.width == 0; });
}

// The same 2-byte text read in the other byte order, one byte off.
bool mirrors(const TextCandidate& a, const TextCandidate& b) {
  if (a.layout.width != 2 || b.layout.width != 2 || a.layout.order == b.layout.order ||
      a.hits.size() != b.hits.size())
    return false;
  for (std::size_t k = 0; k < a.hits.size(); ++k) {
    const std::uint32_t x = a.hits[k].offset, y = b.hits[k].offset;
    if (a.hits[k].word != b.hits[k].word || (x + 1 != y && y + 1 != x)) return false;
  }
  return true;
}

} // namespace

std::uint32_t code_at(const RomView& rom, std::uint64_t offset, CodeLayout layout) {
  if (layout.width == 1) return rom_byte(rom, offset);
  const std::uint32_t first = rom_byte(rom, offset), second = rom_byte(rom, offset + 1);
  return layout.order == ByteOrder::le ? first | second << 8 : first << 8 | second;
}

std::string code_key(std::uint32_t code, CodeLayout layout) {
  if (layout.width == 1) return hex_byte(static_cast<std::uint8_t>(code));
  const auto low = static_cast<std::uint8_t>(code & 0xFF), high = static_cast<std::uint8_t>(code >> 8);
  return layout.order == ByteOrder::le ? hex_byte(low) + hex_byte(high)
                                       : hex_byte(high) + hex_byte(low);
}

std::string code_text(std::uint32_t code, CodeLayout layout) {
  const std::string digits = hex_number(code);
  const std::size_t wanted = std::size_t{2} * layout.width;
  return "$" + std::string(wanted - std::min(digits.size(), wanted), '0') + digits;
}

std::string describe(CodeLayout layout) {
  if (layout.width == 1) return "1-byte codes";
  return std::string("2-byte ") + (layout.order == ByteOrder::le ? "le" : "be") + " codes";
}

std::optional<Report> unsearchable_word(std::string_view word,
                                        const std::vector<LetterSystem>& systems) {
  if (word.empty()) return error_report(ReportId::word_empty);
  for (const LetterSystem& system : systems)
    if (pattern_of(word, system)) return std::nullopt;
  return error_report(ReportId::word_no_run, {std::string(word)});
}

std::vector<TextCandidate> find_text(const RomView& rom, const std::vector<std::string>& words,
                                     const TextSearchOptions& options) {
  Search search{rom, words, options, 0, {}};
  std::vector<TextCandidate> found;
  std::vector<CodeLayout> layouts;
  for (const unsigned width : options.widths) {
    if (width == 1) layouts.push_back({1, ByteOrder::le});
    else
      for (const ByteOrder order : options.orders) layouts.push_back({2, order});
  }
  for (std::size_t s = 0; s < options.systems.size(); ++s) {
    std::vector<Pattern> patterns;
    bool readable = true, own_runs = s == 0;
    for (const std::string& word : words) {
      std::optional<Pattern> pattern = pattern_of(word, options.systems[s]);
      if (!pattern) {
        readable = false;
        break;
      }
      // A later system is searched only when it reads some word differently.
      if (s > 0) {
        const std::optional<Pattern> first = pattern_of(word, options.systems[0]);
        own_runs = own_runs || !first || first->signature != pattern->signature ||
                   std::any_of(pattern->runs.begin(), pattern->runs.end(), [&](const WordRun& r) {
                     return options.systems[s].runs[r.run].name !=
                            (r.run < options.systems[0].runs.size()
                                 ? options.systems[0].runs[r.run].name
                                 : std::string());
                   });
      }
      patterns.push_back(std::move(*pattern));
    }
    if (!readable || !own_runs) continue;
    for (const CodeLayout layout : layouts) {
      ++search.tried;
      for (TextCandidate& c : candidates_in(search, layout, s, patterns))
        found.push_back(std::move(c));
    }
  }
  const double tried = std::log10(static_cast<double>(std::max<std::size_t>(search.tried, 1)));
  std::vector<TextCandidate> kept;
  for (TextCandidate& c : found) {
    c.score -= tried;
    if (c.score >= options.min_score) kept.push_back(std::move(c));
  }
  std::stable_sort(kept.begin(), kept.end(), [](const TextCandidate& a, const TextCandidate& b) {
    return a.score > b.score;
  });
  for (std::size_t i = 0; i < kept.size(); ++i)
    for (std::size_t j = i + 1; j < kept.size(); ++j)
      if (mirrors(kept[i], kept[j]) && !aligned(kept[i]) && aligned(kept[j])) {
        std::swap(kept[i].score, kept[j].score);
        std::swap(kept[i], kept[j]);
      }
  if (kept.size() > options.top) kept.resize(options.top);
  return kept;
}

} // namespace textdump
