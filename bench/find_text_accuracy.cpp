// The relative search's accuracy on generated ROMs: how often every planted
// word is found under the true encoding, how often that encoding ranks first,
// and how often anything is reported on ROMs where the words are not.
//
//   find_text_accuracy [SEEDS] [EMPTY_SEEDS]      (defaults 100 and 100)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/search/relative_search.hpp"
#include "generator/rom_text_encodings.hpp"

namespace {

using namespace textdump;
namespace gen = textdump::testing;

std::vector<LetterSystem> systems_for(const gen::TextRomOptions& o) {
  return o.script != gen::TextScript::latin && o.kana == gen::KanaOrder::iroha ? iroha_systems()
                                                                                : gojuon_systems();
}

// The candidate's layout and bases are the planted encoding's.
bool is_true(const TextCandidate& c, const gen::TextRom& rom, const gen::TextRomOptions& o,
             const std::vector<LetterSystem>& systems) {
  if (c.layout.width != o.width ||
      (o.width == 2 && (c.layout.order == ByteOrder::le) != (o.order == gen::ByteOrder::le)))
    return false;
  for (const RunBase& rb : c.bases) {
    const std::string& name = systems[c.system].runs[rb.run].name;
    const auto planted = std::find_if(rom.bases.begin(), rom.bases.end(),
                                      [&](const auto& b) { return b.first == name; });
    if (planted == rom.bases.end() || planted->second != rb.base) return false;
  }
  return !c.bases.empty();
}

bool finds_every_word(const TextCandidate& c, const gen::TextRom& rom) {
  for (std::size_t w = 0; w < rom.words.size(); ++w)
    for (const std::size_t at : rom.words[w].offsets)
      if (std::none_of(c.hits.begin(), c.hits.end(),
                       [&](const TextHit& h) { return h.offset == at && h.word == w; }))
        return false;
  return true;
}

std::string layout_of(const textdump::CodeLayout& layout) {
  return std::to_string(layout.width) + "-byte" +
         (layout.width == 1 ? "" : layout.order == textdump::ByteOrder::le ? " le" : " be") + " codes";
}

std::string describe(const gen::TextRomOptions& o) {
  return std::to_string(o.width) + "-byte " + (o.order == gen::ByteOrder::le ? "le" : "be") +
         (o.gaps ? " gaps " : " no gaps ") + std::string(gen::name_of(o.script)) + " " +
         std::string(gen::name_of(o.kana)) + " " + std::to_string(o.rom_size / 1024) + " KiB";
}

} // namespace

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 100;
  const int empty_seeds = argc > 2 ? std::atoi(argv[2]) : 100;
  int found_all = 0, first = 0, quiet = 0, shown = 0;
  double seconds = 0;
  for (int seed = 1; seed <= seeds + empty_seeds; ++seed) {
    const bool plant = seed <= seeds;
    gen::TextRomOptions o = gen::random_text_options(static_cast<std::uint64_t>(seed));
    o.plant = plant;
    const gen::TextRom rom = gen::generate_text_rom(o);
    std::vector<std::string> words;
    for (const gen::PlantedWord& w : rom.words) words.push_back(w.word);
    TextSearchOptions options;
    options.systems = systems_for(o);
    options.top = 20;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<TextCandidate> found =
        find_text({rom.rom.data(), rom.rom.size()}, words, options);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!plant) {
      quiet += found.empty() ? 1 : 0;
      if (!found.empty() && shown++ < 20)
        std::printf("seed %d (no words, %s): %s score %.1f\n", seed, describe(o).c_str(),
                    layout_of(found.front().layout).c_str(), found.front().score);
      continue;
    }
    const auto truth = std::find_if(found.begin(), found.end(), [&](const TextCandidate& c) {
      return is_true(c, rom, o, options.systems);
    });
    const bool all = truth != found.end() && finds_every_word(*truth, rom);
    const bool top = truth == found.begin() && truth != found.end();
    found_all += all ? 1 : 0;
    first += top ? 1 : 0;
    if ((!all || !top) && shown++ < 20) {
      std::printf("seed %d (%s): %zu candidates; true one %s%s", seed, describe(o).c_str(),
                  found.size(), truth == found.end() ? "missing" : top ? "first" : "not first",
                  all ? "" : ", a word missed");
      if (!found.empty())
        std::printf("; first %s score %.1f", layout_of(found.front().layout).c_str(),
                    found.front().score);
      std::printf("\n");
    }
  }
  std::printf("every planted word found:       %d of %d\n", found_all, seeds);
  std::printf("true encoding first:            %d of %d\n", first, seeds);
  std::printf("nothing reported without words: %d of %d\n", quiet, empty_seeds);
  std::printf("search time: %.2f s for %d ROMs\n", seconds, seeds + empty_seeds);
  return found_all == seeds && first >= seeds * 98 / 100 && quiet == empty_seeds ? 0 : 3;
}
