// Script dumps inserted back by the test inserter: every address map, texts
// made of the characters of raw forms, and an edited string that moves the
// strings after it. (The string shapes, end rules and texts that clash with
// the script's syntax are the cases of tests/cases/script_shapes.)
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/tables/tables.hpp"
#include "core/script/script.hpp"
#include "support/atlas_inserter.hpp"
#include "support/core_insert.hpp"
#include "support/tables.hpp"

namespace textdump {
namespace {

using testing::standard_table;

using namespace std::string_literals;

// Printable ASCII as itself, 00 the end, 0A a line break.
std::string ascii_table() {
  std::string text = "/00=<END>\n*0A\n";
  for (int c = 0x20; c < 0x7F; ++c)
    text += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  return text;
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

Dump dump(const std::string& rom, const CodeTable& table,
          const std::vector<std::string>& pointers) {
  ScriptRequest request;
  request.rom = {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  request.table = &table;
  for (const std::string& s : pointers) request.ptables.push_back(pointers_of(s));
  request.pointer_arguments = pointers;
  request.end = std::get<EndRule>(parse_end_rule("token"));
  request.end_text = "token";
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
  EXPECT_FALSE(result.overflow_reported);
  EXPECT_EQ(first_difference(result.rom, rom), std::string::npos) << d.script.script.joined();
  // --insert too: into the ROM as it was, it changes no byte, checksums included;
  // into the cleared ROM, it writes what the test inserter wrote.
  const auto read_table = [&](const std::string& name) -> std::optional<std::string> {
    if (name != "script.tbl") return std::nullopt;
    return d.script.insertion_table;
  };
  const std::string script = d.script.script.joined();
  const testing::CoreInsert same = testing::core_insert(rom, script, read_table);
  // --insert refuses text that looks like a raw form the inserter reads otherwise.
  const auto raw_form = [](const Report& r) {
    return r.severity != Severity::error || r.id == ReportId::fit_raw_misread ||
           r.id == ReportId::fit_raw_taken;
  };
  if (std::all_of(same.fit.diagnostics.begin(), same.fit.diagnostics.end(), raw_form) &&
      !same.fit.fits())
    return;
  ASSERT_TRUE(same.fit.fits()) << report_text(same.fit.diagnostics.front());
  ASSERT_TRUE(same.insertion.ok()) << report_text(same.insertion.diagnostics.front());
  EXPECT_EQ(first_difference(same.insertion.rom, rom), std::string::npos);
  const testing::CoreInsert into = testing::core_insert(cleared, script, read_table);
  ASSERT_TRUE(into.insertion.ok()) << report_text(into.insertion.diagnostics.front());
  EXPECT_TRUE(testing::same_but_checksums(into.insertion.rom, result.rom, into.insertion));
}

const std::string STRINGS[] = {"Hello, world!\0"s, "A B C\0"s, "Bye.\0"s};

TEST(ScriptRoundTrip, EveryMap) {
  struct Case {
    const char* pointers;
    std::size_t rom_size;            // headers included
    std::size_t text;                // file offset of the first string
    std::uint32_t value;             // the first pointer's value
    int ines_banks = 0;              // an iNES header with this many 16 KiB PRG banks
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
  const CodeTable table = standard_table(ascii_table());
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

// A LoROM string that runs over its bank's end is held up to there: no block
// crosses the bank its 16-bit pointers reach, so no edit can move a string
// where its pointer cannot lead.
TEST(ScriptRoundTrip, StringOverABankEnd) {
  std::string rom(0x10000, '\xFF');
  rom.replace(0x7FF0, 14, "Hello, world!\0"s);
  rom.replace(0x7FFE, 12, "A B C D E F\0"s);
  rom.replace(0x100, 4, "\xF0\xFF\xFE\xFF"s);
  const Dump d = dump(rom, standard_table(ascii_table()), {"at=100,count=2,map=lorom"});
  ASSERT_EQ(d.script.warnings.size(), 1u);
  EXPECT_EQ(d.script.warnings[0].id, ReportId::script_string_past_bank)
      << report_text(d.script.warnings[0]);
  for (const ScriptBlock& block : d.script.blocks) EXPECT_LE(block.room, 0x8000u);
  expect_round_trip(rom, d);
}

// A longer string (of characters the insertion table has) moves the strings
// after it; their pointers follow, in every byte order (two tables of both
// orders in one script switch the inserter's order and back), and a new dump
// shows the edit and the rest.
TEST(ScriptRoundTrip, EditedStringMovesTheRest) {
  const CodeTable table = standard_table(ascii_table());
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
    expect_round_trip(rom, dump(rom, standard_table(table), {"at=300,count=4"}));
  }
}

// Table texts the Atlas inserter would read otherwise: a raw form in lower
// case is that byte, and a text past 255 characters is never matched; each is
// left out of the insertion table, its bytes written raw, and named.
TEST(ScriptRoundTrip, TextsTheInserterReadsOtherwise) {
  const std::string long_text(300, 'z');
  const CodeTable table =
      standard_table(ascii_table() + "80=<$ab>\n81=" + long_text + "\n82=<$Ab>\n");
  std::string rom(0x200, '\xEE');
  rom.replace(0x100, 7, "A\x80\x81\x82" "B\0\0"s);
  rom.replace(0x1F0, 2, "\x00\x01"s);
  const Dump d = dump(rom, table, {"at=1F0,count=1"});
  const std::string text = d.script.script.joined();
  EXPECT_NE(text.find("A<$80><$81><$Ab>B<END>"), std::string::npos) << text;
  EXPECT_NE(text.find("80=<$ab> (the inserter reads the text as a raw byte)"), std::string::npos);
  EXPECT_NE(text.find("longer than 255 characters"), std::string::npos);
  expect_round_trip(rom, d);
}

// A label that ends in a line break ends the script's line, and the text
// still writes its byte; a "\n" typed in a text line is an error of --fit.
TEST(ScriptLineBreaks, LabelsEndTheLineAndTypedOnesAreErrors) {
  const CodeTable table = standard_table(ascii_table() + "0C=<PAGE>\\n\n5C=\\\n");
  std::string rom(0x200, '\xEE');
  rom.replace(0x100, 6, "Hi\x0CYo\0"s);
  rom.replace(0x1F0, 2, "\x00\x01"s);
  const Dump d = dump(rom, table, {"at=1F0,count=1"});
  const std::string text = d.script.script.joined();
  EXPECT_NE(text.find("\r\nHi<PAGE>\r\nYo<END>\r\n"), std::string::npos) << text;
  EXPECT_NE(d.script.insertion_table.find("0C=<PAGE>\r\n"), std::string::npos);
  expect_round_trip(rom, d);
  std::string edited = text;
  edited.replace(edited.rfind("Hi<PAGE>\r\nYo"), 12, "H\\nYo");
  const FitReport fit = fit_script(edited, [&](const std::string&) {
    return std::optional(d.script.insertion_table);
  });
  ASSERT_EQ(fit.diagnostics.size(), 1u) << report_text(fit.diagnostics.front());
  EXPECT_EQ(fit.diagnostics.front().id, ReportId::fit_typed_line_break);
}

// Strings aligned to 4 bytes with 00: the padding between them is room,
// under //PADDING lines, and not counted as used; unedited it comes back,
// and with its lines deleted a string may grow into it.
TEST(ScriptPadding, BetweenStringsIsRoom) {
  const CodeTable table = standard_table(ascii_table());
  std::string rom(0x200, '\xEE');
  rom.replace(0x100, 16, "Hi\0\0Hello\0\0\0Yo\0\0"s);
  const PointerTable format = pointers_of("at=1F0,count=3");
  for (const std::uint32_t at : {0x100u, 0x104u, 0x10Cu})
    put_value(rom, 0x1F0 + 2 * (at == 0x100 ? 0 : at == 0x104 ? 1 : 2), at, format);
  const Dump d = dump(rom, table, {"at=1F0,count=3"});
  const std::string text = d.script.script.joined();
  EXPECT_NE(text.find("16 bytes of room, 12 used, 3 of padding"), std::string::npos) << text;
  EXPECT_NE(text.find("//PADDING @ $103 - 1 BYTES OF ROOM"), std::string::npos) << text;
  expect_round_trip(rom, d);
  std::string edited;
  for (std::size_t at = 0; at < text.size();) { // without the padding and the line after it
    std::size_t end = text.find("\r\n", at) + 2;
    if (text.compare(at, 9, "//PADDING") == 0) end = text.find("\r\n", end) + 2;
    else edited += text.substr(at, end - at);
    at = end;
  }
  const std::string line = "\r\nHello<END>\r\n";
  edited.replace(edited.rfind(line), line.size(), "\r\nHello you<END>\r\n");
  EXPECT_TRUE(fit_script(edited, [&](const std::string&) {
                return std::optional(d.script.insertion_table);
              }).fits());
  Script changed = d.script;
  changed.script = {};
  changed.script += edited;
  const testing::InsertResult result = insert(rom, changed);
  ASSERT_EQ(result.status, 0) << result.message;
  EXPECT_FALSE(result.overflow_reported);
  EXPECT_EQ(result.rom.substr(0x100, 16), "Hi\0Hello you\0Yo\0"s);
  EXPECT_EQ(result.rom.substr(0x1F0, 6), "\x00\x01\x03\x01\x0D\x01"s);
}

// Text that no pointer reaches, of every kind, with a table that has no end
// entry (set lengths need none): 8-byte names of a fixed:8 range, Pascal
// names with the range's closing 00, and records of a 4-byte name and a
// 2-byte score. Unedited, they come back; a shorter fixed name is padded, a
// longer one is an error of --fit; Pascal names move as one block, the
// closing byte after them; a record's score stays as it is.
TEST(ScriptInPlace, RangesAndRecordsOfEveryKind) {
  std::string table_text;
  for (int c = 0x20; c < 0x7F; ++c)
    table_text += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  const CodeTable table = standard_table(table_text);
  std::string rom(0x200, '\xEE');
  rom.replace(0x100, 32, "Sword\0\0\0Shield\0\0Bow\0\0\0\0\0Lance\0\0\0"s);
  rom.replace(0x140, 16, "\x04Oslo\x05Paris\x03Rio\x00"s);
  rom.replace(0x180, 18, "ANNA\x10\x27" "BOB \x20\x4E" "EVE \x30\x75"s);
  ScriptRequest request;
  request.rom = {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  request.table = &table;
  request.end = std::get<EndRule>(parse_end_rule("token"));
  request.end_text = "token";
  request.ranges = {{0x100, 0x120, std::get<EndRule>(parse_end_rule("fixed:8")), "fixed:8"},
                    {0x140, 0x150, std::get<EndRule>(parse_end_rule("pascal:1")), "pascal:1"}};
  request.records = {{0x180, 3, 6, {{0, 4}}, "at=180,count=3,stride=6,field=0:4"}};
  request.insertion_table_name = "script.tbl";
  request.words = report_text;
  ASSERT_FALSE(needs_end_entry(request));
  const Dump d{{}, build_script(request)};
  const std::string text = d.script.script.joined();
  EXPECT_NE(text.find("#FIXEDLENGTH(8, $00)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("#FIXEDLENGTH(4, $20)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("#STRTYPE(\"PASCAL\")\r\n#PASCALLEN(1)\r\n"), std::string::npos) << text;
  expect_round_trip(rom, d);

  const auto edit = [&](std::string script, const std::vector<std::pair<std::string, std::string>>&
                                                edits) {
    for (const auto& [from, to] : edits) {
      const std::string line = "\r\n" + from + "\r\n";
      const std::size_t at = script.rfind(line); // the editable copy, after its "//" original
      EXPECT_NE(at, std::string::npos) << from;
      if (at != std::string::npos) script.replace(at, line.size(), "\r\n" + to + "\r\n");
    }
    return script;
  };
  const auto read_table = [&](const std::string& name) -> std::optional<std::string> {
    return name == "script.tbl" ? std::optional(d.script.insertion_table) : std::nullopt;
  };
  const std::string edited = edit(
      text, {{"Shield", "Axe"}, {"Oslo", "Rome"}, {"Paris", "Lyon"}, {"Rio", "Metz"}, {"BOB", "BO"}});
  EXPECT_TRUE(fit_script(edited, read_table).fits());
  const testing::InsertResult result = testing::atlas_insert(rom, edited, read_table);
  ASSERT_EQ(result.status, 0) << result.message;
  EXPECT_EQ(result.rom.substr(0x108, 8), "Axe\0\0\0\0\0"s);
  EXPECT_EQ(result.rom.substr(0x140, 16), "\x04Rome\x04Lyon\x04Metz\x00"s);
  EXPECT_EQ(result.rom.substr(0x186, 6), "BO  \x20\x4E"s);
  EXPECT_EQ(result.rom.substr(0x120, 0x20), rom.substr(0x120, 0x20));

  const FitReport longer = fit_script(edit(text, {{"Lance", "Halberd!!"}}), read_table);
  ASSERT_FALSE(longer.fits());
  EXPECT_EQ(longer.diagnostics.front().id, ReportId::fit_fixed_cut);
}

} // namespace
} // namespace textdump
