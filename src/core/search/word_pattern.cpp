#include "core/search/word_pattern.hpp"

#include <algorithm>

namespace textdump::word_patterns {

namespace {

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
  std::uint32_t codes[64];
  for (std::size_t o = 0; o < w.others.size(); ++o) {
    const std::vector<std::size_t>& positions = w.others[o].positions;
    const std::uint32_t code = code_in<W, LE>(d, p + positions[0] * W);
    for (std::size_t k = 1; k < positions.size(); ++k)
      if (code_in<W, LE>(d, p + positions[k] * W) != code) return false;
    for (std::size_t r = 0; r < w.runs.size(); ++r)
      if (code >= bases[r] && code < bases[r] + w.runs[r].size) return false;
    for (std::size_t s = 0; s < o && s < 64; ++s)
      if (codes[s] == code) return false;
    if (o < 64) codes[o] = code;
  }
  return true;
}

// Every offset where the pattern matches: a test of its two anchor letters'
// distance, then the whole pattern where that holds.
template <unsigned W, bool LE> std::vector<std::uint32_t> scan(const RomView& rom, const Pattern& w) {
  std::vector<std::uint32_t> hits;
  const std::size_t span = w.length * W;
  if (rom.size < span) return hits;
  const unsigned char* d = rom.data;
  constexpr std::uint32_t mask = W == 1 ? 0xFFu : 0xFFFFu;
  const std::size_t a = w.anchor_a * W, b = w.anchor_b * W;
  const std::size_t last = static_cast<std::size_t>(rom.size) - span;
  std::vector<std::uint32_t> bases(w.runs.size());
  const std::uint32_t distance = w.anchor_distance & mask;
  for (std::size_t p = 0; p <= last; ++p) {
    if (((code_in<W, LE>(d, p + b) - code_in<W, LE>(d, p + a)) & mask) != distance) continue;
    if (match_at<W, LE>(d, p, w, bases.data())) hits.push_back(static_cast<std::uint32_t>(p));
  }
  return hits;
}

} // namespace

std::optional<Pattern> pattern_of(std::string_view word, const LetterSystem& system) {
  Pattern pattern;
  const std::vector<std::string> characters = characters_of(word);
  pattern.length = characters.size();
  for (std::size_t pos = 0; pos < characters.size(); ++pos) {
    const std::string& c = characters[pos];
    if (c == "?") continue;
    if (const auto place = system.find(c)) {
      auto run = std::find_if(pattern.runs.begin(), pattern.runs.end(),
                              [&](const WordRun& r) { return r.run == place->run; });
      if (run == pattern.runs.end()) {
        pattern.runs.push_back(
            {place->run, static_cast<std::uint32_t>(system.runs[place->run].letters.size()), {}});
        run = pattern.runs.end() - 1;
      }
      run->letters.emplace_back(pos, static_cast<std::uint32_t>(place->index));
      continue;
    }
    auto other = std::find_if(pattern.others.begin(), pattern.others.end(),
                              [&](const OtherCharacter& o) { return o.character == c; });
    if (other == pattern.others.end()) {
      pattern.others.push_back({c, {}});
      other = pattern.others.end() - 1;
    }
    other->positions.push_back(pos);
  }
  std::sort(pattern.runs.begin(), pattern.runs.end(),
            [](const WordRun& a, const WordRun& b) { return a.run < b.run; });
  const auto longest = std::max_element(
      pattern.runs.begin(), pattern.runs.end(),
      [](const WordRun& a, const WordRun& b) { return a.letters.size() < b.letters.size(); });
  if (longest == pattern.runs.end() || longest->letters.size() < 2) return std::nullopt;
  pattern.anchor_a = longest->letters[0].first;
  pattern.anchor_b = longest->letters[1].first;
  pattern.anchor_distance = longest->letters[1].second - longest->letters[0].second;
  pattern.signature = std::to_string(pattern.length);
  for (const WordRun& r : pattern.runs) {
    pattern.signature += "|r" + std::to_string(r.run) + ":" + std::to_string(r.size);
    for (const auto& [pos, index] : r.letters)
      pattern.signature += "," + std::to_string(pos) + "=" + std::to_string(index);
  }
  for (const OtherCharacter& o : pattern.others) {
    pattern.signature += "|o";
    for (const std::size_t pos : o.positions) pattern.signature += "," + std::to_string(pos);
  }
  return pattern;
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
