// Exchange files read and written back into a script (tests/data/exchange):
// translations that must be left out, malformed files, and every format
// giving back the translations with their escapes. (A spreadsheet's CSV is
// the case exchange/import_spreadsheet; the round trips through the program,
// on real games, are tests/e2e/exchange_test.cpp.)
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/exchange/exchange.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

std::string data(const std::string& name) {
  return testing::read_file_bytes(TEXTDUMP_SOURCE_DIR "/tests/data/exchange/" + name);
}

std::vector<std::string> ids_of(const std::vector<Report>& reports) {
  std::vector<std::string> ids;
  for (const Report& report : reports) ids.push_back(report.args.at(0));
  return ids;
}

TEST(ExchangeImport, LeftOutTranslationsAreNamedAndNotWritten) {
  const ExchangeReading reading = read_exchange(ExchangeFormat::tsv, data("left_out.tsv"));
  ASSERT_TRUE(reading.errors.empty()) << report_text(reading.errors.front());
  const std::string script = data("script.txt");
  const Applied applied = apply_translations(script, reading.rows);
  EXPECT_EQ(applied.script, script);
  std::vector<std::string> said;
  for (const Report& report : applied.left_out)
    said.push_back(std::to_string(report.line) + " " + report_text(report));
  EXPECT_EQ(said, (std::vector<std::string>{
                      "2 $99: no string of the script has this id; its translation is left out",
                      "3 $5A: the original is no longer the one translated; its translation is "
                      "left out",
                      "4 $5F: the inserter would not read \"  #JMP($0)\" as text; its translation "
                      "is left out"}));
  EXPECT_EQ(ids_of(applied.untranslated), (std::vector<std::string>{"$40", "$5A", "$5F"}));
}

// Each line of malformed/expected: a file, the line of its first problem, its report.
TEST(ExchangeFiles, MalformedFilesGiveNoRows) {
  std::istringstream expected(data("malformed/expected"));
  std::size_t cases = 0;
  for (std::string line; std::getline(expected, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, name;
    std::size_t number = 0;
    fields >> file >> number >> name;
    SCOPED_TRACE(file);
    const ExchangeReading reading =
        read_exchange(*exchange_format(file), data("malformed/" + file));
    EXPECT_TRUE(reading.rows.empty());
    ASSERT_FALSE(reading.errors.empty());
    EXPECT_EQ(report_row(reading.errors.front().id).name, name);
    EXPECT_EQ(reading.errors.front().line, number);
    ++cases;
  }
  EXPECT_EQ(cases, 11u);
}

// Translations with every character a format escapes, written out and read back.
TEST(ExchangeFiles, EachFormatGivesTheTranslationsBack) {
  const std::string script = data("script.txt");
  std::vector<ExchangeRow> rows = script_translations(script_entries(script));
  ASSERT_EQ(rows.size(), 3u);
  rows[0].translation = "\"Quoted\", with\ta tab<LINE>\nand \\n, \\\\ and \\t<END>";
  rows[2].translation = "a,b;c\"d\"<END>";
  const std::string edited = apply_translations(script, rows).script;
  const std::vector<ScriptEntry> entries = script_entries(edited);
  for (const ExchangeFormat format : {ExchangeFormat::po, ExchangeFormat::tsv, ExchangeFormat::csv}) {
    const ExchangeReading reading =
        read_exchange(format, write_exchange(format, entries, "script.txt"));
    ASSERT_TRUE(reading.errors.empty()) << report_text(reading.errors.front());
    ASSERT_EQ(reading.rows.size(), rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
      EXPECT_EQ(reading.rows[k].id, rows[k].id);
      EXPECT_EQ(reading.rows[k].original, rows[k].original);
      EXPECT_EQ(reading.rows[k].translation, rows[k].translation);
    }
    EXPECT_EQ(apply_translations(script, reading.rows).script, edited);
  }
}

} // namespace
} // namespace textdump
