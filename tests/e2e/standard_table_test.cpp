// Standard tables through the built program: --std-table dumps to a file and to
// standard output, a table with errors refused before any file is written,
// --check --std-table's statuses and summary, the note of --check that suggests
// it, and the command-line errors of --table-encoding.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

// A folder with a standard table, a Shift-JIS one and a ROM for them.
struct Folder {
  TempDir dir;
  Folder() {
    write_file(dir.file("std.tbl"), "# menu\r\n41=A\r\n4142=[AB]\r\n$F0=[c],1\r\n/FF=<end>\r\n");
    write_file(dir.file("sjis.tbl"), "82A0=\x82\xA0\r\n");
    write_file(dir.file("two.tbl"), "@main\r\n41=A\r\n41=a\r\n!F0=<k>,<@kana>:1\r\n@kana\r\n41=k\r\n");
    write_file(dir.file("utf16.tbl"), std::string("4\0" "1\0" "=\0" "\x42\x30", 8));
    write_file(dir.file("rom.bin"), "ABA\xF0\x07\xFF\x99\x82\xA0");
  }
  testing::ProgramResult run(const std::vector<std::string>& args) const {
    return run_program(dir.path().string(), args, "");
  }
};

TEST(StandardTableRun, DumpsToAFileAndToStandardOutput) {
  const struct {
    std::vector<std::string> args;
    std::string dump; // what DUMP holds (standard output for -)
  } cases[] = {
      {{"--std-table", "rom.bin", "std.tbl", "out.txt", "0", "6"}, "[AB]A[c]<$07><end>\r\n<$99>"},
      {{"--std-table", "rom.bin", "std.tbl", "-", "2", "5"}, "A[c]<$07><end>\r\n"},
      {{"--std-table", "--table-encoding", "shift-jis", "rom.bin", "sjis.tbl", "-", "6", "8"},
       "<$99>\xE3\x81\x82"},
      {{"--std-table", "--table", "kana", "rom.bin", "two.tbl", "-", "0", "0"}, "k"},
      {{"--std-table", "--table-encoding", "utf-16le", "rom.bin", "utf16.tbl", "-", "0", "0"},
       "\xE3\x81\x82"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[c.args.size() - 3]);
    const Folder folder;
    const auto result = folder.run(c.args);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, c.args[c.args.size() - 4] == "two.tbl"
                              ? "Warning: \"two.tbl\" defines 1 key again, the later line winning "
                                "(first: line 3: 41=a).\n"
                              : "");
    const bool to_stdout = c.args[c.args.size() - 3] == "-";
    EXPECT_EQ(to_stdout ? result.out : read_file_bytes(folder.dir.file("out.txt")), c.dump);
  }
}

TEST(StandardTableRun, ATableWithErrorsIsRefusedBeforeAnythingIsWritten) {
  const std::string bad = "41=A\r\n4G=B\r\n\\0B\r\n$F0\r\n";
  const std::string errors =
      "bad.tbl:2:2: error: the key has a character that is not a hexadecimal digit\n"
      "bad.tbl:3:1: error: a line cannot begin with \"\\\": write /KEY for an end or KEY=<WAIT> "
      "for a wait\n"
      "bad.tbl:4:1: error: a control code needs \"=\" after its key\n";
  const struct {
    std::vector<std::string> options;
    std::string table, dump, err;
  } cases[] = {
      {{}, bad, "new.txt", errors},
      {{}, bad, "old.txt", errors},
      {{}, bad, "-", errors},
      {{"--table-encoding", "windows-1252"},
       "41=\x81\r\n",
       "old.txt",
       "bad.tbl:1:4: error: the value does not convert to UTF-8 from the table's encoding\n"},
      {{"--table", "kana"}, "@main\r\n41=A\r\n", "old.txt",
       "\"bad.tbl\" has no table named \"kana\".\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dump + " " + std::to_string(c.options.size()));
    const Folder folder;
    write_file(folder.dir.file("bad.tbl"), c.table);
    const std::string old = folder.dir.file("old.txt");
    write_file(old, "kept");
    const fs::file_time_type then = fs::last_write_time(old) - std::chrono::hours(1);
    fs::last_write_time(old, then);
    std::vector<std::string> args{"--std-table"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"rom.bin", "bad.tbl", c.dump, "0", "6"});
    const auto result = folder.run(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(folder.dir.file("new.txt")));
    EXPECT_EQ(read_file_bytes(old), "kept");
    EXPECT_EQ(fs::last_write_time(old), then);
  }
}

TEST(StandardTableCheck, StatusZeroWithNotesOnlyAndOneSummaryLine) {
  const struct {
    const char* what;
    std::vector<std::string> options;
    std::string table, report;
    int status;
  } cases[] = {
      {"notes only",
       {},
       "41=A\r\n4142=[AB]\r\n@main\r\n@other\r\n4143=x\r\n",
       "line 4, column 1: note: table \"other\" is not used: no switch reaches it from the first "
       "table: @other\n"
       "line 1, column 1: note: key 41 begins the longer key 4142: at each offset the longest key "
       "that matches wins: 41=A\n"
       "table \"main\": 2 entries: 2 text, 0 end, 0 line break, 0 control, 0 switch; by key "
       "length: 1 byte 1, 2 bytes 1\n"
       "table \"other\": 1 entry: 1 text, 0 end, 0 line break, 0 control, 0 switch; by key "
       "length: 2 bytes 1\n"
       "3 entries in 2 tables; 0 problems\n",
       0},
      {"warnings",
       {},
       "@main\r\n41=A\r\n41=B\r\n!F0<0>=,<@main>:0\r\n/FF\r\n$F1=[c],2\r\n*0A\r\n",
       "line 3, column 1: warning: key 41 was defined on line 2; this line wins: 41=B\n"
       "line 4, column 1: warning: switches of weight 0 into frames without an end lead back to "
       "table \"main\": they can nest without end, counting nothing: !F0<0>=,<@main>:0\n"
       "5 entries: 1 text, 1 end, 1 line break, 1 control, 1 switch; by key length: 1 byte 5; "
       "2 problems\n",
       1},
      {"an error in the table's encoding",
       {"--table-encoding", "shift-jis"},
       "82A0=\x82\r\n",
       "line 1, column 6: error: the value does not convert to UTF-8 from the table's encoding: "
       "82A0=\\x82\n"
       "0 entries: 0 text, 0 end, 0 line break, 0 control, 0 switch; by key length: none; "
       "1 problem\n",
       1},
      {"Shift-JIS values read as UTF-8",
       {},
       "8140=\x81\x40\r\n41=A\r\n82A0=\x82\xA0\r\n",
       "line 1, column 6: note: the value is not UTF-8: 8140=\\x81@\n"
       "line 3, column 6: note: the value is not UTF-8: 82A0=\\x82\\xA0\n"
       "note: 2 values are not UTF-8: --table-encoding shift-jis reads them\n"
       "3 entries: 3 text, 0 end, 0 line break, 0 control, 0 switch; by key length: 1 byte 1, 2 bytes 2; "
       "0 problems\n",
       0},
      {"a Windows-1252 value read as UTF-8",
       {},
       "41=caf\xE9\r\n",
       "line 1, column 4: note: the value is not UTF-8: 41=caf\\xE9\n"
       "note: 1 value is not UTF-8: --table-encoding windows-1252 reads it\n"
       "1 entry: 1 text, 0 end, 0 line break, 0 control, 0 switch; by key length: 1 byte 1; 0 problems\n",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Folder folder;
    write_file(folder.dir.file("check.tbl"), c.table);
    std::vector<std::string> args{"--check", "--std-table"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("check.tbl");
    const auto result = folder.run(args);
    EXPECT_EQ(result.out, c.report);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, c.status);
  }
}

TEST(StandardTableCheck, TheOwnFormatCheckerSuggestsStdTable) {
  const std::string note = "note: this looks like a standard table (keys of four or more digits, "
                           "# or @ lines, or /XX=label ends): check it with --check --std-table\n";
  const struct {
    std::string table;
    bool noted;
  } cases[] = {
      {"41=A\r\n4142=[AB]\r\n", true},   {"# menu\r\n41=A\r\n", true},
      {"@main\r\n41=A\r\n", true},       {"/FF=<end>\r\n", true},
      {"41=A\r\n/FF\r\n*FE\r\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    const Folder folder;
    write_file(folder.dir.file("check.tbl"), c.table);
    const auto result = folder.run({"--check", "check.tbl"});
    EXPECT_EQ(result.out.find(note) != std::string::npos, c.noted) << result.out;
  }
}

TEST(StandardTableRun, TableEncodingUsageErrors) {
  const struct {
    std::vector<std::string> args;
    std::string first_line; // of standard error, before the pointer to --help
  } cases[] = {
      {{"--table-encoding", "shift-jis", "--check", "std.tbl"},
       "textdump: --table-encoding requires --std-table\n"},
      {{"--table-encoding", "utf-8", "rom.bin", "std.tbl", "out.txt", "0", "1"},
       "textdump: --table-encoding requires --std-table\n"},
      {{"--std-table", "--table-encoding", "latin-9", "rom.bin", "std.tbl", "out.txt", "0", "1"},
       "textdump: unknown table encoding \"latin-9\" (use utf-8, windows-1252, shift-jis, "
       "euc-jp, euc-kr, big5, gbk, utf-16le or utf-16be)\n"},
      {{"--check", "--std-table", "--table-encoding=EUC", "std.tbl"},
       "textdump: unknown table encoding \"EUC\" (use utf-8, windows-1252, shift-jis, "
       "euc-jp, euc-kr, big5, gbk, utf-16le or utf-16be)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args[2]);
    const Folder folder;
    const auto result = folder.run(c.args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.first_line + "Try 'textdump --help'.\n");
    EXPECT_FALSE(fs::exists(folder.dir.file("out.txt")));
  }
}

} // namespace
} // namespace textdump
