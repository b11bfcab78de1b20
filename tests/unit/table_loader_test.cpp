#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_files.hpp"
#include "table/code_table.hpp"
#include "table/table_loader.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;
using Entries = std::map<int, std::string>;                // code -> describe()
using Reports = std::vector<std::pair<std::size_t, char>>; // column, character

// A parse of bytes held on the heap, so that the observed lines' views stay valid.
struct Parsed {
  std::unique_ptr<std::string> bytes;
  CodeTable table;
  std::string messages;
  std::vector<TableLine> lines;

  const TableLine* line(std::size_t number) const {
    for (const TableLine& l : lines)
      if (l.number == number) return &l;
    return nullptr;
  }
};

Parsed parse(std::string bytes) {
  Parsed p{std::make_unique<std::string>(std::move(bytes)), {}, {}, {}};
  init_code_table(p.table);
  testing::CapturedConsole c;
  parse_font_table(*p.bytes, p.table, c.console, [&](const TableLine& l) { p.lines.push_back(l); });
  p.messages = *c.messages;
  EXPECT_EQ(*c.pauses, 0);
  return p;
}

Reports reports(const TableLine& l) {
  Reports r;
  for (const HexReport& h : l.hex_reports) r.emplace_back(h.column, h.character);
  return r;
}

// One entry in words, without a text's offset (which depends on the line ends).
std::string describe(const CodeTable& t, std::size_t code) {
  const std::uint32_t v = t.code_value[code];
  const CodeParams& p = t.code_params[code];
  char buf[80] = {};
  if (is_text_value(v)) return "text " + t.code_text[code];
  switch (v) {
  case CODE_LINE_BREAK: return "break";
  case CODE_WAIT: return "wait";
  case CODE_END: return "end";
  case CODE_TABLE_SWITCH:
    std::snprintf(buf, sizeof buf, "TABLE f%u %02X", unsigned{p.format}, unsigned{p.p1});
    break;
  case CODE_POINTER:
    if (p.format == FORMAT_FIXED)
      std::snprintf(buf, sizeof buf, "FIXED %X,%02X,%02X", t.code_base[code], unsigned{p.p1},
                    unsigned{p.p2});
    else
      std::snprintf(buf, sizeof buf, "SNES f%u map%u %X,%02X,%02X", unsigned{p.format},
                    unsigned{p.p1}, t.code_base[code], unsigned{p.p2}, unsigned{p.p3});
    break;
  default: std::snprintf(buf, sizeof buf, "value %X", v);
  }
  return buf;
}

// Every defined code of 0x00 to 0xFF, described.
Entries entries(const CodeTable& t) {
  Entries e;
  for (std::size_t code = 0; code < TABLE_CODES; ++code)
    if (t.code_value[code] != CODE_UNDEFINED) e[static_cast<int>(code)] = describe(t, code);
  return e;
}

// Codes above 0xFF are never written by a table file.
bool codes_above_ff_untouched(const CodeTable& t) {
  for (std::size_t code = TABLE_CODES; code < CODE_COUNT; ++code) {
    const CodeParams& p = t.code_params[code];
    if (t.code_value[code] != CODE_UNDEFINED || t.code_base[code] != CODE_BASE_INITIAL ||
        p.format != 0 || p.p1 != 0 || p.p2 != 0 || p.p3 != 0)
      return false;
  }
  return true;
}

bool same_table(const CodeTable& a, const CodeTable& b) {
  auto params = [](const CodeParams& p) { return std::tie(p.format, p.p1, p.p2, p.p3); };
  if (a.code_value != b.code_value || a.code_base != b.code_base || a.code_text != b.code_text)
    return false;
  for (std::size_t i = 0; i < CODE_COUNT; ++i)
    if (params(a.code_params[i]) != params(b.code_params[i])) return false;
  return true;
}

std::string with_line_ends(std::string_view lines, std::string_view eol) {
  std::string out;
  for (char c : lines) {
    if (c == '\n')
      out.append(eol);
    else
      out.push_back(c);
  }
  return out;
}

std::string report(std::string_view shown) {
  return "HEX VALUE ERROR:"s + std::string(shown) + "\n";
}

TEST(TableLoader, LineKindsAndTextLayouts) {
  const Parsed p = parse("41=A\r\n"
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
                         "50=A\0B\r\n"s   // a NUL inside a text is a text byte
  );
  EXPECT_EQ(entries(p.table), (Entries{{0x41, "text A"},
                                       {0x42, "text BC"},
                                       {0x4A, "text x,y=z"},
                                       {0x12, "text 3=abc"},
                                       {0x3D, "text ="},
                                       {0x00, "text note"},
                                       {0xFE, "break"},
                                       {0xFD, "break"},
                                       {0xFF, "end"},
                                       {0xFC, "wait"},
                                       {0xFB, "wait"},
                                       {0xFA, "end"},
                                       {0x01, "text \xE9\xFF"},
                                       {0x50, "text A\0B"s}}));
  // A text's value is the file offset of its first byte, line ends included.
  EXPECT_EQ(p.table.code_value[0x41], 3u);
  EXPECT_EQ(p.table.code_value[0x42], 9u);
  EXPECT_EQ(p.table.code_value[0x12], 22u); // 123=abc begins at 20; no "=" in third place
  EXPECT_EQ(p.table.code_value[0x3D], 32u);
  EXPECT_EQ(p.messages, report("3b") + report("20") + report("ffffffe9"));
  EXPECT_TRUE(codes_above_ff_untouched(p.table));
}

TEST(TableLoader, KeywordMatching) {
  struct Case {
    std::string line;
    Directive selects;
    std::string keyword;
    bool ended;
  };
  const Case cases[] = {
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
  for (const Case& k : cases) {
    for (std::string_view after : {"", "\r\n", "\n41=A,B\r\n", "\r41=A,B"}) {
      SCOPED_TRACE(k.line + std::string(after));
      // 0x80 starts as a text: a keyword that selects nothing must leave it so.
      const Parsed p = parse("80=old\r\n" + k.line + std::string(after));
      ASSERT_GE(p.lines.size(), 2u);
      const TableLine& l = p.lines[1];
      EXPECT_EQ(l.kind, LineKind::directive);
      EXPECT_EQ(l.code, 0x80);
      EXPECT_EQ(l.directive, k.selects);
      EXPECT_EQ(l.keyword, k.keyword);
      EXPECT_EQ(l.keyword_ended, k.ended);
      const std::uint32_t value = p.table.code_value[0x80];
      switch (k.selects) {
      case Directive::none: EXPECT_EQ(describe(p.table, 0x80), "text old"); break;
      case Directive::table: EXPECT_EQ(value, CODE_TABLE_SWITCH); break;
      default: EXPECT_EQ(value, CODE_POINTER);
      }
      if (after.size() > 2) {
        EXPECT_EQ(describe(p.table, 0x41), "text A,B");
      }
    }
  }
}

TEST(TableLoader, DirectiveFields) {
  struct Case {
    std::string line;
    std::string entry; // describe() of code 0x80
    int empty_fields;
    std::string messages;
  };
  const Case cases[] = {
      {"$80=FIXED,18000,10,1", "FIXED 18000,10,01", 0, ""},
      {"$=80=FIXED,18000,10,1", "FIXED 18000,10,01", 0, ""}, // optional "="
      {"$80XFIXED,18000,10,1", "FIXED 18000,10,01", 0, ""},  // separator not examined
      {"$80=FIXED,123456789,1FF,102", "FIXED 23456789,FF,02", 0, ""},
      {"$80=FIXED,abcdef,a,b", "FIXED ABCDEF,0A,0B", 0, ""},
      {"$80=FIXED,1 0,10,1", "FIXED 100,10,01", 0, report("20")}, // a space still shifts
      {"$80=FIXED,1,2,3,4", "FIXED 1,02,04", 0, report("2c")},    // last field 3,4 = 0x304
      {"$80=FIXED,18000,10", "FIXED 18000,10,00", 1, ""},
      {"$80=FIXED,18000", "FIXED 18000,00,00", 2, ""},
      {"$80=FIXED,", "FIXED 0,00,00", 3, ""},
      {"$80=FIXED,,10,1", "FIXED 0,10,01", 1, ""},
      {"$80=FIXED,1,,", "FIXED 1,00,00", 2, ""},
      {"$80=TABLE,1", "TABLE f1 01", 0, ""},
      {"$80=TABLE,1FF", "TABLE f1 FF", 0, ""},
      {"$80=TABLE,", "TABLE f1 00", 1, ""},
      {"$80=TABLE,1,2", "TABLE f1 02", 0, report("2c")},
      {"$80=SNES,L,8000,2,1", "SNES f2 map0 8000,02,01", 0, ""},
      {"$80=SNES,l,8000,2,1", "SNES f2 map1 8000,02,01", 0, ""},
      {"$80=SNES,H,C00000,3,2", "SNES f2 map1 C00000,03,02", 0, ""},
      {"$80=SNES,LX8000,2,1", "SNES f2 map0 8000,02,01", 0, ""}, // after the letter: not examined
      {"$80=SNES,L,8000", "SNES f2 map0 8000,00,00", 2, ""},
      {"$80=SNES,L", "SNES f2 map0 0,00,00", 3, ""},
      {"$80=SNES,", "SNES f2 map1 0,00,00", 4, ""},
  };
  for (const Case& k : cases) {
    // The fields end at the line's end whatever follows, and the next line is read.
    for (std::string_view after : {"", "\r\n", "\r\n41=A", "\n41=A", "\r41=A"}) {
      SCOPED_TRACE(k.line + std::string(after));
      const Parsed p = parse(k.line + std::string(after));
      EXPECT_EQ(describe(p.table, 0x80), k.entry);
      ASSERT_FALSE(p.lines.empty());
      EXPECT_EQ(p.lines[0].empty_fields, k.empty_fields);
      EXPECT_EQ(p.messages, k.messages);
      EXPECT_EQ(entries(p.table).size(), after.size() > 2 ? 2u : 1u);
      if (after.size() > 2) {
        EXPECT_EQ(describe(p.table, 0x41), "text A");
      }
    }
  }
}

TEST(TableLoader, LaterLinesOverwriteOnlyWhatTheyWrite) {
  // The same code twice: the later line wins.
  Parsed p = parse("41=A\r\n41=B\r\n");
  EXPECT_EQ(describe(p.table, 0x41), "text B");
  EXPECT_EQ(p.table.code_value[0x41], 9u);

  // A text after a FIXED line for the same code changes code_value only.
  p = parse("$80=FIXED,18000,10,1\r\n80=T\r\n");
  EXPECT_EQ(describe(p.table, 0x80), "text T");
  EXPECT_EQ(p.table.code_base[0x80], 0x18000u);
  EXPECT_EQ(p.table.code_params[0x80].format, FORMAT_FIXED);
  EXPECT_EQ(p.table.code_params[0x80].p1, 0x10);
  EXPECT_EQ(p.table.code_params[0x80].p2, 1);
}

// The observer's record of each line, which the table checker reports from.
TEST(TableLoader, ObserverSeesEveryNonEmptyLine) {
  const std::string bytes = "\r\n"               // 1 (empty)
                            "41=A\r\n"           // 2
                            "\n"                 // 3 (empty: a lone LF)
                            "*F\r\n"             // 4
                            "$80=FIXED,1X,,\r\n" // 5
                            "$81=NOPE,1\r"       // 6
                            "\r"                 // 7 (empty: a lone CR)
                            "$82=SNES\n"         // 8
                            "83  text \r\n"      // 9
                            "/";                 // 10, cut short by the end of the file
  const Parsed p = parse(bytes);
  ASSERT_EQ(p.lines.size(), 7u);
  std::vector<std::size_t> numbers;
  for (const TableLine& l : p.lines) {
    numbers.push_back(l.number);
    EXPECT_EQ(l.offset, bytes.find(l.content)) << l.content;
  }
  EXPECT_EQ(numbers, (std::vector<std::size_t>{2, 4, 5, 6, 8, 9, 10}));

  const TableLine* l = p.line(2);
  EXPECT_EQ(l->content, "41=A");
  EXPECT_EQ(l->kind, LineKind::text);
  EXPECT_EQ(l->code, 0x41);
  EXPECT_EQ(l->text, "A");
  EXPECT_TRUE(l->hex_reports.empty());

  l = p.line(4);
  EXPECT_EQ(l->kind, LineKind::line_break);
  EXPECT_EQ(l->code, 0xF0);
  EXPECT_EQ(reports(*l), (Reports{{2, '\r'}}));

  l = p.line(5);
  EXPECT_EQ(l->kind, LineKind::directive);
  EXPECT_EQ(l->directive, Directive::fixed);
  EXPECT_EQ(l->keyword, "FIXED");
  EXPECT_TRUE(l->keyword_ended);
  EXPECT_EQ(l->empty_fields, 2);
  EXPECT_EQ(reports(*l), (Reports{{11, 'X'}}));
  EXPECT_EQ(describe(p.table, 0x80), "FIXED 10,00,00");

  l = p.line(6);
  EXPECT_EQ(l->directive, Directive::none);
  EXPECT_EQ(l->keyword, "NOPE");
  EXPECT_TRUE(l->keyword_ended);

  l = p.line(8);
  EXPECT_EQ(l->directive, Directive::none);
  EXPECT_EQ(l->keyword, "SNES");
  EXPECT_FALSE(l->keyword_ended);
  EXPECT_EQ(l->code, 0x82);

  l = p.line(9);
  EXPECT_EQ(l->text, "  text "); // spaces are text bytes
  EXPECT_EQ(p.table.code_text[0x83], "  text ");

  // Both digit positions lie past the end of the file: 0xFF each, at the line's end.
  l = p.line(10);
  EXPECT_EQ(l->kind, LineKind::end);
  EXPECT_EQ(l->code, 0x00);
  EXPECT_EQ(reports(*l), (Reports{{1, '\xFF'}, {1, '\xFF'}}));

  // The console hears the same characters, in file order.
  EXPECT_EQ(p.messages, report("d") + report("58") + report("ffffffff") + report("ffffffff"));
  EXPECT_EQ(entries(p.table), (Entries{{0x41, "text A"},
                                       {0xF0, "break"},
                                       {0x80, "FIXED 10,00,00"},
                                       {0x83, "text   text "},
                                       {0x00, "end"}}));
}

// One table, loaded with CR LF, LF and CR line ends, must give the same entries
// and reports; "\n" below stands for the line end.
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

struct LineEndStyle {
  const char* name;
  std::string_view eol;
  char end_char; // the character that a missing digit is reported as
};

class TableLineEnds : public ::testing::TestWithParam<LineEndStyle> {};

TEST_P(TableLineEnds, EveryLineIsReadAndLoadsTheSameEntries) {
  const LineEndStyle& style = GetParam();
  const std::string e = style.end_char == '\r' ? "d" : "a";
  const Entries expected{{0x41, "text A"},
                         {0x80, "FIXED 18000,10,01"},
                         {0x42, "text B"},
                         {0x82, "SNES f2 map0 8000,02,01"},
                         {0x43, "text C"},
                         {0x44, "text "},
                         {0x45, "text E"},
                         {0x00, "break"},
                         {0x46, "text F"},
                         {0x01, "text x"},
                         {0x50, "break"},
                         {0x40, "text "},
                         {0x49, "text "},
                         {0x47, "text G,H"},
                         {0x84, "FIXED 1234,10,00"},
                         {0x48, "text H"},
                         {0x86, "TABLE f1 02"},
                         {0x12, "text 3=abc"},
                         {0x3D, "text ="},
                         {0xF0, "break"},
                         {0xFF, "end"},
                         {0xFE, "wait"},
                         {0x4A, "text last"}};
  using LineReports = std::vector<std::tuple<std::size_t, std::size_t, char>>; // line, column, char
  const char c = style.end_char;
  const LineReports expected_reports{{11, 1, c}, {11, 1, c}, {13, 0, 'G'},
                                     {14, 2, c}, {15, 1, c}, {25, 2, c}};
  std::vector<std::size_t> expected_numbers;
  for (std::size_t n = 2; n <= 28; ++n)
    if (n != 3 && n != 4) expected_numbers.push_back(n);

  // The last line with no line end, one, or one followed by an empty line.
  for (int ends = 0; ends < 3; ++ends) {
    SCOPED_TRACE(ends);
    std::string bytes = with_line_ends(LINE_END_TABLE, style.eol);
    for (int i = 0; i < ends; ++i) bytes.append(style.eol);
    const Parsed p = parse(bytes);

    EXPECT_EQ(entries(p.table), expected);
    EXPECT_EQ(p.messages, report(e) + report(e) + report("47") + report(e) + report(e) + report(e));
    LineReports seen;
    std::vector<std::size_t> numbers;
    for (const TableLine& l : p.lines) {
      numbers.push_back(l.number);
      for (const auto& [column, ch] : reports(l)) seen.emplace_back(l.number, column, ch);
    }
    EXPECT_EQ(numbers, expected_numbers);
    EXPECT_EQ(seen, expected_reports);
    ASSERT_NE(p.line(19), nullptr);
    EXPECT_EQ(p.line(19)->empty_fields, 1);
    EXPECT_FALSE(p.line(17)->keyword_ended);
    EXPECT_FALSE(p.line(21)->keyword_ended);

    // Texts' values are their offsets in this file.
    EXPECT_EQ(p.table.code_value[0x41], style.eol.size() + 3);
    EXPECT_EQ(p.table.code_value[0x44], bytes.find("44=") + 3);
    EXPECT_EQ(p.table.code_value[0x12], bytes.find("123=abc") + 2);
    EXPECT_EQ(p.table.code_value[0x4A], bytes.find("last"));
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, TableLineEnds,
                         ::testing::Values(LineEndStyle{"CrLf", "\r\n", '\r'},
                                           LineEndStyle{"Lf", "\n", '\n'},
                                           LineEndStyle{"Cr", "\r", '\r'}),
                         [](const ::testing::TestParamInfo<LineEndStyle>& param_info) {
                           return std::string(param_info.param.name);
                         });

TEST(TableLoader, FullTableOf256Lines) {
  for (std::string_view eol : {"\r\n", "\n", "\r"}) {
    std::string bytes;
    for (int code = 0; code < 256; ++code) {
      char line[16];
      std::snprintf(line, sizeof line, "%02X=<%02x>", code, code);
      bytes += line;
      bytes += eol;
    }
    const Parsed p = parse(bytes);
    EXPECT_EQ(p.messages, "");
    ASSERT_EQ(p.lines.size(), 256u);
    for (std::size_t code = 0; code < 256; ++code) {
      char text[8];
      std::snprintf(text, sizeof text, "<%02zx>", code);
      EXPECT_EQ(p.table.code_text[code], text);
      EXPECT_EQ(p.table.code_value[code], code * (7 + eol.size()) + 3) << code;
    }
    EXPECT_TRUE(codes_above_ff_untouched(p.table));
  }
}

TEST(TableLoader, JapaneseUtf8TextsKeepTheirBytes) {
  const Parsed p = parse("82=あいう\r\n"
                         "83=「テスト」\n"
                         "*84\r"
                         "85=漢字かな交じり文、句読点。\r\n"
                         "86ー");
  EXPECT_EQ(entries(p.table), (Entries{{0x82, "text あいう"},
                                       {0x83, "text 「テスト」"},
                                       {0x84, "break"},
                                       {0x85, "text 漢字かな交じり文、句読点。"},
                                       {0x86, "text ー"}}));
  EXPECT_EQ(p.table.code_text[0x82].size(), 9u);
  EXPECT_EQ(p.messages, "");
}

// Texts that begin past 0xFFF0 stay texts with their own bytes; only the value is capped.
TEST(TableLoader, TextsBeyondOffsetFFF0) {
  struct Case {
    std::size_t text_offset;
    std::uint32_t value;
  };
  for (const Case& k : {Case{0xFFEF, 0xFFEF}, Case{0xFFF0, 0xFFF0}, Case{0xFFF1, CODE_TEXT_MAX},
                        Case{0xFFFC, CODE_TEXT_MAX}, Case{0x12345, CODE_TEXT_MAX}}) {
    SCOPED_TRACE(k.text_offset);
    // A long first line puts the text of 0x41 at the wanted offset.
    const std::string filler(k.text_offset - 8, 'x');
    const std::string bytes = "00=" + filler + "\r\n41=ABC\r\n*42\r\n43=D";
    const Parsed p = parse(bytes);
    EXPECT_EQ(p.table.code_value[0x41], k.value);
    EXPECT_EQ(describe(p.table, 0x41), "text ABC");
    EXPECT_EQ(p.table.code_text[0x00], filler);
    EXPECT_EQ(describe(p.table, 0x42), "break");
    EXPECT_EQ(describe(p.table, 0x43), "text D");
    EXPECT_EQ(p.messages, "");
  }
}

TEST(LoadFontTable, TwoLoadsLayTheSecondOverTheFirst) {
  testing::TempDir dir;
  const std::string first = dir.file("game0.tbl"), second = dir.file("game1.tbl");
  testing::write_file(first, "41=A\r\n42=BC\r\n$80=FIXED,18000,10,1\r\n*FF\r\n");
  testing::write_file(second, "41=Zed\r\n$80=TABLE,3\r\n$FF=XYZ,1\r\n");
  CodeTable table;
  init_code_table(table);
  testing::CapturedConsole c;
  EXPECT_EQ(load_font_table(table, first, c.console), 0);
  EXPECT_EQ(load_font_table(table, second, c.console), 0);
  EXPECT_EQ(
      entries(table),
      (Entries{{0x41, "text Zed"}, {0x42, "text BC"}, {0x80, "TABLE f1 03"}, {0xFF, "break"}}));
  EXPECT_EQ(table.code_value[0x41], 3u); // the second file's offset
  EXPECT_EQ(table.code_value[0x42], 9u); // the first file's
  EXPECT_EQ(table.code_base[0x80], 0x18000u);
  EXPECT_EQ(table.code_params[0x80].p2, 1);
  EXPECT_TRUE(codes_above_ff_untouched(table));
  EXPECT_EQ(*c.messages, "");
  EXPECT_EQ(*c.pauses, 0);

  // Loading the first file again restores its entries and keeps the rest.
  EXPECT_EQ(load_font_table(table, first, c.console), 0);
  EXPECT_EQ(describe(table, 0x41), "text A");
  EXPECT_EQ(describe(table, 0x80), "FIXED 18000,10,01");
}

TEST(LoadFontTable, UnreadableFileChangesNothing) {
  testing::TempDir dir;
  const std::string good = dir.file("good.tbl");
  testing::write_file(good, "41=A\r\n*0D\r\n");
  std::filesystem::create_directory(dir.path() / "folder.tbl");
  for (const std::string& name : {dir.file("missing.tbl"), dir.file("folder.tbl"), ""s}) {
    SCOPED_TRACE(name);
    CodeTable table;
    init_code_table(table);
    testing::CapturedConsole quiet;
    ASSERT_EQ(load_font_table(table, good, quiet.console), 0);
    const CodeTable before = table;
    testing::CapturedConsole c;
    EXPECT_EQ(load_font_table(table, name, c.console), 1);
    EXPECT_EQ(*c.messages, "Couldn't read table file.\n");
    EXPECT_EQ(*c.pauses, 1);
    EXPECT_TRUE(same_table(table, before));
  }
}

TEST(LoadFontTable, EmptyFileAndLastLineWithoutEnd) {
  testing::TempDir dir;
  CodeTable initial;
  init_code_table(initial);

  const std::string empty = dir.file("empty.tbl");
  testing::write_file(empty, "");
  CodeTable table = initial;
  testing::CapturedConsole c;
  EXPECT_EQ(load_font_table(table, empty, c.console), 0);
  EXPECT_TRUE(same_table(table, initial));
  EXPECT_EQ(*c.messages, "");
  EXPECT_EQ(*c.pauses, 0);

  // Only line ends: nothing but empty lines.
  testing::write_file(empty, "\r\n\r\n\n\r");
  EXPECT_EQ(load_font_table(table, empty, c.console), 0);
  EXPECT_TRUE(same_table(table, initial));

  const std::string cut = dir.file("cut.tbl");
  testing::write_file(cut, "41=A\r\n42=BC");
  EXPECT_EQ(load_font_table(table, cut, c.console), 0);
  EXPECT_EQ(entries(table), (Entries{{0x41, "text A"}, {0x42, "text BC"}}));
  EXPECT_EQ(table.code_value[0x42], 9u);

  // A marker cut short by the end of the file: the missing digit is 0xFF, reported.
  testing::write_file(cut, "*F");
  EXPECT_EQ(load_font_table(table, cut, c.console), 0);
  EXPECT_EQ(describe(table, 0xF0), "break");
  EXPECT_EQ(*c.messages, report("ffffffff"));
  EXPECT_EQ(*c.pauses, 0);
}

} // namespace
} // namespace textdump
