#include "core/search/word_join.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace textdump::word_joins {

namespace {

using namespace word_patterns;
using code_chances::CodeFrequencies;
using code_chances::log_expected_sets;

bool overlaps_known(const BaseSet& set, const LetterSystem& system, std::size_t run,
                    std::uint32_t base) {
  const std::int64_t from = base,
                     to = from + static_cast<std::int64_t>(system.runs[run].letters.size());
  for (std::size_t r = 0; r < set.base.size(); ++r) {
    if (set.base[r] < 0 || r == run) continue;
    const std::int64_t b = set.base[r];
    if (from < b + static_cast<std::int64_t>(system.runs[r].letters.size()) && b < to) return true;
  }
  return false;
}

// The chance that a word matches at an offset with the set's bases: each of
// its letters is the code its base gives it, as often as the ROM has that
// code, and each other character repeats its code.
double chance_of(const Pattern& w, const BaseSet& set, CodeFrequencies& frequencies) {
  double chance = 1;
  for (const WordRun& run : w.runs)
    for (const auto& letter : run.letters)
      chance *= frequencies.of(static_cast<std::uint32_t>(set.base[run.run]) + letter.second);
  for (const OtherCharacter& o : w.others)
    for (std::size_t k = 1; k < o.positions.size(); ++k)
      for (unsigned c = 0; c < o.codes; ++c) chance *= frequencies.distance(0);
  return chance;
}

// A word's groups by the bases of the runs a base set knows of it.
class GroupIndex {
public:
  explicit GroupIndex(const WordHits& word) : word_(word) {
    for (const Group& g : word.groups) unlinked_.push_back(&g);
    std::stable_sort(unlinked_.begin(), unlinked_.end(), [](const Group* a, const Group* b) {
      return a->offsets.size() > b->offsets.size();
    });
    if (unlinked_.size() > UNLINKED_GROUPS) unlinked_.resize(UNLINKED_GROUPS);
  }

  // The groups that agree with the set on the runs it knows; when it knows
  // none of the word's runs (shares is false), the most hit groups.
  const std::vector<const Group*>& agreeing(const BaseSet& set, bool& shares) {
    std::string mask;
    for (const std::size_t run : word_.runs) mask += set.base[run] >= 0 ? '1' : '0';
    shares = mask.find('1') != std::string::npos;
    if (!shares) return unlinked_;
    auto by_key = by_mask_.find(mask);
    if (by_key == by_mask_.end()) {
      by_key = by_mask_.emplace(mask, Groups{}).first;
      for (const Group& g : word_.groups) by_key->second[key(mask, g.bases)].push_back(&g);
    }
    std::vector<std::uint32_t> bases;
    for (const std::size_t run : word_.runs)
      bases.push_back(static_cast<std::uint32_t>(std::max<std::int64_t>(set.base[run], 0)));
    const auto found = by_key->second.find(key(mask, bases));
    return found == by_key->second.end() ? none_ : found->second;
  }

private:
  using Groups = std::unordered_map<std::string, std::vector<const Group*>>;
  static std::string key(const std::string& mask, const std::vector<std::uint32_t>& bases) {
    std::string text;
    for (std::size_t k = 0; k < mask.size(); ++k)
      if (mask[k] == '1') text += std::to_string(bases[k]) + ",";
    return text;
  }
  const WordHits& word_;
  std::vector<const Group*> unlinked_, none_;
  std::map<std::string, Groups> by_mask_;
};

// The set with word i's group g, when its new runs overlap none it knows.
std::optional<BaseSet> extended(const BaseSet& set, std::size_t i, const Group& g,
                                const WordHits& word, const LetterSystem& system,
                                CodeFrequencies& frequencies) {
  BaseSet next = set;
  for (const OtherCharacter& o : g.reading->others) {
    if (!o.either) continue;
    const auto read = std::find_if(next.read_as.begin(), next.read_as.end(),
                                   [&](const auto& r) { return r.first == o.character; });
    if (read == next.read_as.end())
      next.read_as.emplace_back(o.character, o.codes);
    else if (read->second != o.codes)
      return std::nullopt;
  }
  double new_runs = 0;
  for (std::size_t k = 0; k < word.runs.size(); ++k) {
    const std::size_t run = word.runs[k];
    if (next.base[run] >= 0) continue;
    if (overlaps_known(next, system, run, g.bases[k])) return std::nullopt;
    next.base[run] = g.bases[k];
    ++new_runs;
  }
  // Any base of a new run could have had these hits: the expected number of
  // sets is that of the ones as likely as this one.
  const double sets = std::pow(frequencies.codes(), new_runs);
  const double mu = frequencies.offsets() * chance_of(*g.reading, next, frequencies);
  next.log_expected += log_expected_sets(sets, mu * sets, g.offsets.size()) +
                       std::log10(static_cast<double>(word.readings));
  next.groups[i] = &g;
  return next;
}

void keep_most_unlikely(std::vector<BaseSet>& sets) {
  std::stable_sort(sets.begin(), sets.end(), [](const BaseSet& a, const BaseSet& b) {
    return a.log_expected < b.log_expected;
  });
  if (sets.size() > MAX_PARTIALS) sets.resize(MAX_PARTIALS);
}

std::vector<BaseSet> join_word(const std::vector<BaseSet>& sets, std::size_t i,
                               const WordHits& word, GroupIndex& index, const LetterSystem& system,
                               CodeFrequencies& frequencies) {
  std::vector<BaseSet> next;
  for (const BaseSet& set : sets) {
    bool shares = false, joined = false;
    for (const Group* g : index.agreeing(set, shares))
      if (std::optional<BaseSet> e = extended(set, i, *g, word, system, frequencies)) {
        next.push_back(std::move(*e));
        joined = true;
      }
    if (!shares || !joined) next.push_back(set);
  }
  keep_most_unlikely(next);
  return next;
}

// The set with each word it has no hit of joined by the group that agrees
// best, as long as one does.
BaseSet completed(BaseSet set, const std::vector<WordHits>& words, std::vector<GroupIndex>& indexes,
                  const LetterSystem& system, CodeFrequencies& frequencies) {
  for (bool grew = true; grew;) {
    grew = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (set.groups[i] != nullptr) continue;
      bool shares = false;
      std::optional<BaseSet> best;
      for (const Group* g : indexes[i].agreeing(set, shares)) {
        if (!shares) break;
        std::optional<BaseSet> e = extended(set, i, *g, words[i], system, frequencies);
        if (e && (!best || e->log_expected < best->log_expected)) best = std::move(e);
      }
      if (best) {
        set = std::move(*best);
        grew = true;
      }
    }
  }
  return set;
}

} // namespace

std::vector<BaseSet> join_words(const std::vector<WordHits>& words, const LetterSystem& system,
                                CodeFrequencies& frequencies) {
  std::vector<GroupIndex> indexes;
  for (const WordHits& word : words) indexes.emplace_back(word);
  std::vector<std::size_t> order(words.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return words[a].groups.size() < words[b].groups.size();
  });
  std::vector<BaseSet> sets{BaseSet{std::vector<std::int64_t>(system.runs.size(), -1),
                                    std::vector<const Group*>(words.size(), nullptr),
                                    0,
                                    {}}};
  for (const std::size_t i : order)
    sets = join_word(sets, i, words[i], indexes[i], system, frequencies);
  std::vector<BaseSet> done;
  for (BaseSet& set : sets) {
    if (std::all_of(set.groups.begin(), set.groups.end(), [](const Group* g) { return !g; }))
      continue;
    done.push_back(completed(std::move(set), words, indexes, system, frequencies));
  }
  std::sort(done.begin(), done.end(),
            [](const BaseSet& a, const BaseSet& b) { return a.groups < b.groups; });
  done.erase(std::unique(done.begin(), done.end(),
                         [](const BaseSet& a, const BaseSet& b) { return a.groups == b.groups; }),
             done.end());
  keep_most_unlikely(done);
  return done;
}

} // namespace textdump::word_joins
