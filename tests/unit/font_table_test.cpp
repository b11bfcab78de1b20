// The table parser: line kinds, keywords, directive fields, line ends, what
// each line records and the characters it reports; definitions laid over a
// code table; and loading a table file as a run does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "app/common/table_load.hpp"
#include "core/tables/tables.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using namespace std::literals;
using Reports = std::vector<std::pair<std::size_t, char>>; // column, character

// A parse that keeps the bytes its lines point into.
struct Parsed {
  const std::string bytes;
  const FontTable table;
  explicit Parsed(std::string b) : bytes(std::move(b)), table(parse_font_table(bytes)) {}
  Parsed(const Parsed&) = delete;

  const TableLine& line(std::size_t number) const {
    for (const TableLine& l : table.lines)
      if (l.number == number) return l;
    throw std::out_of_range("no line " + std::to_string(number));
  }
};

// An entry as the table line that defines it under key; "" for no entry.
std::string as_line(int key, const Entry& e) {
  char buf[80] = {};
  const auto k = static_cast<unsigned>(key);
  switch (e.kind) {
  case EntryKind::undefined: break;
  case EntryKind::text: std::snprintf(buf, sizeof buf, "%02X=", k); return buf + e.rendering;
  case EntryKind::line_break: std::snprintf(buf, sizeof buf, "*%02X", k); break;
  case EntryKind::wait: std::snprintf(buf, sizeof buf, "\\%02X", k); break;
  case EntryKind::end: std::snprintf(buf, sizeof buf, "/%02X", k); break;
  case EntryKind::fixed:
    std::snprintf(buf, sizeof buf, "$%02X=FIXED,%X,%X,%X", k, e.base, unsigned{e.length},
                  unsigned{e.arguments});
    break;
  case EntryKind::snes:
    std::snprintf(buf, sizeof buf, "$%02X=SNES,%c,%X,%X,%X", k, e.map == SnesMap::lorom ? 'L' : 'H',
                  e.base, unsigned{e.pointer_size}, unsigned{e.arguments});
    break;
  case EntryKind::table_switch:
    std::snprintf(buf, sizeof buf, "$%02X=TABLE,%X", k, unsigned{e.table});
    break;
  case EntryKind::control:
  case EntryKind::frames: break; // standard tables only
  }
  return buf;
}

// The table that the code table amounts to: a line for every defined key, in
// key order, each ended by "\n".
std::string table_text(const CodeTable& t) {
  std::string text;
  for (int key = 0; key < 256; ++key) {
    const std::string line = as_line(key, t.at(static_cast<std::uint8_t>(key)));
    if (!line.empty()) text += line + "\n";
  }
  return text;
}

// What the parsed definitions leave in a fresh code table.
CodeTable laid(const Parsed& p) {
  CodeTable t;
  t.lay_over(p.table.definitions);
  return t;
}

Reports reports(const TableLine& l) {
  Reports r;
  for (const HexReport& h : l.hex_reports) r.emplace_back(h.column, h.character);
  return r;
}

// Every reported character, in file order.
std::string reported(const Parsed& p) {
  std::string all;
  for (const TableLine& l : p.table.lines)
    for (const HexReport& h : l.hex_reports) all.push_back(h.character);
  return all;
}

TEST(FontTable, DefinitionsAndReportedCharacters) {
  const struct {
    const char* what;
    std::string bytes;
    std::string table; // table_text() of the definitions
    std::string reported;
  } cases[] = {
      {"line kinds and text layouts",
       "41=A\r\n"
       "42=BC\r\n"
       "4aABC\r\n"   // no "=", lower-case digit
       "123=abc\r\n" // code 0x12, text 3=abc
       "3D==\r\n"    // only one "=" is the separator
       "; note\r\n"  // any other first character: a text entry line
       "4A=x,y=z\r\n"
       "*FE=anything\r\n"
       "*=FD\r\n"
       "/FF\r\n"
       "\\FC\r\n"
       "\\=FB\r\n"
       "/=FA\r\n"
       "\xE9"
       "1=\xE9\xFF\r\n" // bad digit reported; high bytes of a text are not
       "50=A\0B\r\n"s,  // a NUL inside a text is a text byte
       "00=note\n01=\xE9\xFF\n12=3=abc\n3D==\n41=A\n42=BC\n4A=x,y=z\n50=A\0B\n"
       "/FA\n\\FB\n\\FC\n*FD\n*FE\n/FF\n"s,
       "; \xE9"},
      {"the later of two lines for one key wins", "41=A\r\n41=B\r\n", "41=B\n", ""},
      {"Japanese UTF-8 texts keep their bytes",
       "82=あいう\r\n83=「テスト」\n*84\r85=漢字かな交じり文、句読点。\r\n86ー",
       "82=あいう\n83=「テスト」\n*84\n85=漢字かな交じり文、句読点。\n86=ー\n", ""},
      {"an empty file", "", "", ""},
      {"only line ends", "\r\n\r\n\n\r", "", ""},
      {"a last line without a line end", "41=A\r\n42=BC", "41=A\n42=BC\n", ""},
      // The missing digit is the end of the file, 0xFF.
      {"a marker cut short by the end of the file", "*F", "*F0\n", "\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Parsed p(c.bytes);
    EXPECT_EQ(table_text(laid(p)), c.table);
    EXPECT_EQ(reported(p), c.reported);
  }
}

TEST(FontTable, KeywordMatching) {
  const struct {
    std::string line;
    Directive selects;
    std::string keyword;
    bool ended;
  } cases[] = {
      {"$80=F,1,2,3", Directive::fixed, "F", true},
      {"$80=FIX,1,2,3", Directive::fixed, "FIX", true},
      {"$80=FIXED,1,2,3", Directive::fixed, "FIXED", true},
      {"$80=,1,2,3", Directive::fixed, "", true},
      {"$80=T,1", Directive::table, "T", true},
      {"$80=TAB,1", Directive::table, "TAB", true},
      {"$80=TABLE,1", Directive::table, "TABLE", true},
      {"$80=S,L,1,2,3", Directive::snes, "S", true},
      {"$80=SN,L,1,2,3", Directive::snes, "SN", true},
      {"$80=SNES,L,1,2,3", Directive::snes, "SNES", true},
      {"$80=fixed,1,2,3", Directive::none, "fixed", true},
      {"$80=Table,1", Directive::none, "Table", true},
      {"$80=FIXEDS,1,2,3", Directive::none, "FIXEDS", true},
      {"$80=TABLES,1", Directive::none, "TABLES", true},
      {"$80=SNESX,L,1,2,3", Directive::none, "SNESX", true},
      {"$80=FIXED ,1,2,3", Directive::none, "FIXED ", true},
      {"$80=XYZ,1", Directive::none, "XYZ", true},
      {"$80=A-VERY-LONG-KEYWORD-INDEED,1", Directive::none, "A-VERY-LONG-KEYWORD-INDEED", true},
      // Without a comma on its line a keyword selects nothing, the empty one included.
      {"$80=FIXED", Directive::none, "FIXED", false},
      {"$80=TABLE", Directive::none, "TABLE", false},
      {"$80=", Directive::none, "", false},
      {"$80", Directive::none, "", false},
  };
  const std::map<Directive, std::string> line_of_80 = {{Directive::none, "80=old"},
                                                       {Directive::fixed, "$80=FIXED"},
                                                       {Directive::table, "$80=TABLE"},
                                                       {Directive::snes, "$80=SNES"}};
  for (const auto& k : cases) {
    for (std::string_view after : {"", "\r\n", "\n41=A,B\r\n", "\r41=A,B"}) {
      SCOPED_TRACE(k.line + std::string(after));
      // 0x80 starts as a text: a keyword that selects nothing must leave it so.
      const Parsed p("80=old\r\n" + k.line + std::string(after));
      ASSERT_GE(p.table.lines.size(), 2u);
      const TableLine& l = p.table.lines[1];
      EXPECT_EQ(l.kind, LineKind::directive);
      EXPECT_EQ(l.code, 0x80);
      EXPECT_EQ(l.directive, k.selects);
      EXPECT_EQ(l.keyword, k.keyword);
      EXPECT_EQ(l.keyword_ended, k.ended);
      EXPECT_EQ(l.defines, k.selects != Directive::none);
      const CodeTable t = laid(p);
      EXPECT_EQ(as_line(0x80, t.at(0x80)).rfind(line_of_80.at(k.selects), 0), 0u);
      EXPECT_EQ(as_line(0x41, t.at(0x41)), after.size() > 2 ? "41=A,B" : "");
    }
  }
}

TEST(FontTable, DirectiveFields) {
  const struct {
    std::string line;
    std::string entry; // as_line() of key 0x80
    int empty_fields;
    std::string reported;
  } cases[] = {
      {"$80=FIXED,18000,10,1", "$80=FIXED,18000,10,1", 0, ""},
      {"$=80=FIXED,18000,10,1", "$80=FIXED,18000,10,1", 0, ""}, // optional "="
      {"$80XFIXED,18000,10,1", "$80=FIXED,18000,10,1", 0, ""},  // separator not examined
      {"$80=FIXED,123456789,1FF,102", "$80=FIXED,23456789,FF,2", 0, ""},
      {"$80=FIXED,abcdef,a,b", "$80=FIXED,ABCDEF,A,B", 0, ""},
      {"$80=FIXED,1 0,10,1", "$80=FIXED,100,10,1", 0, " "}, // a space still shifts
      {"$80=FIXED,1,2,3,4", "$80=FIXED,1,2,4", 0, ","},     // last field 3,4 = 0x304
      {"$80=FIXED,18000,10", "$80=FIXED,18000,10,0", 1, ""},
      {"$80=FIXED,18000", "$80=FIXED,18000,0,0", 2, ""},
      {"$80=FIXED,", "$80=FIXED,0,0,0", 3, ""},
      {"$80=FIXED,,10,1", "$80=FIXED,0,10,1", 1, ""},
      {"$80=FIXED,1,,", "$80=FIXED,1,0,0", 2, ""},
      {"$80=TABLE,1", "$80=TABLE,1", 0, ""},
      {"$80=TABLE,1FF", "$80=TABLE,FF", 0, ""},
      {"$80=TABLE,", "$80=TABLE,0", 1, ""},
      {"$80=TABLE,1,2", "$80=TABLE,2", 0, ","},
      {"$80=SNES,L,8000,2,1", "$80=SNES,L,8000,2,1", 0, ""},
      {"$80=SNES,l,8000,2,1", "$80=SNES,H,8000,2,1", 0, ""},
      {"$80=SNES,H,C00000,3,2", "$80=SNES,H,C00000,3,2", 0, ""},
      {"$80=SNES,LX8000,2,1", "$80=SNES,L,8000,2,1", 0, ""}, // after the letter: not examined
      {"$80=SNES,L,8000", "$80=SNES,L,8000,0,0", 2, ""},
      {"$80=SNES,L", "$80=SNES,L,0,0,0", 3, ""},
      {"$80=SNES,", "$80=SNES,H,0,0,0", 4, ""},
  };
  for (const auto& k : cases) {
    // The fields end at the line's end whatever follows, and the next line is read.
    for (std::string_view after : {"", "\r\n", "\r\n41=A", "\n41=A", "\r41=A"}) {
      SCOPED_TRACE(k.line + std::string(after));
      const Parsed p(k.line + std::string(after));
      EXPECT_EQ(table_text(laid(p)), (after.size() > 2 ? "41=A\n" : "") + k.entry + "\n");
      ASSERT_FALSE(p.table.lines.empty());
      EXPECT_EQ(p.table.lines[0].empty_fields, k.empty_fields);
      EXPECT_EQ(reported(p), k.reported);
    }
  }
}

// What each non-empty line holds, which the table checker reports from.
TEST(FontTable, LinesRecordWhatEachNonEmptyLineHolds) {
  const Parsed p("\r\n"               // 1 (empty)
                 "41=A\r\n"           // 2
                 "\n"                 // 3 (empty: a lone LF)
                 "*F\r\n"             // 4
                 "$80=FIXED,1X,,\r\n" // 5
                 "$81=NOPE,1\r"       // 6
                 "\r"                 // 7 (empty: a lone CR)
                 "$82=SNES\n"         // 8
                 "83  text \r\n"      // 9
                 "/");                // 10, cut short by the end of the file
  std::vector<std::size_t> numbers;
  for (const TableLine& l : p.table.lines) numbers.push_back(l.number);
  EXPECT_EQ(numbers, (std::vector<std::size_t>{2, 4, 5, 6, 8, 9, 10}));

  const auto& l2 = p.line(2);
  EXPECT_EQ(std::tie(l2.content, l2.kind, l2.code, l2.text),
            std::tuple("41=A"sv, LineKind::text, 0x41, "A"sv));
  EXPECT_EQ(std::tie(p.line(4).kind, p.line(4).code), std::tuple(LineKind::line_break, 0xF0));
  EXPECT_EQ(reports(p.line(4)), (Reports{{2, '\r'}}));

  const auto& l5 = p.line(5);
  EXPECT_EQ(std::tie(l5.directive, l5.keyword, l5.keyword_ended, l5.empty_fields),
            std::tuple(Directive::fixed, "FIXED"sv, true, 2));
  EXPECT_EQ(reports(l5), (Reports{{11, 'X'}}));

  const auto& l6 = p.line(6);
  EXPECT_EQ(std::tie(l6.directive, l6.keyword, l6.keyword_ended),
            std::tuple(Directive::none, "NOPE"sv, true));
  const auto& l8 = p.line(8);
  EXPECT_EQ(std::tie(l8.directive, l8.keyword, l8.keyword_ended, l8.code),
            std::tuple(Directive::none, "SNES"sv, false, 0x82));
  EXPECT_EQ(p.line(9).text, "  text "); // spaces are text bytes

  // Both digit positions lie past the end of the file: 0xFF each, at the line's end.
  EXPECT_EQ(std::tie(p.line(10).kind, p.line(10).code), std::tuple(LineKind::end, 0x00));
  EXPECT_EQ(reports(p.line(10)), (Reports{{1, '\xFF'}, {1, '\xFF'}}));

  EXPECT_EQ(table_text(laid(p)), "/00\n41=A\n$80=FIXED,10,0,0\n83=  text \n*F0\n");
}

// One table with CR LF, LF and CR line ends must give the same entries and
// reports; "\n" below stands for the line end.
constexpr std::string_view LINE_END_TABLE = "\n"                     // 1 empty first line
                                            "41=A\n"                 // 2
                                            "\n"                     // 3
                                            "\n"                     // 4 two empty lines
                                            "$80=FIXED,18000,10,1\n" // 5
                                            "42=B\n"                 // 6 after FIXED
                                            "$82=SNES,L,8000,2,1\n"  // 7
                                            "43=C\n"                 // 8 after SNES
                                            "44=\n"                  // 9 empty text
                                            "45=E\n"                 // 10
                                            "*\n"                    // 11 no digits: 0x00
                                            "46=F\n"                 // 12
                                            "G1=x\n"                 // 13
                                            "*5\n"                   // 14 one digit: 0x50
                                            "4\n"                    // 15 one digit: 0x40
                                            "49\n"                   // 16 digits only
                                            "$83=FIXED\n"            // 17 no comma
                                            "47=G,H\n"               // 18
                                            "$84=FIXED,1234,10\n"    // 19 count missing
                                            "48=H\n"                 // 20
                                            "$85=TABLE\n"            // 21 no comma
                                            "$86=TABLE,2\n"          // 22
                                            "123=abc\n"              // 23
                                            "3D==\n"                 // 24
                                            "*F\n"                   // 25 one digit: 0xF0
                                            "/FF\n"                  // 26
                                            "\\FE\n"                 // 27
                                            "4A=last";               // 28

TEST(FontTable, EveryLineEndStyleLoadsTheSameEntries) {
  const std::string expected = "*00\n01=x\n12=3=abc\n3D==\n40=\n41=A\n42=B\n43=C\n44=\n45=E\n"
                               "46=F\n47=G,H\n48=H\n49=\n4A=last\n*50\n$80=FIXED,18000,10,1\n"
                               "$82=SNES,L,8000,2,1\n$84=FIXED,1234,10,0\n$86=TABLE,2\n*F0\n"
                               "\\FE\n/FF\n";
  std::vector<std::size_t> expected_numbers;
  for (std::size_t n = 2; n <= 28; ++n)
    if (n != 3 && n != 4) expected_numbers.push_back(n);
  using LineReports = std::vector<std::tuple<std::size_t, std::size_t, char>>; // line, column, char

  for (const auto& [eol, c] : {std::pair{"\r\n"sv, '\r'}, {"\n"sv, '\n'}, {"\r"sv, '\r'}}) {
    // The last line with no line end, one, or one followed by an empty line.
    for (int ends = 0; ends < 3; ++ends) {
      SCOPED_TRACE(::testing::PrintToString(std::string(eol)) + " " + std::to_string(ends));
      std::string bytes;
      for (char ch : LINE_END_TABLE) ch == '\n' ? bytes.append(eol) : bytes.append(1, ch);
      for (int i = 0; i < ends; ++i) bytes.append(eol);
      const Parsed p(bytes);

      EXPECT_EQ(table_text(laid(p)), expected);
      LineReports seen;
      std::vector<std::size_t> numbers;
      for (const TableLine& l : p.table.lines) {
        numbers.push_back(l.number);
        for (const auto& [column, ch] : reports(l)) seen.emplace_back(l.number, column, ch);
      }
      EXPECT_EQ(numbers, expected_numbers);
      EXPECT_EQ(
          seen,
          (LineReports{{11, 1, c}, {11, 1, c}, {13, 0, 'G'}, {14, 2, c}, {15, 1, c}, {25, 2, c}}));
      EXPECT_EQ(p.line(19).empty_fields, 1);
      EXPECT_FALSE(p.line(17).keyword_ended);
      EXPECT_FALSE(p.line(21).keyword_ended);
    }
  }
}

TEST(CodeTable, ALoadReplacesTheKeysItDefinesAndKeepsTheRest) {
  const Parsed first("41=A\r\n42=BC\r\n$80=FIXED,18000,10,1\r\n*FF\r\n");
  const Parsed second("41=Zed\r\n$80=TABLE,3\r\n$FF=XYZ,1\r\n");
  CodeTable table;
  table.lay_over(first.table.definitions);
  table.lay_over(second.table.definitions);
  EXPECT_EQ(table_text(table), "41=Zed\n42=BC\n$80=TABLE,3\n*FF\n");
  // Laying the first again restores its entries and keeps the rest.
  table.lay_over(first.table.definitions);
  EXPECT_EQ(table_text(table), "41=A\n42=BC\n$80=FIXED,18000,10,1\n*FF\n");
}

TEST(LoadFontTable, UnreadableFileIsReportedWithOnePause) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.path() / "folder.tbl");
  for (const std::string& name : {dir.file("missing.tbl"), dir.file("folder.tbl"), ""s}) {
    SCOPED_TRACE(name);
    testing::CapturedConsole c;
    LoadedTable loaded;
    EXPECT_FALSE(load_font_table(name, c.console, loaded));
    EXPECT_EQ(*c.messages, "Couldn't read table file.\n");
    EXPECT_EQ(*c.pauses, 1);
  }
}

} // namespace
} // namespace textdump
