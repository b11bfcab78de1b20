// Strings that outgrow their blocks placed into free space (--insert --free),
// and equal strings stored once (--share): on generated ROMs whose banks end
// in padding, every string made 40% longer goes in, each moved string inside
// the free space given and the bank its 16-bit pointers reach; the proof of
// core/insert reads every pointer and string back and finds no other byte
// changed. A hand-made Game Boy ROM shows a string kept out of another bank
// (and the test inserter writing the same for the script moved by hand),
// the README's NES example a string 90 bytes longer moved past its pointer table.
// On the generated ROMs the test inserter, given the script with the moved
// strings cut out by hand, writes what the core writes but the checksums.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/insert/insert.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script.hpp"
#include "core/survey/free_space.hpp"
#include "core/tables/tables.hpp"
#include "generator/rom_generator.hpp"
#include "support/atlas_inserter.hpp"
#include "support/realdata.hpp"
#include "support/tables.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

namespace gen = textdump::testing;

using testing::standard_table;

RomView view_of(const std::string& rom) {
  return {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
}

struct Dumped {
  std::string script, table;
  std::vector<ScriptString> strings;
};

Dumped dump(const std::string& rom, const CodeTable& table,
            const std::vector<PointerTable>& ptables) {
  ScriptRequest request;
  request.rom = view_of(rom);
  request.table = &table;
  request.ptables = ptables;
  for (const PointerTable& p : ptables) request.pointer_arguments.push_back(pointers_argument(p));
  request.end = std::get<EndRule>(parse_end_rule("token"));
  request.end_text = "token";
  request.insertion_table_name = "script.tbl";
  request.words = report_text;
  const Script script = build_script(request);
  EXPECT_TRUE(script.errors.empty()) << report_text(script.errors.front());
  return {script.script.joined(), script.insertion_table, script.strings};
}

// A one-character text of the insertion table that ends no string.
std::optional<std::string> plain_letter(const std::string& table) {
  for (std::size_t at = 0; at + 4 <= table.size();) {
    const std::size_t end = std::min(table.find('\n', at), table.size());
    std::string_view line(table.data() + at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() == 4 && line[2] == '=' && std::isalnum(static_cast<unsigned char>(line[3])))
      return std::string(1, line[3]);
    at = end + 1;
  }
  return std::nullopt;
}

// Every string's text made at least 40% longer: letters before its first line.
std::string lengthened(const Dumped& d, const std::string& letter) {
  std::string script = d.script;
  std::vector<ScriptEntry> entries = script_entries(script);
  std::reverse(entries.begin(), entries.end());
  for (const ScriptEntry& e : entries) {
    if (!e.referenced || e.from == e.to) continue;
    const auto s = std::find_if(d.strings.begin(), d.strings.end(),
                                [&](const ScriptString& x) { return x.start == e.start; });
    const std::uint64_t bytes = s == d.strings.end() ? 4 : s->end - s->start;
    std::string more;
    for (std::uint64_t k = 0; k < (bytes * 2 + 4) / 5; ++k) more += letter;
    script.insert(e.from, more);
  }
  return script;
}

PointerTable planted_table(const gen::PlantedTable& planted) {
  PointerTable p;
  p.at = static_cast<std::uint32_t>(planted.at);
  p.count = static_cast<std::uint32_t>(planted.count);
  p.size = planted.size;
  p.stride = planted.stride;
  p.order = planted.order == gen::ByteOrder::le ? ByteOrder::le : ByteOrder::be;
  p.map = static_cast<AddressMap>(static_cast<int>(planted.map));
  p.base = planted.base.value_or(0);
  return p;
}

struct GeneratedCase {
  std::uint64_t seed;
  gen::AddressMap map;
  unsigned size;
};

// The script a translator would write by hand for the placement: each string
// of a moved piece, with the #WRITE and comment lines before it, cut out of
// its block and put at the script's end under a #JMP of the piece's own.
std::string moved_by_hand(const std::string& script, const InsertPlan& plan,
                          const Placement& placed) {
  std::vector<std::size_t> starts{0}; // of each line, from line 1 on
  for (std::size_t at = script.find('\n'); at != std::string::npos; at = script.find('\n', at + 1))
    starts.push_back(at + 1);
  const auto line_at = [&](std::size_t n) {
    const std::size_t end = n < starts.size() ? starts[n] : script.size();
    return std::string_view(script).substr(starts[n - 1], end - starts[n - 1]);
  };
  std::string kept;
  std::vector<std::string> pieces(placed.moved.size());
  std::size_t done = 0; // bytes of the script already taken
  for (const ScriptEntry& e : script_entries(script)) {
    std::size_t first = e.line;
    while (first > 1 && (line_at(first - 1).starts_with("#WRITE") ||
                         line_at(first - 1).starts_with("//")))
      --first;
    const std::size_t from = std::max(done, starts[first - 1]);
    std::optional<std::size_t> piece;
    for (const PlanPointer& p : plan.pointers)
      for (std::size_t m = 0; m < placed.moved.size() && p.line >= first && p.line < e.line; ++m)
        if (!placed.moved[m].shared && p.target >= placed.moved[m].to &&
            p.target < placed.moved[m].to + placed.moved[m].bytes)
          piece = m;
    if (!piece) continue;
    kept.append(script, done, from - done);
    pieces[*piece].append(script, from, e.to - from);
    done = e.to;
  }
  kept.append(script, done);
  for (std::size_t m = 0; m < pieces.size(); ++m)
    kept += "#JMP($" + hex_number(placed.moved[m].to) + ", $" +
            hex_number(placed.moved[m].to + placed.moved[m].bytes - 1) + ")\n" + pieces[m];
  return kept;
}

// A generated ROM whose banks end in padding, its script dumped with every
// string made longer, placed into the padding of both fill bytes and inserted.
class LongerStrings : public ::testing::TestWithParam<GeneratedCase> {
protected:
  void SetUp() override {
    const GeneratedCase& c = GetParam();
    gen::RomOptions options = gen::random_options(c.seed, c.map);
    options.pointer_size = c.size;
    options.stride = c.size;
    options.decoys = false;
    options.padded_banks = true;
    options.fixed_bank = false;
    options.strings = gen::StringKind::token;
    const gen::GeneratedRom g = gen::generate_rom(options);
    rom.assign(g.rom.begin(), g.rom.end());
    ASSERT_FALSE(g.tables.empty());
    std::vector<PointerTable> ptables;
    for (const gen::PlantedTable& t : g.tables) ptables.push_back(planted_table(t));
    const CodeTable table = standard_table(g.table_text);
    d = dump(rom, table, ptables);
    const std::optional<std::string> letter = plain_letter(d.table);
    ASSERT_TRUE(letter) << d.table;
    script = lengthened(d, *letter);
    fit = fit_script(script, read);
    // The padding of both fill bytes: 00 in even banks, FF in odd ones.
    free = auto_free_space(fit.plan, view_of(rom), 0x00);
    for (const FreeRange& r : auto_free_space(fit.plan, view_of(rom), 0xFF)) free.push_back(r);
    platform = platform_map(view_of(rom));
    layout = layout_of(view_of(rom));
    placed = place_strings(fit, free, false, [&](std::uint64_t t) -> std::optional<FreeRange> {
      if (platform == nullptr) return std::nullopt;
      const auto bank = platform->bank_span(MapFields{}, layout, 2, t);
      return bank ? std::optional<FreeRange>(FreeRange{bank->from, bank->to}) : std::nullopt;
    });
    ASSERT_TRUE(placed.diagnostics.empty()) << report_text(placed.diagnostics.front());
    ASSERT_TRUE(fit.fits()) << report_text(fit.diagnostics.front());
    ASSERT_FALSE(placed.moved.empty());
    insertion = insert_script(fit.plan, rom);
    ASSERT_TRUE(insertion.ok()) << report_text(insertion.diagnostics.front());
  }

  std::string rom, script;
  Dumped d;
  FitReport fit;
  std::vector<FreeRange> free;
  const MapDescriptor* platform = nullptr;
  RomLayout layout;
  Placement placed;
  Insertion insertion;
  const testing::TableReader read = [this](const std::string&) -> std::optional<std::string> {
    return d.table;
  };
};

TEST_P(LongerStrings, GoIntoTheFreeSpaceTheirPointersReach) {
  for (const MovedString& m : placed.moved) {
    EXPECT_TRUE(
        std::any_of(free.begin(), free.end(),
                    [&](const FreeRange& r) { return m.to >= r.at && m.to + m.bytes <= r.end; }))
        << "line " << m.line << " moved to $" << hex_number(m.to) << " outside the free space";
    if (GetParam().size != 2 || platform == nullptr) continue;
    const std::optional<BankSpan> bank = platform->bank_span(MapFields{}, layout, 2, m.from);
    if (!bank) continue;
    EXPECT_TRUE(m.to >= bank->from && m.to + m.bytes <= bank->to)
        << "line " << m.line << " left its bank for $" << hex_number(m.to);
  }
}

TEST_P(LongerStrings, AsTheTestInserterWritesThemMovedByHand) {
  const std::string by_hand = moved_by_hand(script, fit.plan, placed);
  const testing::InsertResult atlas = testing::atlas_insert(rom, by_hand, read);
  ASSERT_EQ(atlas.status, 0) << atlas.message;
  ASSERT_EQ(atlas.rom.size(), insertion.rom.size());
  // The header's checksums are the core's alone: it recomputes those that were right.
  std::vector<bool> checksum(rom.size());
  for (const ChecksumOutcome& c : insertion.checksums)
    for (unsigned k = 0; k < c.before.size; ++k) checksum[c.before.at + k] = c.changed;
  std::size_t differing = 0;
  for (std::size_t at = 0; at < rom.size(); ++at)
    if (atlas.rom[at] != insertion.rom[at] && !checksum[at] && ++differing <= 8)
      ADD_FAILURE() << "$" << hex_number(at) << ": test inserter "
                    << hex_byte(static_cast<std::uint8_t>(atlas.rom[at])) << ", core "
                    << hex_byte(static_cast<std::uint8_t>(insertion.rom[at]));
  EXPECT_EQ(differing, 0u);
}

INSTANTIATE_TEST_SUITE_P(Maps, LongerStrings,
                         ::testing::Values(GeneratedCase{1, gen::AddressMap::linear, 3},
                                           GeneratedCase{2, gen::AddressMap::lorom, 2},
                                           GeneratedCase{3, gen::AddressMap::hirom, 2},
                                           GeneratedCase{7, gen::AddressMap::gb, 2},
                                           GeneratedCase{5, gen::AddressMap::nes, 2},
                                           GeneratedCase{6, gen::AddressMap::lorom, 3}));

// Two tables' worth of script on a Game Boy ROM without a header: its strings
// in bank 1 at $4100, their pointers at $3000.
const std::string GB_HEAD = "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n#ACTIVETBL(Table)\n"
                            "#VAR(Ptr, CUSTOMPOINTER)\n#CREATEPTR(Ptr, \"GB\", $0, 16)\n";

std::string ascii_table() {
  std::string text = "/00=<END>\n";
  for (int c = 0x20; c < 0x7F; ++c)
    text += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  return text;
}

FitReport fit_of(const std::string& script) {
  const std::string table = ascii_table();
  return fit_script(script,
                    [&](const std::string&) -> std::optional<std::string> { return table; });
}

TEST(Placement, KeepsAStringInTheBankItsPointerReachesAndMovesWholeStrings) {
  // The first string outgrows the block; the second one's pointer points
  // into its middle, so both move as one piece of 30 bytes.
  const std::string script = GB_HEAD + "#JMP($4100, $410F)\n#WRITE(Ptr, $3000)\nWelcome, trav\n"
                                       "#WRITE(Ptr, $3002)\neller, rest here<END>\n"
                                       "#WRITE(Ptr, $3004)\nBye<END>\n";
  {
    // Free space in bank 2 only: a 16-bit Game Boy pointer cannot reach it.
    FitReport fit = fit_of(script);
    const Placement placed = place_strings(fit, {{0x8100, 0x8200}}, false);
    ASSERT_EQ(placed.diagnostics.size(), 1u);
    EXPECT_EQ(placed.diagnostics[0].id, ReportId::insert_no_free_room);
    EXPECT_FALSE(fit.fits());
  }
  {
    // Room in bank 0 first, then across the edge of banks 0 and 1: the
    // piece goes where it stays in bank 1; the short string after it stays.
    FitReport fit = fit_of(script);
    const Placement placed =
        place_strings(fit, {{0x3F00, 0x3F40}, {0x3FF0, 0x4020}, {0x7F40, 0x7F80}}, false);
    ASSERT_TRUE(placed.diagnostics.empty()) << report_text(placed.diagnostics.front());
    ASSERT_TRUE(fit.fits());
    ASSERT_EQ(placed.moved.size(), 1u);
    EXPECT_EQ(placed.moved[0].to, 0x4000u);
    EXPECT_EQ(placed.moved[0].bytes, 30u);
    ASSERT_EQ(fit.plan.pointers.size(), 3u);
    EXPECT_EQ(fit.plan.pointers[0].value, 0x4000u);
    EXPECT_EQ(fit.plan.pointers[1].value, 0x400Du);
    EXPECT_EQ(fit.plan.pointers[2].value, 0x4100u); // the room the piece left
    EXPECT_EQ(placed.left,
              (std::vector<FreeRange>{
                  {0x3F00, 0x3F40}, {0x3FF0, 0x4000}, {0x401E, 0x4020}, {0x7F40, 0x7F80}}));
    const std::string rom(0x10000, '\xFF');
    const Insertion insertion = insert_script(fit.plan, rom);
    ASSERT_TRUE(insertion.ok()) << report_text(insertion.diagnostics.front());
    // The test inserter writes the same for the script a translator would
    // write by hand: the moved piece cut out to a block of its own.
    const std::string by_hand = GB_HEAD + "#JMP($4100, $410F)\n#WRITE(Ptr, $3004)\nBye<END>\n"
                                          "#JMP($4000, $401D)\n#WRITE(Ptr, $3000)\nWelcome, trav\n"
                                          "#WRITE(Ptr, $3002)\neller, rest here<END>\n";
    const std::string table = ascii_table();
    const testing::InsertResult atlas = testing::atlas_insert(
        rom, by_hand, [&](const std::string&) -> std::optional<std::string> { return table; });
    ASSERT_EQ(atlas.status, 0) << atlas.message;
    EXPECT_EQ(atlas.rom, insertion.rom);
  }
}

TEST(Placement, SharedStringsTakeAtMostSeventyPercentOfTheirBlock) {
  // 100 strings, each ten of a length; the last three of each ten a copy of
  // one of its first three, and one string the end of another.
  std::string body, words = "the quick brown fox jumps over a lazy dog while its friends sleep";
  std::vector<std::string> texts;
  for (std::size_t k = 0; k < 100; ++k) {
    if (k % 10 >= 7)
      texts.push_back(texts[k - 7]);
    else
      texts.push_back(words.substr((k * 13) % 40, 8 + (k / 10 * 3) % 15) + std::to_string(k + 10));
  }
  texts[50] = texts[41].substr(4);
  std::size_t bytes = 0;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    body += "#WRITE(Ptr, $" + hex_number(0x3000 + 2 * k) + ")\n" + texts[k] + "<END>\n";
    bytes += texts[k].size() + 1;
  }
  const std::string script =
      GB_HEAD + "#JMP($4000, $" + hex_number(0x4000 + bytes - 1) + ")\n" + body;
  FitReport plain = fit_of(script);
  ASSERT_TRUE(plain.fits());
  FitReport fit = fit_of(script);
  const Placement placed = place_strings(fit, {}, true);
  ASSERT_TRUE(placed.diagnostics.empty()) << report_text(placed.diagnostics.front());
  EXPECT_LE(fit.plan.blocks[0].bytes.size() * 10, bytes * 7);
  EXPECT_EQ(placed.shared_bytes, bytes - fit.plan.blocks[0].bytes.size());
  const std::string rom(0x8000, '\0');
  const Insertion insertion = insert_script(fit.plan, rom);
  EXPECT_TRUE(insertion.ok()) << report_text(insertion.diagnostics.front());
}

TEST(Placement, EqualStringsKeepTheirFirstCopyAndAnEndPointsIntoIt) {
  // Two copies of "Hello" around another string, and "lo", the end of both:
  // the first copy stays where it is, the second and the end point into it.
  const std::string script = GB_HEAD + "#JMP($4000, $4011)\n#WRITE(Ptr, $3000)\nHello<END>\n"
                                       "#WRITE(Ptr, $3002)\nBye<END>\n#WRITE(Ptr, $3004)\nHello<END>\n"
                                       "#WRITE(Ptr, $3006)\nlo<END>\n";
  FitReport fit = fit_of(script);
  const Placement placed = place_strings(fit, {}, true);
  ASSERT_TRUE(placed.diagnostics.empty()) << report_text(placed.diagnostics.front());
  EXPECT_EQ(placed.shared_bytes, 9u);
  ASSERT_EQ(fit.plan.pointers.size(), 4u);
  EXPECT_EQ(fit.plan.pointers[0].value, 0x4000u);
  EXPECT_EQ(fit.plan.pointers[1].value, 0x4006u);
  EXPECT_EQ(fit.plan.pointers[2].value, 0x4000u);
  EXPECT_EQ(fit.plan.pointers[3].value, 0x4003u);
  const Insertion insertion = insert_script(fit.plan, std::string(0x8000, '\0'));
  ASSERT_TRUE(insertion.ok()) << report_text(insertion.diagnostics.front());
  EXPECT_EQ(insertion.rom.substr(0x4000, 10), std::string("Hello\0Bye\0", 10));
}

TEST(Placement, TheNesExamplesFirstStringNinetyBytesLongerMovesPastItsPointerTable) {
  REQUIRE_REALDATA();
  // As examples/make-nes-example.sh plants it: seven pointers at $6D00, in
  // the padding after the strings.
  std::string rom = testing::read_file_bytes((testing::REALDATA / "roms/01-basics.nes").string());
  const std::string pointers("\x00\xEC\x0A\xEC\x2B\xEC\x50\xEC\x7D\xEC\x98\xEC\xBF\xEC", 14);
  rom.replace(0x6D00, pointers.size(), pointers);
  const CodeTable table = standard_table(ascii_table());
  const Dumped d =
      dump(rom, table, {std::get<PointerTable>(parse_pointer_table("at=6D00,count=7,map=nes"))});
  std::string script = d.script;
  const std::size_t first = script.find("\n01-basics<END>");
  ASSERT_NE(first, std::string::npos);
  script.insert(first + 10, std::string(90, '!'));
  const auto read = [&](const std::string&) -> std::optional<std::string> { return d.table; };
  FitReport fit = fit_script(script, read);
  ASSERT_FALSE(fit.fits());
  const std::vector<FreeRange> free = auto_free_space(fit.plan, view_of(rom), std::nullopt);
  const Placement placed = place_strings(fit, free, false);
  ASSERT_TRUE(fit.fits()) << report_text(fit.diagnostics.front());
  // The first string, now 100 bytes, stays first in the block; strings
  // after it that no longer fit move, none onto the table.
  ASSERT_FALSE(placed.moved.empty());
  for (const MovedString& m : placed.moved) EXPECT_TRUE(m.to + m.bytes <= 0x6D00 || m.to >= 0x6D0E);
  const Insertion insertion = insert_script(fit.plan, rom);
  ASSERT_TRUE(insertion.ok()) << report_text(insertion.diagnostics.front());
  EXPECT_EQ(insertion.rom.substr(0x6D00, 2), std::string("\x00\xEC", 2));
}

} // namespace
} // namespace textdump
