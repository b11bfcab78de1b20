// The pointer-table finder on generated ROMs (the planted table on top with
// exactly its parameters, no decoy reported, nothing without a table), on
// the real test ROMs, with and without a table planted in their padding, on
// real games' own tables, and on tables built by hand; each case a test of its own.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/finder/finder.hpp"
#include "core/script/script.hpp"
#include "core/tables/tables.hpp"
#include "generator/rom_generator.hpp"
#include "support/case_names.hpp"
#include "support/real_games.hpp"
#include "support/tables.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

namespace gen = textdump::testing;

using testing::standard_table;

// Printable ASCII as itself; the given bytes are ends, labelled with themselves when printable.
std::string ascii_table(const std::vector<int>& ends) {
  std::string text;
  char line[16];
  for (int c = 0; c < 0x7F; ++c) {
    const bool end = std::find(ends.begin(), ends.end(), c) != ends.end();
    if (c < 0x20 && !end) continue;
    std::snprintf(line, sizeof line, c < 0x20 ? "/%02X\n" : end ? "/%02X=%c\n" : "%02X=%c\n", c, c);
    text += line;
  }
  return text;
}

// Seeds of the accuracy benchmark, then three that once gave a false table.
enum class Kind { plain, nulls, empty, dense };
struct GeneratedCase {
  const char* name;
  std::uint64_t seed;
  bool plant;
  std::optional<gen::AddressMap> map = std::nullopt;
  Kind kind = Kind::plain;
};
const GeneratedCase GENERATED[] = {
    {"seed 55 linear 4-byte be", 55, true},
    {"seed 78 lorom with a copier header", 78, true},
    {"seed 3 hirom 3-byte with a copier header", 3, true},
    {"seed 86 gb 3-byte", 86, true},
    {"seed 30 nes at stride 3", 30, true},
    {"seed 110 lorom with no table", 110, false},
    {"seed 5 gba found from its header", 5, true, gen::AddressMap::gba},
    {"seed 8 md found from its header", 8, true, gen::AddressMap::md},
    {"seed 14 null entries", 14, true, std::nullopt, Kind::nulls},
    {"seed 3 pointers to empty strings", 3, true, std::nullopt, Kind::empty},
    {"seed 13 random bytes around a dense block of strings", 13, false, gen::AddressMap::linear,
     Kind::dense},
    // A decoy read big-endian.
    {"seed 29 decoy read big-endian", 29, true},
    // Tiles full of zero bytes that read as pointers to the strings at the start of the ROM.
    {"seed 122 zero tiles", 122, false},
    // A table of pointers a byte off read at four times its stride, where every
    // fourth lands on a string after an empty one.
    {"seed 4 pointers a byte off at four times their stride", 4, true, std::nullopt, Kind::empty},
};

class GeneratedRom : public ::testing::TestWithParam<GeneratedCase> {};

// The planted table on top with exactly its parameters, its null entries and
// targets, and no decoy reported; nothing where none is planted.
TEST_P(GeneratedRom, GivesThePlantedTableAlone) {
  const GeneratedCase& c = GetParam();
  gen::RomOptions options = gen::random_options(c.seed, c.map);
  options.plant = c.plant;
  options.null_entries = c.kind == Kind::nulls;
  options.empty_strings = c.kind == Kind::empty;
  options.dense_text = c.kind == Kind::dense;
  if (c.kind == Kind::dense) options.rom_size = 0x100000;
  const gen::GeneratedRom rom = gen::generate_rom(options);
  const RomView view{rom.rom.data(), rom.rom.size()};
  FinderOptions finder;
  finder.maps = suggested_maps(view);
  if (!rom.tables.empty() && rom.tables.front().base.value_or(0) != 0)
    finder.maps.push_back({AddressMap::linear, *rom.tables.front().base});
  const std::vector<Candidate> found =
      find_pointer_tables(view, standard_table(rom.table_text), finder);
  if (!c.plant) {
    EXPECT_TRUE(found.empty()) << pointers_argument(found.front().ptable);
    return;
  }
  ASSERT_FALSE(found.empty());
  const Candidate& top = found.front();
  const auto planted =
      std::find_if(rom.tables.begin(), rom.tables.end(),
                   [&](const gen::PlantedTable& t) { return t.at == top.ptable.at; });
  ASSERT_NE(planted, rom.tables.end()) << pointers_argument(top.ptable);
  PointerTable expected;
  expected.at = static_cast<std::uint32_t>(planted->at);
  expected.count = static_cast<std::uint32_t>(planted->count);
  expected.size = planted->size;
  expected.stride = planted->stride;
  expected.order = planted->order == gen::ByteOrder::le ? ByteOrder::le : ByteOrder::be;
  expected.map = static_cast<AddressMap>(static_cast<int>(planted->map));
  expected.base = planted->base.value_or(0);
  EXPECT_EQ(pointers_argument(top.ptable), pointers_argument(expected));
  EXPECT_EQ(top.null_entries, planted->null_entries);
  EXPECT_EQ(top.targets,
            std::vector<std::uint64_t>(planted->targets.begin(), planted->targets.end()));
  for (const Candidate& candidate : found)
    for (const gen::Decoy& decoy : rom.decoys)
      EXPECT_FALSE(candidate.ptable.at < decoy.offset + decoy.length &&
                   decoy.offset < end_of(candidate.ptable))
          << gen::name_of(decoy.kind) << " decoy reported as "
          << pointers_argument(candidate.ptable);
}

INSTANTIATE_TEST_SUITE_P(FindPointerTables, GeneratedRom, ::testing::ValuesIn(GENERATED),
                         gen::CaseName{});

// Pointers to the strings listed in SOURCES.md, written in padding where the
// --pointers argument says. The SNES texts are fixed-width fields without a
// terminator: the table ends them with the byte that closes a field.
struct RealRomCase {
  const char* name; // the ROM's file
  std::vector<int> ends;
  std::string pointers;
  std::vector<std::uint32_t> values;
};
const RealRomCase REAL_ROMS[] = {
    // From bank 1: "Passed", "Passed all tests", "Failed ", "cpu_instrs" in
    // bank 0, then "JR negative" to "Timer doesn't work" in bank 1.
    {"cpu_instrs.gb",
     {0x00},
     "at=5400,count=9,map=gb",
     {0x03A2, 0x0690, 0x06A8, 0x0B80, 0x42AD, 0x42D3, 0x42F3, 0x4312, 0x5303}},
    // The seven messages from "01-basics" at $6C10.
    {"01-basics.nes",
     {0x00},
     "at=6D00,count=7,map=nes",
     {0xEC00, 0xEC0A, 0xEC2B, 0xEC50, 0xEC7D, 0xEC98, 0xECBF}},
    // The header's title, "Bank Test ...:", the dashes up to "PASSED", "Bank Test ...:" again.
    {"BANKHiROMFastROM.sfc",
     {0x00, ':'},
     "at=10600,count=4,size=3,map=hirom",
     {0xC0FFC0, 0xC1013D, 0xC1015B, 0xC1013D}},
    {"BANKLoROMSlowROM.sfc",
     {0x00, ':'},
     "at=8600,count=4,size=3,map=lorom",
     {0x00FFC0, 0x01813D, 0x01815B, 0x01813D}},
    // "ADC #const   (Opcode: $69)" at $6F96 and the five lines after it.
    {"CPUADC.sfc",
     {')'},
     "at=7140,count=6,map=lorom",
     {0xEF96, 0xEFB0, 0xEFCA, 0xEFE4, 0xEFFE, 0xF018}},
};

class PaddingOfRealRom : public ::testing::TestWithParam<RealRomCase> {};

// The header suggests the map; font tiles, code and padding give no table of
// their own; the planted table is found.
TEST_P(PaddingOfRealRom, GivesTheTablePlantedThere) {
  REQUIRE_REALDATA();
  const RealRomCase& c = GetParam();
  const PointerTable planted = std::get<PointerTable>(parse_pointer_table(c.pointers));
  std::string bytes = testing::read_file_bytes((testing::REALDATA / "roms" / c.name).string());
  ASSERT_GT(bytes.size(), planted.at + planted.count * planted.size);
  const RomView view{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
  FinderOptions options;
  options.maps = suggested_maps(view);
  EXPECT_TRUE(std::any_of(options.maps.begin(), options.maps.end(),
                          [&](const FinderMap& m) { return m.map == planted.map; }))
      << "the header does not suggest " << name_of(planted.map);
  const CodeTable table = standard_table(ascii_table(c.ends));
  EXPECT_TRUE(find_pointer_tables(view, table, options).empty());

  for (std::size_t i = 0; i < c.values.size(); ++i)
    for (unsigned b = 0; b < planted.size; ++b) {
      char& byte = bytes[planted.at + i * planted.size + b];
      ASSERT_TRUE(byte == '\0' || byte == '\xFF') << "no padding at " << std::hex << planted.at;
      byte = static_cast<char>(c.values[i] >> (8 * b));
    }
  const std::vector<Candidate> found = find_pointer_tables(view, table, options);
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(pointers_argument(found.front().ptable), c.pointers);
}

INSTANTIATE_TEST_SUITE_P(FindPointerTables, PaddingOfRealRom, ::testing::ValuesIn(REAL_ROMS),
                         gen::CaseName{});

// The script a dump of the table at pointers writes, strings ended by the end entry.
std::string dumped_script(const RomView& rom, const std::vector<CodeTable>& tables,
                          const std::string& pointers) {
  ScriptRequest request;
  request.rom = rom;
  request.table = &tables.front();
  request.tables = &tables;
  request.ptables.push_back(std::get<PointerTable>(parse_pointer_table(pointers)));
  request.end = std::get<EndRule>(parse_end_rule("token"));
  request.insertion_table_name = "script.tbl";
  request.words = report_text;
  return build_script(request).script.joined();
}

// Real games (games/truth.json: their tables as their sources give them): on
// the default options, every table the finder should report is among the
// top three candidates, a table of its own, a column of one or a piece of one,
// with exactly its --pointers; the script its --pointers dump holds the
// table's known strings.
TEST(FindPointerTables, GivesEveryTableOfRealGames) {
  REQUIRE_REALDATA();
  for (const testing::RealGame& game : testing::real_games()) {
    SCOPED_TRACE(game.name);
    const RomView view = game.rom();
    const std::vector<CodeTable>& tables = game.tables;
    ASSERT_FALSE(tables.empty());
    FinderOptions options;
    options.maps = suggested_maps(view);
    options.tables = &tables;
    std::vector<Candidate> found = find_pointer_tables(view, tables.front(), options);
    found.resize(std::min<std::size_t>(found.size(), 3));
    std::vector<std::string> reported;
    for (const Candidate& c : found) {
      reported.push_back(pointers_argument(c.ptable));
      for (const auto* parts : {&c.columns, &c.pieces})
        for (const Candidate& part : *parts) reported.push_back(pointers_argument(part.ptable));
    }
    for (const auto& table : game.truth.at("tables")) {
      if (!table.at("finder").get<bool>()) continue;
      const std::string pointers = table.at("pointers");
      const auto at = std::find(reported.begin(), reported.end(), pointers);
      EXPECT_NE(at, reported.end()) << table.at("name").get<std::string>() << ": " << pointers;
      if (at == reported.end() || !table.contains("known")) continue;
      const std::string script = dumped_script(view, tables, pointers);
      for (const auto& known : table.at("known"))
        EXPECT_NE(script.find(known.get<std::string>()), std::string::npos)
            << table.at("name").get<std::string>() << " lacks " << known;
    }
  }
}

// Tables as games store them, built by hand: two pointer columns in records
// of 12 bytes (big-endian, one per language; the rest of each record FF, which
// a 3-byte read at stride 4 would take for null entries), a NES table in the fixed bank
// whose strings lie in a switched bank (found with the bank given, and by the
// search over the banks that the iNES header tells), a
// table that lies between the strings it points to, a column of few values
// beside one of many (a speaker beside each line), and two columns closed by
// a record of zeros, the list's end.
struct HandBuiltCase {
  const char* name;
  std::string header;                // written at 0
  std::size_t size;                  // of the ROM
  std::vector<std::size_t> text;     // where each block of six strings begins
  std::vector<std::string> columns;  // a --pointers argument per column; count=6
  std::optional<std::uint32_t> bank; // --bank
  std::vector<std::string> found;    // the --pointers of the top candidate and its columns
  bool switched = false;             // each string a switch to a table of its letters, ended there
  // By column, the strings its pointers lead to; none: the next ones in turn.
  std::vector<std::vector<std::size_t>> leads{};
  bool closing = false; // the record after the first column's last is all 0
};
const HandBuiltCase HAND_BUILT[] = {
    {"two columns of 12-byte records",
     std::string(0x100, '\0') + "SEGA",
     0x4000,
     {0x1000, 0x2000},
     {"at=800,count=6,stride=12,map=md", "at=804,count=6,stride=12,map=md"},
     std::nullopt,
     {"at=800,count=6,stride=12,map=md", "at=804,count=6,stride=12,map=md"}},
    {"a NES table in the fixed bank, its strings in bank 2",
     std::string("NES\x1A\x04", 5) + std::string(11, '\0'),
     0x10010,
     {0x8010 + 0x100},
     {"at=C010,count=6,map=nes,bank=2"},
     2,
     {"at=C010,count=6,map=nes,bank=2"}},
    {"the same, found by the search over the banks",
     std::string("NES\x1A\x04", 5) + std::string(11, '\0'),
     0x10010,
     {0x8010 + 0x100},
     {"at=C010,count=6,map=nes,bank=2"},
     std::nullopt,
     {"at=C010,count=6,map=nes,bank=2"}},
    {"a table between its strings",
     "",
     0x4000,
     {0x1000, 0x1050},
     {"at=1030,count=12"},
     std::nullopt,
     {"at=1030,count=12"}},
    {"strings that only a switched table reads, each ended by that table's end",
     "",
     0x4000,
     {0x1000},
     {"at=800,count=6"},
     std::nullopt,
     {"at=800,count=6"},
     true},
    {"a column of few values beside one of many",
     "",
     0x4000,
     {0x1000, 0x1100},
     {"at=800,count=6,stride=9", "at=803,count=6,stride=9"},
     std::nullopt,
     {"at=803,count=6,stride=9", "at=800,count=6,stride=9"},
     false,
     {{0, 1, 2, 0, 0, 1}, {6, 7, 8, 9, 10, 11}}},
    {"two columns closed by a null record",
     std::string(0x100, '\0') + "SEGA",
     0x4000,
     {0x1000, 0x2000},
     {"at=800,count=6,stride=10,map=md", "at=804,count=6,stride=10,map=md"},
     std::nullopt,
     {"at=800,count=7,stride=10,map=md", "at=804,count=7,stride=10,map=md"},
     false,
     {},
     true},
};

// A standard file whose F0 switches to @high, where letters are ASCII + $80:
// the starting table's 00 ends nothing there; FF, the end of @high, does.
const std::vector<CodeTable>& switching_tables() {
  static const std::vector<CodeTable> tables = [] {
    std::string file = "@main\n" + ascii_table({0x00}) + "!F0=<[k]>,<@high>:0\n@high\n/FF\n";
    for (int c = 0x20; c < 0x7F; ++c) {
      char line[16];
      std::snprintf(line, sizeof line, "%02X=%c\n", c + 0x80, c);
      file += line;
    }
    std::vector<CodeTable> switching;
    for (const NamedTable& named : parse_standard_table(file).tables)
      switching.emplace_back(TableFormat::standard).lay_over(named.definitions);
    return switching;
  }();
  return tables;
}

const char* const PLACES[] = {"North gate", "Old well", "Inn", "Castle", "Harbour", "Tower"};

class HandBuilt : public ::testing::TestWithParam<HandBuiltCase> {};

// The top candidate and its other columns, each with exactly its fields.
TEST_P(HandBuilt, GivesEachColumn) {
  const HandBuiltCase& c = GetParam();
  const std::vector<CodeTable>& switching = switching_tables();
  std::string rom(c.size, '\xFF');
  rom.replace(0, c.header.size(), c.header);
  std::vector<std::size_t> starts;
  for (const std::size_t block : c.text) {
    std::size_t at = block;
    for (const char* word : PLACES) {
      std::string text = std::string(word) + '\0';
      if (c.switched) {
        for (char& letter : text) letter = static_cast<char>(letter | 0x80);
        text = "\xF0" + text.substr(0, text.size() - 1) + "\xFF";
      }
      rom.replace(at, text.size(), text);
      starts.push_back(at);
      at += text.size();
    }
  }
  const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  const RomLayout layout = layout_of(view);
  std::size_t next = 0;
  for (std::size_t k = 0; k < c.columns.size(); ++k) {
    const PointerTable ptable = std::get<PointerTable>(parse_pointer_table(c.columns[k]));
    if (c.closing && k == 0)
      rom.replace(ptable.at + std::uint64_t{ptable.count} * ptable.stride, ptable.stride,
                  ptable.stride, '\0');
    for (std::uint32_t i = 0; i < ptable.count; ++i, ++next) {
      const std::uint64_t slot = ptable.at + std::uint64_t{i} * ptable.stride;
      const std::size_t lead = k < c.leads.size() ? c.leads[k][i] : next;
      const std::uint32_t value =
          *map_of(ptable.map).to_value(ptable, layout, {ptable.size, slot}, starts[lead]);
      for (unsigned b = 0; b < ptable.size; ++b)
        rom[slot + b] = static_cast<char>(
            value >> 8 * (ptable.order == ByteOrder::le ? b : ptable.size - 1 - b));
    }
  }
  FinderOptions options;
  options.maps = suggested_maps(view);
  options.bank = c.bank;
  if (c.switched) options.tables = &switching;
  const std::vector<Candidate> found = find_pointer_tables(
      view, c.switched ? switching[0] : standard_table(ascii_table({0x00})), options);
  ASSERT_FALSE(found.empty());
  std::vector<std::string> arguments{pointers_argument(found.front().ptable)};
  for (const Candidate& column : found.front().columns)
    arguments.push_back(pointers_argument(column.ptable));
  EXPECT_EQ(arguments, c.found);
}

INSTANTIATE_TEST_SUITE_P(FindPointerTables, HandBuilt, ::testing::ValuesIn(HAND_BUILT),
                         gen::CaseName{});

// Strings without an end byte, one after another: a table of 2-byte lengths
// and 2-byte pointers (stride 4, the pointer at byte 2), the same with 3-byte
// pointers in 9-byte records (read as 2-byte pointers too), Pascal strings whose
// pointers lead to a one-byte length, the same in 6-byte records, and
// big-endian Pascal strings with a two-byte length, and lengths beside the
// pointers whose strings lie in the opposite order (entry 0 leads to the
// last string); each found with its fields, its --end and its order.
struct SetLengthCase {
  const char* name;
  unsigned pascal; // bytes of the length before each string
  bool beside;     // the length lies in the entry, before the pointer
  ByteOrder order;
  unsigned stride;
  const char* found; // the --pointers argument
  unsigned size = 2; // of the pointers
  bool reverse = false;
};
const SetLengthCase SET_LENGTH[] = {
    {"lengths beside the pointers", 0, true, ByteOrder::le, 4,
     "at=2000,count=6,stride=4,offset=2,length=0:2"},
    {"lengths beside the pointers in records", 0, true, ByteOrder::le, 9,
     "at=2000,count=6,size=3,stride=9,offset=2,length=0:2", 3},
    {"Pascal strings", 1, false, ByteOrder::le, 2, "at=2000,count=6"},
    {"Pascal strings in records", 1, false, ByteOrder::le, 6, "at=2000,count=6,stride=6"},
    {"big-endian Pascal strings", 2, false, ByteOrder::be, 2, "at=2000,count=6,order=be"},
    {"lengths beside the pointers in reverse", 0, true, ByteOrder::le, 4,
     "at=2000,count=6,stride=4,offset=2,length=0:2", 2, true},
};

class SetLength : public ::testing::TestWithParam<SetLengthCase> {};

TEST_P(SetLength, GivesTheTableWithItsFields) {
  const SetLengthCase& c = GetParam();
  std::string rom(0x4000, '\xFF');
  const auto put = [&](std::size_t at, std::uint32_t value, unsigned size) {
    for (unsigned b = 0; b < size; ++b)
      rom[at + b] = static_cast<char>(value >> 8 * (c.order == ByteOrder::le ? b : size - 1 - b));
  };
  std::size_t at = 0x1000;
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string text = PLACES[i];
    const std::size_t entry = 0x2000 + (c.reverse ? 5 - i : i) * c.stride;
    if (c.beside) put(entry, static_cast<std::uint32_t>(text.size()), 2);
    put(entry + (c.beside ? 2 : 0), static_cast<std::uint32_t>(at), c.size);
    put(at, static_cast<std::uint32_t>(text.size()), c.pascal);
    rom.replace(at + c.pascal, text.size(), text);
    at += c.pascal + text.size();
  }
  const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  FinderOptions options;
  options.maps = suggested_maps(view);
  const std::vector<Candidate> found =
      find_pointer_tables(view, standard_table(ascii_table({0x00})), options);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(pointers_argument(found.front().ptable), c.found);
  EXPECT_EQ(found.front().pascal, c.pascal);
  EXPECT_EQ(found.front().reverse, c.reverse);
}

INSTANTIATE_TEST_SUITE_P(FindPointerTables, SetLength, ::testing::ValuesIn(SET_LENGTH),
                         gen::CaseName{});

} // namespace
} // namespace textdump
