// Table switching between a numbered family of table files, run as the built
// program with families written by the tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;

using testing::bytes;

void write_in(const TempDir& dir, const std::string& name, std::string_view content) {
  const fs::path path = dir.path() / name;
  fs::create_directories(path.parent_path());
  testing::write_file(path.string(), content);
}

// A command-line run of game.bin from 0 to end through the typed table.
testing::ProgramResult dump(const TempDir& dir, const std::string& table, const std::string& out,
                            const std::string& end) {
  return run_program(dir.path().string(), {"game.bin", table, out, "0", end}, "");
}

const std::string KANA0 = "41=A\r\n42=B\r\n43=C\r\n*FE\r\n/FF\r\n$F0=TABLE,1\r\n";

TEST(TableSwitching, TableDigitsOfTheFamily) {
  struct Case {
    const char* typed;
    const char* table_number;
    const char* member;   // the file the switch must load: 41=m
    const char* restored; // the file the restore must load: 41=r, or the typed file (41=A)
  };
  const Case cases[] = {
      {"kana0.tbl", "1", "kana1.tbl", "kana0.tbl"},
      {"kana0.tbl", "A", "kana:.tbl", "kana0.tbl"},
      {"kana0.tbl", "10", "kana@.tbl", "kana0.tbl"},
      {"kana0.tbl", "101", "kana1.tbl", "kana0.tbl"}, // low 8 bits: table 1
      {"old.tables/kana0.tbl", "1", "old.tables/kana1.tbl", "old.tables/kana0.tbl"},
      {"./kana0.tbl", "2", "./kana2.tbl", "./kana0.tbl"},
      {"font.tbl", "1", "fon1.tbl", "fon0.tbl"},
      // The first table is loaded under the name as typed, whatever its digit.
      {"kana5.tbl", "1", "kana1.tbl", "kana0.tbl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + " TABLE," + c.table_number);
    TempDir dir;
    write_in(dir, c.typed, std::string("41=A\r\n/FF\r\n$F0=TABLE,") + c.table_number + "\r\n");
    write_in(dir, c.member, "41=m\r\n");
    const bool back_to_typed = std::string_view(c.restored) == c.typed;
    if (!back_to_typed) write_in(dir, c.restored, "41=r\r\n");
    write_in(dir, "game.bin", bytes({0x41, 0xF0, 0x41, 0xFF, 0x41}));
    const auto run = dump(dir, c.typed, "-", "4");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, std::string("Am[END]\r\n") + (back_to_typed ? "A" : "r"));
  }
}

TEST(TableSwitching, SwitchesInARowAndTableZero) {
  TempDir dir;
  // Two switches before one END: the second rewrites the same digit, one restore.
  write_in(dir, "kana0.tbl", "41=A\r\n/FF\r\n$F1=TABLE,1\r\n$F2=TABLE,2\r\n");
  write_in(dir, "kana1.tbl", "41=a\r\n");
  write_in(dir, "kana2.tbl", "41=b\r\n");
  write_in(dir, "game.bin", bytes({0x41, 0xF1, 0x41, 0xF2, 0x41, 0xFF, 0x41}));
  EXPECT_EQ(dump(dir, "kana0.tbl", "-", "6").out, "Aab[END]\r\nA");

  // With kana5.tbl typed and no kana0.tbl, an END reloads nothing while no switch
  // is in force; table number 0 loads kana0.tbl.
  write_in(dir, "kana5.tbl", "41=A\r\n/FF\r\n$F0=TABLE,0\r\n");
  write_in(dir, "game.bin", bytes({0x41, 0xFF, 0x41}));
  auto run = dump(dir, "kana5.tbl", "-", "2");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "A[END]\r\nA");
  EXPECT_EQ(run.err, "");
  write_in(dir, "game.bin", bytes({0x41, 0xF0, 0x41, 0xFF, 0x41}));
  write_in(dir, "kana0.tbl", "41=z\r\n");
  run = dump(dir, "kana5.tbl", "-", "4");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Az[END]\r\nz");
}

TEST(TableSwitching, AFailedSwitchOrRestoreEndsTheRunAfterWhatWasWritten) {
  const std::string failed_open = "Can't open the table file \"kana1.tbl\".\n";
  {
    TempDir dir;
    write_in(dir, "kana0.tbl", KANA0);
    write_in(dir, "game.bin", bytes({0x41, 0x42, 0xF0, 0x41, 0xFF}));
    std::string prompts = testing::dialogue_output();
    prompts.resize(prompts.size() - std::string_view("END PROGRAM.\n").size());
    const auto dialogue = run_program(dir.path().string(), {}, "game.bin kana0.tbl out.txt 0 4\n");
    EXPECT_EQ(dialogue.status, 1);
    EXPECT_EQ(dialogue.out, prompts + failed_open);
    EXPECT_EQ(read_file_bytes(dir.file("out.txt")), "AB");

    const auto run = dump(dir, "kana0.tbl", "-", "4");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "AB");
    EXPECT_EQ(run.err, failed_open);
  }

  struct Case {
    const char* what;
    const char* typed;
    std::vector<std::pair<std::string, std::string>> files;
    std::string rom;
    std::string dump; // the dump file afterwards
    std::string message;
  };
  const Case cases[] = {
      {"a failed restore writes no [END]",
       "kana1.tbl",
       {{"kana1.tbl", "41=A\r\n/FF\r\n$F0=TABLE,2\r\n"}, {"kana2.tbl", "41=b\r\n"}},
       bytes({0x41, 0xF0, 0x41, 0xFF, 0x41}),
       "Ab",
       "Can't open the table file \"kana0.tbl\".\n"},
      {"a file-name part without a '.' has no table digit",
       "old.tables/kana",
       {{"old.tables/kana", "41=A\r\n$F0=TABLE,1\r\n"}, {"ol1.tables/kana", "41=x\r\n"}},
       bytes({0x41, 0xF0, 0x41}),
       "A",
       "Can't open the table file \"old.tables/kana\".\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    for (const auto& [name, content] : c.files) write_in(dir, name, content);
    write_in(dir, "game.bin", c.rom);
    // Fewer than ten ROM bytes: the last offset reads the same in decimal and hex.
    const auto run = dump(dir, c.typed, "out.txt", std::to_string(c.rom.size() - 1));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(read_file_bytes(dir.file("out.txt")), c.dump);
  }
}

} // namespace
} // namespace textdump
