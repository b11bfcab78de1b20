// The finder's accuracy on generated ROMs: how often the planted table is the
// top candidate with exactly its parameters, how often a decoy is reported, and
// how often anything is reported on ROMs with no table.
//
// Then the cases of real games, each on its own CASE_SEEDS seeds: GBA and Mega
// Drive ROMs, tables with null entries, pointers to empty strings, Pascal
// strings, lengths beside the pointers, the same with the strings in the
// opposite order, records with a second column of few values, a closing null
// record, NES and Game Boy tables in the fixed bank whose strings lie in a
// switched one; and ROMs of
// random bytes around a dense block of strings with no table (EMPTY_SEEDS).
//
//   finder_accuracy [SEEDS] [EMPTY_SEEDS] [CASE_SEEDS] [CASE]   (defaults 100, 50, SEEDS)
//
// CASE names the one case searched (gba, md, nulls, ..., gb-bank), the others left out.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/finder/finder.hpp"
#include "core/tables/tables.hpp"
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
         (t.map != gen::AddressMap::linear || c.ptable.base == t.base.value_or(0)) &&
         c.ptable.offset == t.offset &&
         c.ptable.length.has_value() == (t.strings == gen::StringKind::length) &&
         (c.pascal == 1) == (t.strings == gen::StringKind::pascal) && c.reverse == t.reverse &&
         (!t.into_bank || c.ptable.bank == t.into_bank) &&
         (!t.column_at ||
          std::any_of(c.columns.begin(), c.columns.end(), [&](const Candidate& column) {
            return column.ptable.at == *t.column_at && column.ptable.count == t.count;
          }));
}

// The records' stride for a family that needs records: from the seed, at
// least least bytes.
void stride_at_least(gen::RomOptions& o, unsigned least) {
  if (o.stride < least) o.stride = least + static_cast<unsigned>(o.seed % 5);
}

// 2-byte pointers in a ROM of at least four banks.
void banks_switched(gen::RomOptions& o) {
  o.fixed_bank = true;
  o.pointer_size = 2;
  o.stride = std::max(o.stride, 2u);
  o.rom_size = std::max<std::size_t>(o.rom_size, 0x10000);
  o.tables = std::min(o.tables, 2u);
}

bool overlaps(const Candidate& c, std::size_t from, std::size_t length) {
  const std::uint64_t to =
      c.ptable.at + std::uint64_t{c.ptable.count - 1} * c.ptable.stride + c.ptable.size;
  return c.ptable.at < from + length && from < to;
}

// One family of generated ROMs: options from the seed, then changed.
struct Family {
  const char* name;
  std::optional<gen::AddressMap> map;
  void (*change)(gen::RomOptions&);
};

struct Tally {
  int top_exact = 0, decoy_free = 0, quiet = 0, seeds = 0;
  double seconds = 0;
};

// Searches seeds [first, first + count) of a family; planted tells whether tables are planted.
void search(const Family& family, int first, int count, bool plant, Tally& tally,
            int& failures_shown) {
  for (int seed = first; seed < first + count; ++seed) {
    gen::RomOptions options = gen::random_options(static_cast<std::uint64_t>(seed), family.map);
    options.plant = plant;
    if (family.change != nullptr) family.change(options);
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
    tally.seconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++tally.seeds;
    if (!plant) {
      tally.quiet += found.empty() ? 1 : 0;
      if (!found.empty() && failures_shown++ < 20)
        std::printf("%s seed %d (no table): found %s score %.1f\n", family.name, seed,
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
            std::printf("%s seed %d: decoy %s at %zX+%zu reported as %s score %.1f\n", family.name,
                        seed, std::string(gen::name_of(d.kind)).c_str(), d.offset, d.length,
                        pointers_argument(c.ptable).c_str(), c.score);
          decoy = true;
        }
    tally.top_exact += exact ? 1 : 0;
    tally.decoy_free += decoy ? 0 : 1;
    if ((!exact || decoy) && failures_shown++ < 10) {
      const gen::PlantedTable& t = rom.tables.front();
      std::printf("%s seed %d: planted %s size %u %s stride %u at %zX count %zu base %lld; ",
                  family.name, seed, std::string(gen::name_of(t.map)).c_str(), t.size,
                  t.order == gen::ByteOrder::le ? "le" : "be", t.stride, t.at, t.count,
                  static_cast<long long>(t.base.value_or(0)));
      if (found.empty())
        std::printf("nothing found%s\n", decoy ? ", a decoy" : "");
      else
        std::printf("top %s score %.1f%s\n", pointers_argument(found.front().ptable).c_str(),
                    found.front().score, decoy ? ", a decoy reported" : "");
    }
  }
}

} // namespace

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 100;
  const int empty_seeds = argc > 2 ? std::atoi(argv[2]) : 50;
  const int case_seeds = argc > 3 ? std::atoi(argv[3]) : seeds;
  const char* only = argc > 4 ? argv[4] : nullptr;
  int failures_shown = 0;
  const Family mix{"mix", std::nullopt, nullptr};
  Tally planted, empty;
  search(mix, 1, seeds, true, planted, failures_shown);
  search(mix, seeds + 1, empty_seeds, false, empty, failures_shown);
  std::printf("planted table top with exact parameters: %d of %d\n", planted.top_exact, seeds);
  std::printf("no decoy reported:                       %d of %d\n", planted.decoy_free, seeds);
  std::printf("nothing reported without a table:        %d of %d\n", empty.quiet, empty_seeds);
  std::printf("search time: %.2f s for %d ROMs\n", planted.seconds + empty.seconds,
              seeds + empty_seeds);
  bool met = planted.top_exact >= seeds * 95 / 100 && planted.decoy_free >= seeds * 95 / 100 &&
             empty.quiet >= empty_seeds * 48 / 50;

  // The cases of real games, each on its own seeds: top exact and no decoy.
  const Family cases[] = {
      {"gba", gen::AddressMap::gba, nullptr},
      {"md", gen::AddressMap::md, nullptr},
      {"nulls", std::nullopt, [](gen::RomOptions& o) { o.null_entries = true; }},
      {"empty", std::nullopt, [](gen::RomOptions& o) { o.empty_strings = true; }},
      {"pascal", std::nullopt, [](gen::RomOptions& o) { o.strings = gen::StringKind::pascal; }},
      {"lengths", std::nullopt, [](gen::RomOptions& o) { o.strings = gen::StringKind::length; }},
      {"reverse", std::nullopt,
       [](gen::RomOptions& o) {
         o.strings = gen::StringKind::length;
         o.reverse_strings = true;
       }},
      {"columns", std::nullopt,
       [](gen::RomOptions& o) {
         o.few_valued_column = true;
         stride_at_least(o, 2 * o.pointer_size + 1);
       }},
      {"closing", std::nullopt,
       [](gen::RomOptions& o) {
         o.closing_null = true;
         stride_at_least(o, o.pointer_size + 1);
       }},
      {"nes-bank", gen::AddressMap::nes, banks_switched},
      {"gb-bank", gen::AddressMap::gb, banks_switched},
  };
  for (const Family& family : cases) {
    if (only != nullptr && std::string(only) != family.name) continue;
    Tally tally;
    search(family, 1, case_seeds, true, tally, failures_shown);
    std::printf("%-8s: top with exact parameters %d of %d, no decoy %d of %d\n", family.name,
                tally.top_exact, case_seeds, tally.decoy_free, case_seeds);
    met = met && tally.top_exact >= case_seeds * 95 / 100 &&
          tally.decoy_free >= case_seeds * 95 / 100;
  }
  // Random bytes around a dense block of strings, and no table.
  const Family dense{"dense", gen::AddressMap::linear, [](gen::RomOptions& o) {
                       o.dense_text = true;
                       o.rom_size = 0x100000;
                     }};
  Tally quiet;
  search(dense, 1, empty_seeds, false, quiet, failures_shown);
  std::printf("dense text, no table: nothing reported %d of %d\n", quiet.quiet, empty_seeds);
  met = met && quiet.quiet >= empty_seeds * 48 / 50;
  return met ? 0 : 3;
}
