// The test inserter of Atlas scripts: pointer values and address types, the
// longest match over table texts and raw forms, the #JMP bound, and the errors
// that leave the ROM untouched.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/atlas_inserter.hpp"

namespace textdump::testing {
namespace {

using namespace std::string_literals;

const std::map<std::string, std::string> TABLES = {
    {"t.tbl", "41=A\r\n42=B\r\nE0=AB\r\nE1=B\r\n20= \r\n/FF=<END>\r\n*FE\r\n(skipped\r\n\r\n"},
    {"bad.tbl", "41=A\n#42=B\n"},
    {"lt.tbl", "80=A<\n41=A\n24=$\n39=9\n3E=>\n3C=<\n28=(\n29=)\n61=a\n"},
};

const std::string ROM(16, '\xAA');
const std::string PRELUDE = "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n#ACTIVETBL(Table)\n";

InsertResult insert(const std::string& script) {
  return atlas_insert(ROM, script, [](const std::string& name) -> std::optional<std::string> {
    const auto it = TABLES.find(name);
    if (it == TABLES.end()) return std::nullopt;
    return it->second;
  });
}

TEST(AtlasInserter, WritesTextAndPointers) {
  struct Written {
    std::size_t at;
    std::string bytes;
  };
  struct Case {
    const char* name;
    std::string script;
    std::vector<Written> expected;
    std::size_t size = 16;
    bool cut = false;
  };
  const Case cases[] = {
      {"offsetting and the header in force at #CREATEPTR",
       "#VAR(PtrA, CUSTOMPOINTER)\n#VAR(PtrB, CUSTOMPOINTER)\n#HDR($4)\n"
       "#CREATEPTR(PtrA, \"LINEAR\", $-7FF0, 16)\n#HDR(0)\n#CREATEPTR(PtrB, \"LINEAR\", 100, 8)\n"
       "#JMP($8)\n#WRITE(PtrA, $0)\nAB\n#WRITE(PtrA, $2)\nB\n#W16($4)\n#WRITE(PtrB, $6)\n",
       {{0, "\xF4\x7F\xF5\x7F\x0A\x00\xA6\xAA\xE0\x42\xAA"s}}},
      {"address types of #W16, #W24 and #W32",
       "#HDR($200)\n#JMP($8204)\n#SMA(\"LOROM80\")\n#W24($0)\n#SMA(\"LOROM00\")\n#W24($3)\n"
       "#SMA(\"HIROM\")\n#W32($6)\n#HDR(0)\n#SMA(\"GB\")\n#W16($A)\n#SMA(\"LINEAR\")\n#W16($C)\n"
       "#JMP($123)\n#SMA(\"GB\")\n#W16($E)\n",
       {{0, "\x04\x80\x81\x04\x80\x01\x04\x80\xC0\x00\x04\x42\x04\x82\x23\x01"s}}},
      {"greedy longest text, first entry wins, lines joined, raw bytes",
       "#JMP($1)\r\n A\r\n  // comment\r\n\r\nB<END>B<LINE><$0A>($0B)AB \r\n",
       {{0, "\xAA\x20\xE0\xFF\x42\xFE\x0A\x0B\xE0\x20\xAA"s}}},
      {"the ROM grows; text past the #JMP end is cut",
       "#JMP($12)\nA\n#JMP($0, $1)\nABA\nB\nA\n",
       {{0, "\xE0\xE0\xAA"s}, {16, "\0\0\x41"s}},
       0x13,
       true},
      {"the longest match over table texts and raw forms alike",
       "#VAR(Less, TABLE)\n#ADDTBL(\"lt.tbl\", Less)\n#ACTIVETBL(Less)\n#JMP($0)\n"
       "A<$99><$4a><$a9>($9a)\n",
       {{0, "\x80$99>\x4A<$a9>($9a)"s}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const InsertResult r = insert(PRELUDE + c.script);
    ASSERT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(r.rom.size(), c.size);
    EXPECT_EQ(r.cut, c.cut);
    for (const Written& w : c.expected) EXPECT_EQ(r.rom.substr(w.at, w.bytes.size()), w.bytes);
  }
}

// Atlas reports an overflow for text cut at a bound, and for a script that
// ends at the bound of its last #JMP (a block exactly full), though nothing
// is lost; a later #JMP without a bound lifts it.
TEST(AtlasInserter, OverflowsAsAtlasReportsThem) {
  const struct {
    const char* script;
    bool overflow;
  } cases[] = {
      {"#JMP($0, $2)\nBA<END>\n", true},
      {"#JMP($0, $2)\nBA<END>\n#JMP($3)\n", false},
      {"#JMP($0, $3)\nBA<END>\n", false},
      {"#JMP($0, $2)\nBA<END>\n#JMP($4, $6)\nA<END>\n", false},
      {"#JMP($0, $1)\nBBB\n#JMP($4)\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const InsertResult r = insert(PRELUDE + c.script);
    ASSERT_EQ(r.status, 0) << r.message;
    EXPECT_EQ(r.overflow_reported, c.overflow);
  }
}

TEST(AtlasInserter, ErrorsNameTheLineAndParseErrorsLeaveTheRom) {
  struct Case {
    const char* line; // the script's sixth line, after text written at 0
    const char* says;
    bool parse = true;
  };
  const Case cases[] = {
      {"#JMP($1c)", "lower-case hex"},
      {"#VAR(P1, TABLE)", "reads as a number"},
      {"#VAR(P, TABLE)", "reads as a number"},
      {"#VAR(Ptrk, CUSTOMPOINTER)", "letter K"},
      {"#HDR(-5)", "misread"},
      {"#POINTER($0)", "unknown command"},
      {"#W16(Table, $0)", "given 2 arguments"},
      {"#WRITE(PtrA, $0)", "undeclared variable"},
      {"#ADDTBL(\"bad.tbl\", Table)", "table line 2"},
      {"#ADDTBL(\"none.tbl\", Table)", "cannot read table"},
      {"Ao", "Character 'o' missing from table", false},
      {"A<$a0>", "Character '<' missing from table", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const InsertResult r = insert(PRELUDE + "#JMP($0)\nAB\n" + c.line + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.message.rfind("line 6: ", 0), 0u) << r.message;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    EXPECT_EQ(r.rom == ROM, c.parse);
  }
}

} // namespace
} // namespace textdump::testing
