// Script dumps inserted back by the test inserter: every address map, the
// string shapes and end rules, tables whose texts clash with the script's
// syntax or switch to other tables, and an edited string that moves the
// strings after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/tables/tables.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"
#include "support/atlas_inserter.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;

// Printable ASCII as itself, 00 the end, 0A a line break.
std::string ascii_table() {
  std::string text = "/00=<END>\n*0A\n";
  for (int c = 0x20; c < 0x7F; ++c)
    text += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  return text;
}

CodeTable load(std::string_view text, bool standard) {
  CodeTable table(standard ? TableFormat::standard : TableFormat::own);
  table.lay_over(standard ? parse_standard_table(text).definitions()
                          : parse_font_table(text).definitions);
  return table;
}

// Every table of a standard file, in file order.
std::vector<CodeTable> load_file(std::string_view text) {
  std::vector<CodeTable> tables;
  for (const NamedTable& named : parse_standard_table(text).tables)
    tables.emplace_back(TableFormat::standard).lay_over(named.definitions);
  return tables;
}

// Writes a pointer value at pos, in the table's size and byte order.
void put_value(std::string& rom, std::size_t pos, std::uint32_t value, const PointerTable& table) {
  for (unsigned b = 0; b < table.size; ++b) {
    const unsigned shift = 8 * (table.order == ByteOrder::le ? b : table.size - 1 - b);
    rom[pos + b] = static_cast<char>((value >> shift) & 0xFF);
  }
}

PointerTable pointers_of(const std::string& text) {
  return std::get<PointerTable>(parse_pointer_table(text));
}

struct Dump {
  std::vector<PointerTable> tables;
  Script script;
};

Dump dump(const std::string& rom, const CodeTable& table, const std::vector<std::string>& pointers,
          const std::string& end = "token", const std::vector<CodeTable>* tables = nullptr) {
  ScriptRequest request;
  request.rom = {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  request.table = &table;
  request.tables = tables;
  for (const std::string& s : pointers) request.ptables.push_back(pointers_of(s));
  request.pointer_arguments = pointers;
  request.end = std::get<EndRule>(parse_end_rule(end));
  request.end_text = end;
  request.insertion_table_name = "script.tbl";
  request.words = report_text;
  return {request.ptables, build_script(request)};
}

testing::InsertResult insert(std::string rom, const Script& script) {
  return testing::atlas_insert(std::move(rom), script.script.joined(),
                               [&](const std::string& name) -> std::optional<std::string> {
                                 if (name != "script.tbl") return std::nullopt;
                                 return script.insertion_table;
                               });
}

// The first offset where two ROMs differ (the shorter one's size when one is a
// prefix of the other); npos when they are equal.
std::size_t first_difference(const std::string& a, const std::string& b) {
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) return i;
  return a.size() == b.size() ? std::string::npos : std::min(a.size(), b.size());
}

// Clears every piece the script writes and every pointer slot to 00, inserts
// the unedited script and expects the ROM back byte for byte.
void expect_round_trip(const std::string& rom, const Dump& d) {
  ASSERT_TRUE(d.script.errors.empty()) << report_text(d.script.errors.front());
  ASSERT_FALSE(d.script.strings.empty());
  std::string cleared = rom;
  for (const ScriptString& s : d.script.strings) {
    cleared.replace(s.start, s.end - s.start, s.end - s.start, '\0');
    for (const ScriptPointer& p : d.script.pointers_of(s))
      cleared.replace(p.at, d.tables[p.table].size, d.tables[p.table].size, '\0');
  }
  const testing::InsertResult result = insert(cleared, d.script);
  ASSERT_EQ(result.status, 0) << result.message << "\n" << d.script.script.joined();
  EXPECT_FALSE(result.cut);
  EXPECT_EQ(first_difference(result.rom, rom), std::string::npos) << d.script.script.joined();
}

// @main of ASCII switching to @kana (for two matches, or silently for as many
// as match); 00 ends a string in both tables.
const std::string SWITCHING = "@main\n" + ascii_table() +
                              "!F0=<[k]>,<@kana>:2\n!F1=,<@kana>:0\n@kana\n41=a\n42=b\n*0A\n"
                              "/00=<E>\n";

const std::string STRINGS[] = {"Hello, world!\0"s, "A B C\0"s, "Bye.\0"s};

TEST(ScriptRoundTrip, EveryMap) {
  struct Case {
    const char* pointers;
    std::size_t rom_size;        // headers included
    std::size_t text;            // file offset of the first string
    std::uint32_t value;         // the first pointer's value
    int ines_banks = 0;          // an iNES header with this many 16 KiB PRG banks
    std::optional<ReportId> error{}; // the dump is refused with this error
  };
  const Case cases[] = {
      {"at=$7F00,count=3,base=-7FF0", 0x8000, 0x6C10, 0xEC00},
      {"at=100,count=3,order=be,base=-7FF0", 0x8000, 0x6C10, 0xEC00},
      {"at=100,count=3,size=3,order=be,map=lorom", 0x20000, 0x18010, 0x038010},
      {"at=100,count=3,size=4,stride=6,base=20", 0x8000, 0x6C10, 0x6BF0},
      {"at=0x1F000,count=3,map=lorom", 0x20000, 0x18010, 0x8010},
      {"at=1F200,count=3,map=lorom", 0x20200, 0x18210, 0x8010},
      {"at=100,count=3,size=3,map=lorom", 0x20000, 0x18010, 0x838010},
      {"at=300,count=3,size=3,map=lorom", 0x20200, 0x18210, 0x038010},
      {"at=2F000,count=3,stride=5,map=hirom", 0x30000, 0x21234, 0x1234},
      {"at=100,count=3,map=hirom,bank=2", 0x30000, 0x21234, 0x1234},
      {"at=100,count=3,size=3,map=hirom", 0x30000, 0x21234, 0xC21234},
      {"at=300,count=3,size=3,map=hirom", 0x30200, 0x21434, 0x421234},
      {"at=9000,count=3,map=gb", 0x10000, 0x8123, 0x4123},
      {"at=9000,count=3,map=gb", 0x10000, 0x1234, 0x1234},
      {"at=100,count=3,size=3,map=gb", 0x10000, 0x8123, 0x024123},
      {"at=6D10,count=3,map=nes", 0x8010, 0x6C20, 0xEC10, 2},
      {"at=B010,count=3,map=nes", 0x10010, 0x8133, 0x8123, 4},
      {"at=100,count=3,map=gba", 0x8000, 0x6C10, 0x08006C10},
      {"at=200,count=3,stride=12,map=md", 0x8000, 0x6C10, 0x6C10},
      {"at=200,count=3,size=2,map=md", 0x8000, 0x6C10, 0x6C10},
  };
  const CodeTable table = load(ascii_table(), true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pointers);
    std::string rom(c.rom_size, '\xFF');
    if (c.ines_banks != 0)
      rom.replace(0, 16, ("NES\x1A"s + static_cast<char>(c.ines_banks)).append(11, '\0'));
    const PointerTable format = pointers_of(c.pointers);
    std::size_t at = c.text;
    for (std::size_t i = 0; i < 3; ++i) {
      rom.replace(at, STRINGS[i].size(), STRINGS[i]);
      put_value(rom, format.at + i * format.stride,
                c.value + static_cast<std::uint32_t>(at - c.text), format);
      at += STRINGS[i].size();
    }
    const Dump d = dump(rom, table, {c.pointers});
    if (c.error) {
      ASSERT_FALSE(d.script.errors.empty());
      EXPECT_EQ(d.script.errors.front().id, *c.error) << report_text(d.script.errors.front());
      continue;
    }
    ASSERT_EQ(d.script.strings.size(), 3u);
    EXPECT_EQ(d.script.strings[0].start, c.text);
    EXPECT_EQ(d.script.strings[0].text, "Hello, world!<END>");
    expect_round_trip(rom, d);
  }
}

// Pointers at 0x300 whose values are file offsets, strings from 0x100, 0xEE
// (no entry) everywhere else: each case is dumped, its pieces and some of its
// text checked, and the dump inserted back into the cleared ROM.
struct StringCase {
  const char* test; // the case's name among the tests
  const char* name;
  std::string blob; // at 0x100
  std::vector<std::uint32_t> values;
  std::vector<std::uint64_t> starts; // of the pieces the script writes
  std::vector<std::string> shows;    // in the script or the insertion table
  const char* end = "token";
  std::string table = ascii_table();
  bool standard = true;
  std::size_t warnings = 0;
  const char* fields = ""; // more --pointers fields
};

const std::string ASCII = ascii_table();
const std::string NO_END = ASCII.substr(ASCII.find('\n') + 1);

class ScriptStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(ScriptStrings, DumpShowsThemAndInsertsBack) {
  const StringCase& c = GetParam();
  SCOPED_TRACE(c.name);
  std::string rom(0x400, '\xEE');
  rom.replace(0x100, c.blob.size(), c.blob);
  for (std::size_t i = 0; i < c.values.size(); ++i) {
    rom[0x300 + 2 * i] = static_cast<char>(c.values[i] & 0xFF);
    rom[0x301 + 2 * i] = static_cast<char>(c.values[i] >> 8);
  }
  const std::vector<CodeTable> tables =
      c.standard ? load_file(c.table) : std::vector<CodeTable>{load(c.table, false)};
  const CodeTable& table = tables.front();
  EXPECT_EQ(has_end_entry(table), c.table != NO_END);
  const Dump d = dump(rom, table, {"at=300,count=" + std::to_string(c.values.size()) + c.fields},
                      c.end, &tables);
  std::vector<std::uint64_t> starts;
  for (const ScriptString& s : d.script.strings) starts.push_back(s.start);
  EXPECT_EQ(starts, c.starts);
  for (const std::string& shown : c.shows)
    EXPECT_NE((d.script.script.joined() + d.script.insertion_table).find(shown), std::string::npos)
        << shown << "\n"
        << d.script.script.joined() << d.script.insertion_table;
  EXPECT_EQ(d.script.warnings.size(), c.warnings);
  expect_round_trip(rom, d);
}

std::string case_name(const ::testing::TestParamInfo<StringCase>& info) {
  return info.param.test;
}

const StringCase SHAPES[] = {
    {"SharedStringIsWrittenOnce",
     "a shared string is written once",
     "ONE\0TWO\0"s,
     {0x100, 0x104, 0x100},
     {0x100, 0x104},
     {"//POINTER #0 @ $300 - STRING #0 @ $100\r\n#WRITE(PtrA, $300)\r\n"
      "//POINTER #2 @ $304 - STRING #0 @ $100\r\n#WRITE(PtrA, "
      "$304)\r\n//ONE<END>\r\nONE<END>\r\n"}},
    {"PointerIntoAStringSplitsIt",
     "a pointer into a string splits it",
     "HELLO\0"s,
     {0x100, 0x103},
     {0x100, 0x103},
     {"//HEL\r\nHEL\r\n\r\n//POINTER #1 @ $302 - STRING #1 @ $103\r\n#WRITE(PtrA, $302)\r\n"
      "//LO<END>\r\nLO<END>\r\n"}},
    {"EndNextRunsOverEndEntries",
     "--end next runs over end entries; the last string stops at one",
     "AB\0CD\0EF\0GH\0"s,
     {0x100, 0x106},
     {0x100, 0x106},
     {"AB<END>\r\nCD<END>\r\n", "\r\nEF<END>\r\n"},
     "next"},
    {"EndFixedLeavesTheBytesBetweenOut",
     "--end fixed:4 leaves the bytes between strings out of every block",
     "ABCDEFGHIJKL"s,
     {0x100, 0x108},
     {0x100, 0x108},
     {"#JMP($100, $103)\r\n", "// $104-$107: 4 bytes that no pointer reaches",
      "#JMP($108, $10B)\r\n"},
     "fixed:4"},
    {"OwnTableBreakWaitEndAndFixedByte",
     "own table: line break, wait, end, and a FIXED byte written raw",
     "AB\x0A"
     "A\x0B"
     "B\xF0\x05"
     "A\0"s,
     {0x100},
     {0x100},
     {"AB<LINE>\r\nA[WAIT]\r\nB<$F0><$05>A[END]\r\n", "*0A=<LINE>\r\n", "0B=[WAIT]\r\n",
      "/00=[END]\r\n"},
     "token",
     "41=A\n42=B\n*0A\n\\0B\n/00\n$F0=FIXED,10,2,0\n",
     false},
    {"TableWithoutAnEndEntry",
     "a table without an end entry: the string runs to the end of the ROM",
     "ONE\0"s,
     {0x100},
     {0x100},
     {"ONE<$00>"},
     "token",
     NO_END},
};
INSTANTIATE_TEST_SUITE_P(Shapes, ScriptStrings, ::testing::ValuesIn(SHAPES), case_name);

const StringCase CLASHES[] = {
    {"SecondKeyOfOneTextIsRaw",
     "of two keys with one text the second is raw",
     "A\xE1\0"s,
     {0x100},
     {0x100},
     {"A<$E1><END>"},
     "token",
     ASCII + "E1=A\n"},
    {"ShorterTextWhereALongerOneWouldBeRead",
     "a shorter text where a longer one would be read",
     "AB\0"s,
     {0x100},
     {0x100},
     {},
     "token",
     ASCII + "E0=AB\n"},
    {"LinesThatReadAsCommandsOrComments",
     "lines that would read as a command or a comment",
     "#A\x0A//B\x0A #C\x0A\x0A\0"s,
     {0x100},
     {0x100},
     {"\r\n<$23>A<LINE>\r\n<$2F>/B<LINE>\r\n<$20>#C<LINE>\r\n"}},
    {"TextsThatReadAsRawBytes",
     "texts that would read as raw bytes",
     "($41)<$42>($4f)<$4f>\0"s,
     {0x100},
     {0x100},
     {}},
    {"SwitchedTableBytesAreRaw",
     "bytes read through a switched-to table are raw, decoded in the // line",
     "A\xF0\x41\x42\x41\0\xF0\x43\x41\x42\0"s,
     {0x100, 0x106},
     {0x100, 0x106},
     {"//A[k]abA<END>\r\nA[k]<$41><$42>A<END>\r\n",
      "//[k]<$43>ab<END>\r\n[k]<$43><$41><$42><END>\r\n", "F0=[k]\r\n"},
     "token",
     SWITCHING},
    {"EndInAFrameEndsTheString",
     "an end in a frame ends the string; a silent switch and a frame's line break",
     "\xF1\x41\x0A\x42\0B\0"s,
     {0x100},
     {0x100},
     {"//a<LINE>\r\n//b<E>\r\n<$F1><$41><$0A><$42><$00>\r\n"},
     "token",
     SWITCHING},
};
INSTANTIATE_TEST_SUITE_P(Clashes, ScriptStrings, ::testing::ValuesIn(CLASHES), case_name);

const StringCase WARNINGS[] = {
    {"PointerOutsideTheRom",
     "a pointer outside the ROM is a warning and a comment",
     "ONE\0"s,
     {0x100, 0xFFF0},
     {0x100},
     {"// pointer #1 (table 1, index 1) at $302 holds $FFF0, which points outside the ROM "
      "file\r\n"},
     "token",
     ASCII,
     true,
     1},
    {"NullPointer",
     "a null pointer is a warning and a comment; its slot is left as it is",
     "ONE\0"s,
     {0x100, 0},
     {0x100},
     {"// pointer #1 (table 1, index 1) at $302 is null ($0): its slot is left as it is\r\n"},
     "token",
     ASCII,
     true,
     1},
    {"FiveWarningsOfAKindThenACount",
     "after five warnings of a kind the rest are counted, on a line after the others",
     "ONE\0"s,
     {0x100, 0, 0, 0, 0, 0, 0, 0, 0, 0xFFF0},
     {0x100},
     {"// pointer #5 (table 1, index 5) at $30A is null ($0): its slot is left as it is\r\n"
      "// pointer #9 (table 1, index 9) at $312 holds $FFF0, which points outside the ROM "
      "file\r\n"
      "// ... and 3 more like this, the last: pointer #8 (table 1, index 8) at $310 is null "
      "($0): its slot is left as it is\r\n\r\n#VAR"},
     "token",
     ASCII,
     true,
     9},
    {"NullValueGiven",
     "null=HEX gives the value of null pointers",
     "ONE\0"s,
     {0x100, 0xFFFF},
     {0x100},
     {"at $302 is null ($FFFF)"},
     "token",
     ASCII,
     true,
     1,
     ",null=FFFF"},
    {"NullNone",
     "null=none: no value is null",
     "ONE\0"s,
     {0x100, 0xFFFF},
     {0x100},
     {"which points outside the ROM"},
     "token",
     ASCII,
     true,
     1,
     ",null=none"},
};
INSTANTIATE_TEST_SUITE_P(Warnings, ScriptStrings, ::testing::ValuesIn(WARNINGS), case_name);

// A longer string (of characters the insertion table has) moves the strings
// after it; their pointers follow, in every byte order (two tables of both
// orders in one script switch the inserter's order and back), and a new dump
// shows the edit and the rest.
TEST(ScriptRoundTrip, EditedStringMovesTheRest) {
  const CodeTable table = load(ascii_table(), true);
  const std::vector<std::vector<std::string>> layouts = {
      {"at=300,count=3"},
      {"at=300,count=3,map=gba"},
      {"at=300,count=3,map=md", "at=340,count=3,size=3"},
  };
  for (const std::vector<std::string>& pointers : layouts) {
    SCOPED_TRACE(pointers.back());
    std::string rom(0x400, '\xFF');
    std::size_t at = 0x100;
    for (std::size_t i = 0; i < 3; ++i) {
      rom.replace(at, STRINGS[i].size(), STRINGS[i]);
      for (const std::string& argument : pointers) {
        const PointerTable format = pointers_of(argument);
        const MapDescriptor& map = map_of(format.map);
        put_value(rom, format.at + i * format.stride,
                  *map.to_value(format, layout_of({}), {format.size, 0}, at), format);
      }
      at += STRINGS[i].size();
    }
    const Dump before = dump(rom, table, pointers);
    Script edited = before.script;
    const std::string line = "\r\nA B C<END>\r\n"; // the editable copy, not the "//" original
    std::string text = edited.script.joined();
    ASSERT_EQ(text.find(line), text.rfind(line));
    text.replace(text.find(line), line.size(), "\r\nA B C, Bye!<END>\r\n");
    edited.script = {};
    edited.script += text;
    const testing::InsertResult result = insert(rom, edited);
    ASSERT_EQ(result.status, 0) << result.message;

    const Dump after = dump(result.rom, table, pointers);
    ASSERT_TRUE(after.script.errors.empty()) << report_text(after.script.errors.front());
    ASSERT_EQ(after.script.strings.size(), 3u);
    const std::vector<std::pair<std::uint64_t, std::string>> expected = {
        {0x100, "Hello, world!<END>"}, {0x10E, "A B C, Bye!<END>"}, {0x11A, "Bye.<END>"}};
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(after.script.strings[i].start, expected[i].first);
      EXPECT_EQ(after.script.strings[i].text, expected[i].second);
    }
  }
}

// Tables whose texts are made of the characters of raw forms ("A<", "<$",
// "4>", ...) and strings of their keys: the script reads back as the
// inserter reads it, whatever runs into a raw form.
TEST(ScriptRoundTrip, TextsFullOfRawFormCharacters) {
  static constexpr char CHARS[] = "<>()$4Aa9";
  for (std::uint32_t seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string table = "/00=<END>\n";
    std::vector<std::uint8_t> keys;
    for (std::size_t k = 0; k < 24; ++k) {
      std::string text;
      for (std::size_t n = 1 + pick(k < 9 ? 1 : 4); n > 0; --n) text += CHARS[pick(9)];
      if (k < 9) text = CHARS[k];
      const auto key = static_cast<std::uint8_t>(0x20 + k);
      table += hex_byte(key) + "=" + text + "\n";
      keys.push_back(key);
    }
    std::string rom(0x400, '\xEE');
    std::size_t at = 0x100;
    for (std::size_t i = 0; i < 4; ++i) {
      rom[0x300 + 2 * i] = static_cast<char>(at & 0xFF);
      rom[0x301 + 2 * i] = static_cast<char>(at >> 8);
      for (std::size_t n = 2 + pick(20); n > 0; --n)
        rom[at++] = static_cast<char>(pick(5) == 0 ? 0x99 : keys[pick(keys.size())]);
      rom[at++] = '\0';
    }
    expect_round_trip(rom, dump(rom, load(table, true), {"at=300,count=4"}));
  }
}

} // namespace
} // namespace textdump
