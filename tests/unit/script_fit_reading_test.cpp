// How --fit reads a script's text and its insertion table, judged for the
// Atlas inserter and for --insert: the bytes each would write and what the
// fitter says of them. Texts too long for the inserter's 8-bit lengths, a
// bare line break's <LINE>, table texts that are raw forms, raw forms typed
// in either case, lines of blanks alone, Pascal strings past their length's
// bytes and files that start with a byte-order mark.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;

constexpr std::string_view BOM = "\xEF\xBB\xBF";

// Printable ASCII as itself, 00 the end.
std::string ascii() {
  std::string table = "/00=<END>\n";
  for (int c = 0x20; c < 0x7F; ++c)
    table += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  return table;
}

struct Case {
  const char* name;
  std::string table;            // the insertion table, written before ascii()
  std::string text;             // the script's lines after its #JMP
  FitFor judged;
  std::optional<std::string> bytes; // the block's bytes, when the case names them
  std::vector<ReportId> ids;        // every diagnostic, in order
  bool bom = false;                 // the script and the table start with a byte-order mark
};

TEST(ScriptFitReading, AsEachInserterReads) {
  const std::string long_a(257, 'a'), long_x(300, 'x');
  const Case cases[] = {
      {"a text past 255 characters is lost to the Atlas inserter's 8-bit length",
       "80=" + long_a + "\n", long_a + "\n", FitFor::atlas, long_a,
       {ReportId::fit_atlas_reads_shorter}},
      {"--insert reads the long text whole", "80=" + long_a + "\n", long_a + "\n",
       FitFor::insert, "\x80"s, {}},
      {"a bare line break's <LINE> is written as its characters by the Atlas inserter", "*0A\n",
       "Hi<LINE>\n", FitFor::atlas, "Hi<LINE>", {ReportId::fit_atlas_reads_shorter}},
      {"and read by --insert", "*0A\n", "Hi<LINE>\n", FitFor::insert, "Hi\x0A"s, {}},
      {"<LINE> given as the text raises the length", "*0A=<LINE>\n", "Hi<LINE>\n", FitFor::atlas,
       "Hi\x0A"s, {}},
      {"a table text that is a raw form reads as the raw byte", "41=<$ab>\n", "<$ab>\n",
       FitFor::atlas, "\xAB"s, {}},
      {"a table text that only looks like a raw form is the table's", "42=($1a)\n", "($1a)\n",
       FitFor::atlas, "\x42"s, {}},
      {"mixed case is no raw form: its five characters", "", "<$Ab>\n", FitFor::atlas, "<$Ab>",
       {ReportId::fit_raw_misread}},
      {"lower case with a letter last is one", "", "<$ab><$4a>\n", FitFor::insert, "\xAB\x4A"s,
       {}},
      {"lower case with a digit last is not", "", "<$a5>\n", FitFor::insert, "<$a5>",
       {ReportId::fit_raw_misread}},
      {"a line of blanks alone writes nothing", "", "Hi\n \t \nYo\n", FitFor::atlas, "HiYo", {}},
      {"a Pascal string past what its length holds", "",
       "#STRTYPE(\"PASCAL\")\n#PASCALLEN(1)\n" + long_x + "\n", FitFor::insert, std::nullopt,
       {ReportId::fit_pascal_too_long}},
      {"two bytes of length hold it", "", "#STRTYPE(\"PASCAL\")\n#PASCALLEN(2)\n" + long_x + "\n",
       FitFor::atlas, "\x2C\x01"s + long_x, {}},
      {"a byte-order mark opens the script and the table", "", "Hi\n", FitFor::atlas, "Hi", {},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string lead = c.bom ? std::string(BOM) : "";
    const std::string table = lead + c.table + ascii();
    const std::string script = lead +
                               "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n"
                               "#ACTIVETBL(Table)\n#JMP($100, $FFF)\n" +
                               c.text;
    const FitReport fit = fit_script(
        script, [&](const std::string&) { return std::optional(table); }, c.judged);
    std::vector<ReportId> ids;
    for (const Report& d : fit.diagnostics) ids.push_back(d.id);
    EXPECT_EQ(ids, c.ids) << (fit.diagnostics.empty() ? "" : report_text(fit.diagnostics[0]));
    if (c.bytes) {
      ASSERT_EQ(fit.plan.blocks.size(), 1u);
      EXPECT_EQ(fit.plan.blocks[0].bytes, *c.bytes);
    }
  }
}

} // namespace
} // namespace textdump
