// What --fit says of characters the insertion table lacks: one line a
// character with its count at its first use, one line for a whole class the
// table has none of; and its advice for a string of set length left without
// text, by whether the table has an end token.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"

namespace textdump {
namespace {

std::string script_of(const std::string& body) {
  return "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n#ACTIVETBL(Table)\n"
         "#VAR(PtrA, CUSTOMPOINTER)\n#CREATEPTR(PtrA, \"LINEAR\", $0, 16)\n#JMP($100, $1FF)\n" +
         body;
}

std::vector<Report> fitted(const std::string& script, const std::string& table) {
  const FitTableReader read = [&](const std::string& name) {
    return name == "t.tbl" ? std::optional<std::string>(table) : std::nullopt;
  };
  std::vector<Report> diagnostics = fit_script(script, read).diagnostics;
  summarise_missing(diagnostics, script, read);
  return diagnostics;
}

std::vector<std::string> texts(const std::vector<Report>& reports) {
  std::vector<std::string> out;
  for (const Report& r : reports)
    out.push_back(std::to_string(r.line) + ":" + std::to_string(r.column) + " " + report_text(r));
  return out;
}

TEST(FitSummary, MissingCharactersAreCountedAndAWholeClassIsOneLine) {
  std::string upper = "/00=<END>\n20= \n";
  for (char c = 'A'; c <= 'Z'; ++c) upper += hex_byte(static_cast<std::uint8_t>(c)) + "=" + c + "\n";
  const std::string script =
      script_of("#WRITE(PtrA, $0)\nHELLO world\nAND MORE words\xC3\xA9 at \xC3\xA9<END>\n");
  EXPECT_EQ(texts(fitted(script, upper)),
            (std::vector<std::string>{
                "8:7 the insertion table has no lower-case letters: 8 are used, 12 times in all "
                "(the first here)",
                "9:15 '\xC3\xA9' is not in the insertion table (2 times, the first here)"}));
  // With one lower-case letter in the table, each one missing is its own line.
  EXPECT_EQ(texts(fitted(script_of("#WRITE(PtrA, $0)\nHELLO wow\n"), upper + "60=o\n")),
            (std::vector<std::string>{
                "8:7 'w' is not in the insertion table (2 times, the first here)"}));
}

TEST(FitSummary, AnEmptiedStringOfSetLengthIsAdvisedAsTheTableAllows) {
  const std::string script =
      script_of("#FIXEDLENGTH(4, $0)\n//POINTER #0 @ $0 - STRING #0 @ $100\n#WRITE(PtrA, $0)\n"
                "//POINTER #1 @ $2 - STRING #1 @ $104\n#WRITE(PtrA, $2)\nAB\n");
  const std::vector<Report> with_end = fitted(script, "/00=<END>\n41=A\n42=B\n");
  const std::vector<Report> without = fitted(script, "41=A\n42=B\n");
  ASSERT_EQ(with_end.size(), 1u);
  ASSERT_EQ(without.size(), 1u);
  EXPECT_EQ(with_end[0].id, ReportId::fit_set_length_no_text);
  EXPECT_EQ(without[0].id, ReportId::fit_set_length_no_end);
}

} // namespace
} // namespace textdump
