// The table checker, `textdump --check TABLE`, run as the built program: every
// report kind with its exact line, the summary, the exit status, and that it
// leaves every file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/realdata.hpp"
#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

// Every file under a folder with its bytes and modification time.
using Snapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;

Snapshot snapshot(const fs::path& folder) {
  Snapshot files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files[entry.path().string()] = {
        entry.is_regular_file() ? testing::read_file_bytes(entry.path().string()) : "",
        entry.last_write_time()};
  return files;
}

void write_in(const TempDir& dir, const std::string& name, const std::string& bytes) {
  const fs::path path = dir.path() / name;
  fs::create_directories(path.parent_path());
  write_file(path.string(), bytes);
}

struct Case {
  const char* what;
  std::string table; // name of the checked table inside the folder
  std::string bytes;
  std::vector<std::pair<std::string, std::string>> others; // more files of the folder
  std::string report;                                      // standard output
  int status;
};

TEST(TableChecker, EveryReportKindWithItsLineTheSummaryAndTheStatus) {
  const std::string none = "0 wait, 0 end, 0 FIXED, 0 SNES, 0 TABLE; ";
  const Case cases[] = {
      {"a clean table with every kind of entry",
       "kana0.tbl",
       "41=A\r\n42=BC\r\n*FE\r\n\\FD\r\n/FF\r\n$80=FIXED,1F800,8,0\r\n$F1=SNES,L,18000,2,1\r\n"
       "$F0=TABLE,1\r\n",
       {{"kana1.tbl", "41=a\r\n"}},
       "line 8: note: this switch loads \"kana1.tbl\" (table digit '0' becomes '1'): $F0=TABLE,1\n"
       "8 entries: 2 text, 1 line break, 1 wait, 1 end, 1 FIXED, 1 SNES, 1 TABLE; 0 problems\n",
       0},
      {"LF and CR line ends are read like CR LF",
       "lf.tbl",
       "41=A\n42=B\r43=C\n\n/FF",
       {},
       "4 entries: 3 text, 0 line break, 0 wait, 1 end, 0 FIXED, 0 SNES, 0 TABLE; 0 problems\n",
       0},
      {"characters that are not hex digits, in code digits and number fields",
       "hex.tbl",
       "41=A\r\n4G=B\r\n*F\r\n$80=FIXED,1G00,8,0\r\n/E",
       {},
       "line 2: HEX VALUE ERROR:47 at column 2 ('G' is not a hex digit): 4G=B\n"
       "line 3: HEX VALUE ERROR:d at column 3 (a digit is missing at the end of the line): *F\n"
       "line 4: HEX VALUE ERROR:47 at column 12 ('G' is not a hex digit): $80=FIXED,1G00,8,0\n"
       "line 5: HEX VALUE ERROR:ffffffff at column 3 (a digit is missing at the end of the file): "
       "/E\n"
       "5 entries: 2 text, 1 line break, 0 wait, 1 end, 1 FIXED, 0 SNES, 0 TABLE; 4 problems\n",
       1},
      {"keywords that select nothing",
       "keywords.tbl",
       "$80=FOO,1\r\n$81=fixed,1,2,3\r\n$82=FIXED\r\n$83=FIXEDS,1,2,0\r\n$84=,1000,10,1\r\n",
       {},
       "line 1: keyword \"FOO\" selects no directive: $80=FOO,1\n"
       "line 2: keyword \"fixed\" selects no directive: $81=fixed,1,2,3\n"
       "line 3: directive without a comma after its keyword: $82=FIXED\n"
       "line 4: keyword \"FIXEDS\" selects no directive: $83=FIXEDS,1,2,0\n"
       "1 entry: 0 text, 0 line break, 0 wait, 0 end, 1 FIXED, 0 SNES, 0 TABLE; 4 problems\n",
       1},
      {"directives missing fields",
       "fields.tbl",
       "$80=FIXED,1000\r\n$81=SNES,L,8000,2\r\n$82=SNES,\r\n$83=FIXED,,8,0\r\n",
       {},
       "line 1: directive has 2 empty fields: $80=FIXED,1000\n"
       "line 2: directive has 1 empty field: $81=SNES,L,8000,2\n"
       "line 3: directive has 4 empty fields: $82=SNES,\n"
       "line 4: directive has 1 empty field: $83=FIXED,,8,0\n"
       "the table has SNES entries but no END entry: every string they point to runs to the end "
       "of the ROM file\n"
       "4 entries: 0 text, 0 line break, 0 wait, 0 end, 2 FIXED, 2 SNES, 0 TABLE; 5 problems\n",
       1},
      {"codes defined again; a directive that selects nothing defines nothing",
       "twice.tbl",
       "41=A\r\n4a=x\r\n4A=y\r\n41=B\r\n*FE\r\n/FE\r\n$41=XYZ,1\r\n",
       {},
       "line 3: code 4A was defined on line 2; this line wins: 4A=y\n"
       "line 4: code 41 was defined on line 1; this line wins: 41=B\n"
       "line 6: code FE was defined on line 5; this line wins: /FE\n"
       "line 7: keyword \"XYZ\" selects no directive: $41=XYZ,1\n"
       "3 entries: 2 text, 0 line break, 0 wait, 1 end, 0 FIXED, 0 SNES, 0 TABLE; 4 problems\n",
       1},
      {"four-digit codes define their first two digits only; after five, the rest are counted",
       "wide.tbl",
       "1640=a\r\n1641=b\r\n1642=c\r\n1643=d\r\n1644=<wait>\r\n1645=<w>\r\n1646=f\r\n",
       {},
       "line 1: four-digit code 1640: this line defines code 16 with the text \"40=a\": 1640=a\n"
       "line 2: four-digit code 1641: this line defines code 16 with the text \"41=b\": 1641=b\n"
       "line 3: four-digit code 1642: this line defines code 16 with the text \"42=c\": 1642=c\n"
       "line 4: four-digit code 1643: this line defines code 16 with the text \"43=d\": 1643=d\n"
       "line 5: four-digit code 1644: this line defines code 16 with the text \"44=<wait>\": "
       "1644=<wait>\n"
       "... and 2 more like this (lines 6-7)\n"
       "note: this looks like a standard table (keys of four or more digits, # or @ lines, or "
       "/XX=label ends): check it with --check --std-table\n"
       "1 entry: 1 text, 0 line break, " +
           none + "7 problems\n",
       1},
      {"texts that begin or end with a space are notes; control characters are shown escaped",
       "spaces.tbl",
       "41= A\r\n42=B\t\r\n43=C D\r\n44=\t\r\n45=\r\n",
       {},
       "line 1: note: text begins or ends with a space or tab: 41= A\n"
       "line 2: note: text begins or ends with a space or tab: 42=B\\x09\n"
       "5 entries: 5 text, 0 line break, " +
           none + "0 problems\n",
       0},
      {"a table digit that would be a folder separator",
       "kana0.tbl",
       "$F0=TABLE,FF\r\n",
       {},
       "line 1: the switch would load \"kana/.tbl\", whose table digit is a folder separator or "
       "NUL: $F0=TABLE,FF\n"
       "1 entry: 0 text, 0 line break, 0 wait, 0 end, 0 FIXED, 0 SNES, 1 TABLE; 1 problem\n",
       1},
      {"a missing switch member, and an empty table number (table 0)",
       "kana0.tbl",
       "$F0=TABLE,1\r\n$F1=TABLE,2\r\n$F2=TABLE,\r\n",
       {{"kana2.tbl", "41=b\r\n"}},
       "line 1: the switch loads \"kana1.tbl\", which cannot be opened: $F0=TABLE,1\n"
       "line 1: note: this switch loads \"kana1.tbl\" (table digit '0' becomes '1'): $F0=TABLE,1\n"
       "line 2: note: this switch loads \"kana2.tbl\" (table digit '0' becomes '2'): $F1=TABLE,2\n"
       "line 3: directive has 1 empty field: $F2=TABLE,\n"
       "line 3: note: this switch loads \"kana0.tbl\" (table digit '0' becomes '0'): $F2=TABLE,\n"
       "3 entries: 0 text, 0 line break, 0 wait, 0 end, 0 FIXED, 0 SNES, 3 TABLE; 2 problems\n",
       1},
      {"a missing restore member: the digit of font.tbl is its t",
       "sub/font.tbl",
       "$F0=TABLE,1\r\n",
       {{"sub/fon1.tbl", "41=a\r\n"}},
       "line 1: the restore loads \"sub/fon0.tbl\", which cannot be opened: $F0=TABLE,1\n"
       "line 1: note: this switch loads \"sub/fon1.tbl\" (table digit 't' becomes '1'): "
       "$F0=TABLE,1\n"
       "1 entry: 0 text, 0 line break, 0 wait, 0 end, 0 FIXED, 0 SNES, 1 TABLE; 1 problem\n",
       1},
      {"a file name without a table digit",
       "tables.d/kana",
       "$F0=TABLE,1\r\n",
       {},
       "line 1: the table file name has no table digit for the switch: $F0=TABLE,1\n"
       "line 1: the table file name has no table digit for the restore: $F0=TABLE,1\n"
       "1 entry: 0 text, 0 line break, 0 wait, 0 end, 0 FIXED, 0 SNES, 1 TABLE; 2 problems\n",
       1},
      {"the table digit is looked for in the file-name part only",
       "old.tables/kana0.tbl",
       "$F0=TABLE,1\r\n",
       {{"old.tables/kana1.tbl", "41=a\r\n"}},
       "line 1: note: this switch loads \"old.tables/kana1.tbl\" (table digit '0' becomes '1'): "
       "$F0=TABLE,1\n"
       "1 entry: 0 text, 0 line break, 0 wait, 0 end, 0 FIXED, 0 SNES, 1 TABLE; 0 problems\n",
       0},
      {"an empty table",
       "empty.tbl",
       "",
       {},
       "0 entries: 0 text, 0 line break, " + none + "0 problems\n",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    write_in(dir, c.table, c.bytes);
    for (const auto& [name, bytes] : c.others) write_in(dir, name, bytes);
    const Snapshot before = snapshot(dir.path());
    const auto result = run_program(dir.path().string(), {"--check", c.table}, "");
    EXPECT_EQ(result.out, c.report);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(snapshot(dir.path()) == before) << "the checker changed or created a file";
  }
}

TEST(TableChecker, UnreadableTableFails) {
  TempDir dir;
  fs::create_directory(dir.path() / "folder.tbl");
  struct Unreadable {
    std::string name, err;
  };
  const std::vector<Unreadable> cases = {
      {"missing.tbl", "Can't open the table file \"missing.tbl\".\n"},
      {"folder.tbl", "Can't open the table file \"folder.tbl\".\n"},
      {"/dev/zero",
       "The table file \"/dev/zero\" is larger than 64 MiB; no table is that large.\n"},
  };
  for (const Unreadable& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = run_program(dir.path().string(), {"--check", c.name}, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.err);
  }
  EXPECT_FALSE(fs::exists(dir.path() / "missing.tbl"));
}

// Real translators' tables: the checker reads each to the end and summarises it.
TEST(TableChecker, RealTablesEndWithTheSummary) {
  REQUIRE_REALDATA();
  const fs::path tables = testing::REALDATA / "tables";
  for (const auto& entry : fs::directory_iterator(tables)) {
    SCOPED_TRACE(entry.path().filename().string());
    const auto result =
        run_program(tables.string(), {"--check", entry.path().filename().string()}, "");
    EXPECT_EQ(result.err, "");
    ASSERT_FALSE(result.out.empty());
    const std::size_t last = result.out.rfind('\n', result.out.size() - 2);
    const std::string summary = result.out.substr(last == std::string::npos ? 0 : last + 1);
    EXPECT_NE(summary.find(" entries: "), std::string::npos) << summary;
    const bool clean = summary.find("; 0 problems\n") != std::string::npos;
    EXPECT_EQ(result.status, clean ? 0 : 1);
  }
}

} // namespace
} // namespace textdump
