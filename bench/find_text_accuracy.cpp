// The relative search's accuracy on generated ROMs, family by family
// (bench/generator/rom_text_encodings.hpp): how often every planted word is
// found under the true encoding (and a word written with a ligature is named
// as matching nowhere), how often that encoding ranks first, and how often
// anything is reported on ROMs where the words are not.
//
//   find_text_accuracy [SEEDS] [EMPTY_SEEDS] [FAMILY...]   (defaults 100, 100, every family)
//
// Targets: the plain family finds every word in every seed and the true
// encoding first in 98 of 100; each other family both in 95 of 100; nothing
// is reported without the words in any seed. Exit status 3 when one is missed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/search/relative_search.hpp"
#include "generator/rom_text_encodings.hpp"

namespace {

using namespace textdump;
namespace gen = textdump::testing;

std::vector<LetterSystem> systems_for(const gen::TextRomOptions& o, const gen::TextRom& rom) {
  if (!rom.order_text.empty())
    return std::get<std::vector<LetterSystem>>(user_systems("order", rom.order_text));
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

// Every word that matches found where planted; every other one named.
bool finds_every_word(const TextCandidate& c, const gen::TextRom& rom) {
  for (std::size_t w = 0; w < rom.words.size(); ++w) {
    const bool hit =
        std::any_of(c.hits.begin(), c.hits.end(), [&](const TextHit& h) { return h.word == w; });
    if (hit != rom.words[w].matches) return false;
    for (const std::size_t at : rom.words[w].offsets)
      if (rom.words[w].matches && std::none_of(c.hits.begin(), c.hits.end(), [&](const TextHit& h) {
            return h.offset == at && h.word == w;
          }))
        return false;
  }
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

struct Tally {
  int found_all = 0, first = 0, quiet = 0, shown = 0;
  double seconds = 0;
};

// One seed of a family: its ROM searched, the tally counted, a miss shown.
void run_seed(gen::TextFamily family, int seed, bool plant, Tally& t) {
  gen::TextRomOptions o = gen::random_text_options(static_cast<std::uint64_t>(seed), family);
  o.plant = plant;
  const gen::TextRom rom = gen::generate_text_rom(o);
  std::vector<std::string> words;
  for (const gen::PlantedWord& w : rom.words) words.push_back(w.word);
  TextSearchOptions options;
  options.systems = systems_for(o, rom);
  options.top = 20;
  const auto start = std::chrono::steady_clock::now();
  const std::vector<TextCandidate> found =
      find_text({rom.rom.data(), rom.rom.size()}, words, options);
  t.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::string name(gen::name_of(family));
  if (!plant) {
    t.quiet += found.empty() ? 1 : 0;
    if (!found.empty() && t.shown++ < 10)
      std::printf("%s seed %d (no words, %s): %s score %.1f\n", name.c_str(), seed,
                  describe(o).c_str(), layout_of(found.front().layout).c_str(),
                  found.front().score);
    return;
  }
  const auto truth = std::find_if(found.begin(), found.end(), [&](const TextCandidate& c) {
    return is_true(c, rom, o, options.systems);
  });
  const bool all = truth != found.end() && finds_every_word(*truth, rom);
  const bool top = truth == found.begin() && truth != found.end();
  t.found_all += all ? 1 : 0;
  t.first += top ? 1 : 0;
  if ((!all || !top) && t.shown++ < 10) {
    std::printf("%s seed %d (%s): %zu candidates; true one %s%s", name.c_str(), seed,
                describe(o).c_str(), found.size(),
                truth == found.end() ? "missing"
                : top                ? "first"
                                     : "not first",
                all ? "" : ", a word missed");
    if (!found.empty())
      std::printf("; first %s score %.1f", layout_of(found.front().layout).c_str(),
                  found.front().score);
    std::printf("\n");
  }
}

} // namespace

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 100;
  const int empty_seeds = argc > 2 ? std::atoi(argv[2]) : 100;
  std::vector<gen::TextFamily> families;
  for (int a = 3; a < argc; ++a)
    for (const gen::TextFamily f : gen::TEXT_FAMILIES)
      if (gen::name_of(f) == argv[a]) families.push_back(f);
  if (families.empty())
    families.assign(std::begin(gen::TEXT_FAMILIES), std::end(gen::TEXT_FAMILIES));
  bool met = true;
  std::string table;
  for (const gen::TextFamily family : families) {
    Tally t;
    for (int seed = 1; seed <= seeds + empty_seeds; ++seed)
      run_seed(family, seed, seed <= seeds, t);
    const int wanted = family == gen::TextFamily::plain ? 100 : 95;
    met = met && t.found_all >= (family == gen::TextFamily::plain ? seeds : seeds * wanted / 100) &&
          t.first >= seeds * (family == gen::TextFamily::plain ? 98 : wanted) / 100 &&
          t.quiet == empty_seeds;
    char line[160];
    std::snprintf(line, sizeof line, "%-20s %3d of %-3d   %3d of %-3d   %3d of %-3d   %.2f s\n",
                  std::string(gen::name_of(family)).c_str(), t.found_all, seeds, t.first, seeds,
                  t.quiet, empty_seeds, t.seconds);
    table += line;
  }
  std::printf("family               every word   true first   nothing      search time\n%s",
              table.c_str());
  return met ? 0 : 3;
}
