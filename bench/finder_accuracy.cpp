// The finder's accuracy on generated ROMs: how often the planted table is the
// top candidate with exactly its parameters, how often a decoy is reported, and
// how often anything is reported on ROMs with no table.
//
//   finder_accuracy [SEEDS] [EMPTY_SEEDS]      (defaults 100 and 50)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/finder.hpp"
#include "core/standard_table.hpp"
#include "generator/rom_generator.hpp"

namespace {

using namespace textdump;
namespace gen = textdump::testing;

AddressMap map_of(gen::AddressMap map) {
  return static_cast<AddressMap>(static_cast<int>(map));
}

bool same(const Candidate& c, const gen::PlantedTable& t) {
  return c.ptable.map == map_of(t.map) && c.ptable.size == t.size &&
         (c.ptable.order == ByteOrder::le) == (t.order == gen::ByteOrder::le) &&
         c.ptable.stride == t.stride && c.ptable.at == t.at && c.ptable.count == t.count &&
         (t.map != gen::AddressMap::linear || c.ptable.base == t.base.value_or(0));
}

bool overlaps(const Candidate& c, std::size_t from, std::size_t length) {
  const std::uint64_t to =
      c.ptable.at + std::uint64_t{c.ptable.count - 1} * c.ptable.stride + c.ptable.size;
  return c.ptable.at < from + length && from < to;
}

} // namespace

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 100;
  const int empty_seeds = argc > 2 ? std::atoi(argv[2]) : 50;
  int top_exact = 0, decoy_free = 0, quiet = 0, failures_shown = 0;
  double seconds = 0;
  for (int seed = 1; seed <= seeds + empty_seeds; ++seed) {
    const bool plant = seed <= seeds;
    gen::RomOptions options = gen::random_options(static_cast<std::uint64_t>(seed));
    options.plant = plant;
    const gen::GeneratedRom rom = gen::generate_rom(options);
    CodeTable table(TableFormat::standard);
    table.lay_over(parse_standard_table(rom.table_text).definitions());
    const RomView view{rom.rom.data(), rom.rom.size()};
    FinderOptions finder;
    finder.maps = suggested_maps(view);
    if (plant && !rom.tables.empty() && rom.tables.front().base.value_or(0) != 0)
      finder.maps.push_back({AddressMap::linear, *rom.tables.front().base});
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Candidate> found = find_pointer_tables(view, table, finder);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!plant) {
      quiet += found.empty() ? 1 : 0;
      if (!found.empty() && failures_shown++ < 20)
        std::printf("seed %d (no table): found %s score %.1f\n", seed,
                    pointers_argument(found.front().ptable).c_str(), found.front().score);
      continue;
    }
    bool exact = false;
    for (const gen::PlantedTable& t : rom.tables)
      exact = exact || (!found.empty() && same(found.front(), t));
    bool decoy = false;
    for (const Candidate& c : found)
      for (const gen::Decoy& d : rom.decoys)
        if (overlaps(c, d.offset, d.length)) {
          if (!decoy && failures_shown < 20)
            std::printf("seed %d: decoy %s at %zX+%zu reported as %s score %.1f\n", seed,
                        std::string(gen::name_of(d.kind)).c_str(), d.offset, d.length,
                        pointers_argument(c.ptable).c_str(), c.score);
          decoy = true;
        }
    top_exact += exact ? 1 : 0;
    decoy_free += decoy ? 0 : 1;
    if ((!exact || decoy) && failures_shown++ < 10) {
      const gen::PlantedTable& t = rom.tables.front();
      std::printf("seed %d: planted %s size %u %s stride %u at %zX count %zu base %lld; ", seed,
                  std::string(gen::name_of(t.map)).c_str(), t.size,
                  t.order == gen::ByteOrder::le ? "le" : "be", t.stride, t.at, t.count,
                  static_cast<long long>(t.base.value_or(0)));
      if (found.empty())
        std::printf("nothing found%s\n", decoy ? ", a decoy" : "");
      else
        std::printf("top %s at %X count %u stride %u size %u score %.1f%s\n",
                    pointers_argument(found.front().ptable).c_str(), found.front().ptable.at,
                    found.front().ptable.count, found.front().ptable.stride,
                    found.front().ptable.size, found.front().score,
                    decoy ? ", a decoy reported" : "");
    }
  }
  std::printf("planted table top with exact parameters: %d of %d\n", top_exact, seeds);
  std::printf("no decoy reported:                       %d of %d\n", decoy_free, seeds);
  std::printf("nothing reported without a table:        %d of %d\n", quiet, empty_seeds);
  std::printf("search time: %.2f s for %d ROMs\n", seconds, seeds + empty_seeds);
  return top_exact >= seeds * 95 / 100 && decoy_free >= seeds * 95 / 100 &&
                 quiet >= empty_seeds * 48 / 50
             ? 0
             : 3;
}
