#include "core/search/word_pattern.hpp"

#include <algorithm>
#include <cstring>
#include <set>

namespace textdump::word_patterns {

namespace {

// The code of a character of no run at q: one code, or two 1-byte codes as one.
template <unsigned W, bool LE>
std::uint32_t other_code(const unsigned char* d, std::size_t q, unsigned codes) {
  const std::uint32_t first = code_in<W, LE>(d, q);
  return codes == 1 ? first : first << 8 | code_in<W, LE>(d, q + W);
}

template <unsigned W, bool LE>
bool in_runs(const unsigned char* d, std::size_t q, unsigned codes, const Pattern& w,
             const std::uint32_t* bases) {
  for (unsigned k = 0; k < codes; ++k) {
    const std::uint32_t code = code_in<W, LE>(d, q + k * W);
    for (std::size_t r = 0; r < w.runs.size(); ++r)
      if (code >= bases[r] && code < bases[r] + w.runs[r].size) return true;
  }
  return false;
}

// The bases of the pattern's runs at p when it matches there.
template <unsigned W, bool LE>
bool match_at(const unsigned char* d, std::size_t p, const Pattern& w, std::uint32_t* bases) {
  constexpr std::uint32_t max_code = W == 1 ? 0xFFu : 0xFFFFu;
  for (std::size_t r = 0; r < w.runs.size(); ++r) {
    const WordRun& run = w.runs[r];
    const std::uint32_t first = code_in<W, LE>(d, p + run.letters[0].first * W);
    if (first < run.letters[0].second) return false;
    const std::uint32_t base = first - run.letters[0].second;
    if (base + run.size - 1 > max_code) return false;
    for (std::size_t k = 1; k < run.letters.size(); ++k)
      if (code_in<W, LE>(d, p + run.letters[k].first * W) != base + run.letters[k].second)
        return false;
    for (std::size_t s = 0; s < r; ++s)
      if (base < bases[s] + w.runs[s].size && bases[s] < base + run.size) return false;
    bases[r] = base;
  }
  std::uint32_t codes[64]; // each character's code, its count of codes above bit 16
  for (std::size_t o = 0; o < w.others.size(); ++o) {
    const OtherCharacter& other = w.others[o];
    const std::uint32_t code = other_code<W, LE>(d, p + other.positions[0] * W, other.codes);
    for (std::size_t k = 1; k < other.positions.size(); ++k)
      if (other_code<W, LE>(d, p + other.positions[k] * W, other.codes) != code) return false;
    if (in_runs<W, LE>(d, p + other.positions[0] * W, other.codes, w, bases)) return false;
    const std::uint32_t keyed = code | other.codes << 16;
    for (std::size_t s = 0; s < o && s < 64; ++s)
      if (codes[s] == keyed) return false;
    if (o < 64) codes[o] = keyed;
  }
  return true;
}

// Every offset where the pattern matches: a test of its two anchor letters'
// distance over a block of offsets, then the whole pattern where that holds.
template <unsigned W, bool LE> std::vector<std::uint32_t> scan(const RomView& rom, const Pattern& w) {
  std::vector<std::uint32_t> hits;
  const std::size_t span = w.length * W;
  if (rom.size < span) return hits;
  const unsigned char* d = rom.data;
  constexpr std::uint32_t mask = W == 1 ? 0xFFu : 0xFFFFu;
  const std::size_t a = w.anchor_a * W, b = w.anchor_b * W;
  const std::size_t offsets = static_cast<std::size_t>(rom.size) - span + 1;
  std::vector<std::uint32_t> bases(w.runs.size());
  const std::uint32_t distance = w.anchor_distance & mask;
  constexpr std::size_t BLOCK = 4096;
  unsigned char kept[BLOCK];
  for (std::size_t start = 0; start < offsets; start += BLOCK) {
    const std::size_t n = std::min(BLOCK, offsets - start);
    const unsigned char* at = d + start;
    const auto keep = [&](std::size_t k) {
      kept[k] = ((code_in<W, LE>(at, k + b) - code_in<W, LE>(at, k + a)) & mask) == distance;
    };
    if (n == BLOCK) // a count known when compiled: vectorised at -O2
      for (std::size_t k = 0; k < BLOCK; ++k) keep(k);
    else
      for (std::size_t k = 0; k < n; ++k) keep(k);
    const unsigned char* q = kept;
    while ((q = static_cast<const unsigned char*>(
                std::memchr(q, 1, n - static_cast<std::size_t>(q - kept)))) != nullptr) {
      const std::size_t p = start + static_cast<std::size_t>(q - kept);
      if (match_at<W, LE>(d, p, w, bases.data())) hits.push_back(static_cast<std::uint32_t>(p));
      ++q;
    }
  }
  return hits;
}

// A character that UTF-8 writes in two bytes.
bool two_byte_character(const std::string& c) {
  return c.size() == 2 && static_cast<unsigned char>(c[0]) >= 0xC2;
}

// The word read in a system, the characters of two_code as two codes each;
// its anchor not set.
Pattern pattern_of(const std::vector<WordCharacter>& characters, const LetterSystem& system,
                   const std::set<std::string>& two_code, const std::vector<std::string>& varied) {
  Pattern pattern;
  std::size_t pos = 0;
  for (const WordCharacter& c : characters) {
    if (c.any) {
      ++pos;
      continue;
    }
    if (const auto place = system.find(c.text)) {
      auto run = std::find_if(pattern.runs.begin(), pattern.runs.end(),
                              [&](const WordRun& r) { return r.run == place->run; });
      if (run == pattern.runs.end()) {
        pattern.runs.push_back(
            {place->run, static_cast<std::uint32_t>(system.runs[place->run].letters.size()), {}});
        run = pattern.runs.end() - 1;
      }
      run->letters.emplace_back(pos++, static_cast<std::uint32_t>(place->index));
      continue;
    }
    auto other = std::find_if(pattern.others.begin(), pattern.others.end(),
                              [&](const OtherCharacter& o) { return o.character == c.text; });
    if (other == pattern.others.end()) {
      pattern.others.push_back({c.text,
                                two_code.contains(c.text) ? 2u : 1u,
                                std::find(varied.begin(), varied.end(), c.text) != varied.end(),
                                {}});
      other = pattern.others.end() - 1;
    }
    other->positions.push_back(pos);
    pos += other->codes;
  }
  pattern.length = pos;
  std::sort(pattern.runs.begin(), pattern.runs.end(),
            [](const WordRun& a, const WordRun& b) { return a.run < b.run; });
  return pattern;
}

std::size_t different_letters(const WordRun& run) {
  std::set<std::uint32_t> indexes;
  for (const auto& letter : run.letters) indexes.insert(letter.second);
  return indexes.size();
}

// Sets the anchor and the signature; false when no run has two different letters.
bool complete(Pattern& pattern) {
  const auto best = std::max_element(pattern.runs.begin(), pattern.runs.end(),
                                     [](const WordRun& a, const WordRun& b) {
                                       return different_letters(a) < different_letters(b);
                                     });
  if (best == pattern.runs.end() || different_letters(*best) < 2) return false;
  const auto other = std::find_if(best->letters.begin(), best->letters.end(), [&](const auto& l) {
    return l.second != best->letters[0].second;
  });
  pattern.anchor_a = best->letters[0].first;
  pattern.anchor_b = other->first;
  pattern.anchor_distance = other->second - best->letters[0].second;
  pattern.signature = std::to_string(pattern.length);
  for (const WordRun& r : pattern.runs) {
    pattern.signature += "|r" + std::to_string(r.run) + ":" + std::to_string(r.size);
    for (const auto& [pos, index] : r.letters)
      pattern.signature += "," + std::to_string(pos) + "=" + std::to_string(index);
  }
  for (const OtherCharacter& o : pattern.others) {
    pattern.signature += "|o" + std::to_string(o.codes);
    for (const std::size_t pos : o.positions) pattern.signature += "," + std::to_string(pos);
  }
  return true;
}

} // namespace

std::vector<WordCharacter> word_characters(std::string_view word) {
  std::vector<WordCharacter> characters;
  const std::vector<std::string> typed = characters_of(word);
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const bool escape =
        typed[i] == "\\" && i + 1 < typed.size() && (typed[i + 1] == "?" || typed[i + 1] == "\\");
    if (escape) ++i;
    characters.push_back({typed[i], !escape && typed[i] == "?"});
  }
  return characters;
}

WordFault fault_of(std::string_view word, const LetterSystem& system) {
  Pattern pattern = pattern_of(word_characters(word), system, {}, {});
  if (complete(pattern)) return WordFault::none;
  return std::any_of(pattern.runs.begin(), pattern.runs.end(),
                     [](const WordRun& r) { return r.letters.size() >= 2; })
             ? WordFault::one_letter_repeated
             : WordFault::no_two_letters;
}

std::vector<Pattern> readings_of(std::string_view word, const LetterSystem& system,
                                 unsigned width) {
  const std::vector<WordCharacter> characters = word_characters(word);
  std::vector<std::string> varied; // the characters read either way
  for (const WordCharacter& c : characters)
    if (width == 1 && !c.any && two_byte_character(c.text) && !system.find(c.text) &&
        std::find(varied.begin(), varied.end(), c.text) == varied.end() &&
        varied.size() < MAX_TWO_CODE)
      varied.push_back(c.text);
  std::vector<Pattern> readings;
  for (std::size_t choice = 0; choice < (std::size_t{1} << varied.size()); ++choice) {
    std::set<std::string> two_code;
    for (std::size_t k = 0; k < varied.size(); ++k)
      if ((choice >> k & 1) != 0) two_code.insert(varied[k]);
    Pattern pattern = pattern_of(characters, system, two_code, varied);
    if (!complete(pattern)) return {};
    readings.push_back(std::move(pattern));
  }
  return readings;
}

std::vector<std::uint32_t> scan(const RomView& rom, const Pattern& w, CodeLayout layout) {
  if (layout.width == 1) return scan<1, true>(rom, w);
  return layout.order == ByteOrder::le ? scan<2, true>(rom, w) : scan<2, false>(rom, w);
}

std::vector<std::uint32_t> bases_of(const RomView& rom, std::uint32_t p, const Pattern& w,
                                    CodeLayout layout) {
  std::vector<std::uint32_t> bases(w.runs.size());
  for (std::size_t r = 0; r < w.runs.size(); ++r)
    bases[r] = code_at(rom, p + w.runs[r].letters[0].first * layout.width, layout) -
               w.runs[r].letters[0].second;
  return bases;
}

} // namespace textdump::word_patterns
