// The console dialogue run as the built program: the five answers on standard
// input, then standard output, the exit status and the files compared byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/limited_run.hpp"
#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::answers;
using testing::folder_listing;
using testing::prompts_then;
using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

const std::string FONT = "41=ABC\r\n42=DE\r\n\\FE\r\n/FD\r\n";
const std::string GAME("AB\xFE\x00\xFD", 5);

// A folder holding game.bin and font.tbl.
struct Game {
  TempDir dir;
  Game() {
    write_file(dir.file("game.bin"), GAME);
    write_file(dir.file("font.tbl"), FONT);
  }
  std::string folder() const { return dir.path().string(); }
  std::string file(std::string_view name) const { return dir.file(name); }
  bool exists(std::string_view name) const { return fs::exists(fs::symlink_status(file(name))); }
  // The ROM and the table as written: no run may change them.
  void expect_inputs_intact() const {
    EXPECT_EQ(read_file_bytes(file("game.bin")), GAME);
    EXPECT_EQ(read_file_bytes(file("font.tbl")), FONT);
  }
};

std::string failure_output(std::string_view message) {
  return prompts_then() + std::string(message);
}

// 41 42 FE 00 FD through a table of texts and markers: every simple kind at once.
TEST(Dialogue, DumpsTextsMarkersAndUndefinedBytes) {
  Game game;
  const auto result = run_program(game.folder(), {}, "game.bin font.tbl out.txt 0 4\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "Quarvel. v0.03 by Zebrinth\nROM FILE NAME :TABLE FILE NAME :DUMP TO FILE :"
                        "START OFFSET :END OFFSET :END PROGRAM.\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(read_file_bytes(game.file("out.txt")), "ABCDE[WAIT]\r\n(00)[END]\r\n");
  game.expect_inputs_intact();
}

// Offsets are hexadecimal of any case and length; a non-digit is reported right
// after the prompt of its own offset and counts as a 0 digit.
TEST(Dialogue, OffsetWords) {
  TempDir dir;
  std::string rom(0x8002, '\0');
  rom[0x7FFF] = '\xAB';
  rom[0x8000] = '\xCD';
  rom[0x8001] = '\x0A';
  write_file(dir.file("rom.bin"), rom);
  write_file(dir.file("empty.tbl"), "");
  struct Case {
    const char* start;
    const char* end;
    std::string reports_after_start;
    std::string reports_after_end;
    std::string dump;
  };
  const std::vector<Case> cases = {
      {"0x8000", "8001", "HEX VALUE ERROR:78\n", "", "(CD)(0A)"},
      {"7fff", "7FFF", "", "", "(AB)"},
      {"7FFF", "0X8000", "", "HEX VALUE ERROR:58\n", "(AB)(CD)"},
      {"123400007ffF", "FFFFFFFF00008001", "", "", "(AB)(CD)(0A)"},
      {"8001", "8000", "", "", ""}, // start after end: an empty dump and a complete run
      {"0", "0", "", "", "(00)"},
      // Bytes from 0x80 up are reported sign-extended: an accented letter in UTF-8.
      {"\xC3\xA9"
       "1",
       "1", "HEX VALUE ERROR:ffffffc3\nHEX VALUE ERROR:ffffffa9\n", "", "(00)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.start) + " " + c.end);
    const auto result = run_program(dir.path().string(), {},
                                    answers("rom.bin", "empty.tbl", "out.txt", c.start, c.end));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              prompts_then(c.reports_after_start, c.reports_after_end) + "END PROGRAM.\n");
    EXPECT_EQ(read_file_bytes(dir.file("out.txt")), c.dump);
  }
}

// A word ends at white space: what follows a space answers the next prompt.
TEST(Dialogue, NameWithSpaceAnswersTheNextPrompt) {
  Game game;
  // Typed "my game.bin" at the ROM prompt: the ROM is "my", the table game.bin,
  // the dump font.tbl and START OFFSET the word out.txt (seven non-digits).
  const auto result = run_program(game.folder(), {}, "my game.bin\nfont.tbl\nout.txt\n0\n4\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts_then("HEX VALUE ERROR:6f\nHEX VALUE ERROR:75\nHEX VALUE ERROR:74\n"
                                     "HEX VALUE ERROR:2e\nHEX VALUE ERROR:74\nHEX VALUE ERROR:78\n"
                                     "HEX VALUE ERROR:74\n") +
                            "Can't open the ROM file \"my\".\n");
  EXPECT_FALSE(game.exists("out.txt"));
  game.expect_inputs_intact();
}

// The files are opened ROM, dump, table: a failure names the file, exits 1, and
// leaves a dump file only when it happened after the dump was created.
TEST(Dialogue, FilesThatCannotBeOpened) {
  Game game;
  fs::create_directory(game.file("romdir"));
  fs::create_directory(game.file("tbldir"));
  fs::create_directory(game.file("sub"));
  struct Case {
    std::string rom, table, dump;
    bool dump_there_before; // out.txt holds "old" before the run
    std::string message;
    std::optional<std::string> dump_after; // nullopt: out.txt must not exist
  };
  const std::vector<Case> cases = {
      {"x", "font.tbl", "out.txt", false, "Can't open the ROM file \"x\".\n", std::nullopt},
      {"x", "font.tbl", "out.txt", true, "Can't open the ROM file \"x\".\n", "old"},
      {"romdir", "font.tbl", "out.txt", false, "Can't open the ROM file \"romdir\".\n",
       std::nullopt},
      {"game.bin", "t", "out.txt", false, "Can't open the table file \"t\".\n", ""},
      // An existing dump file is not emptied before the table has loaded.
      {"game.bin", "t", "out.txt", true, "Can't open the table file \"t\".\n", "old"},
      {"game.bin", "tbldir", "out.txt", false, "Can't open the table file \"tbldir\".\n", ""},
      {"game.bin", "font.tbl", "nodir/out.txt", false,
       "Can't create the dump file \"nodir/out.txt\": " + std::string(std::strerror(ENOENT)) +
           ".\n",
       std::nullopt},
      {"game.bin", "font.tbl", "sub", false,
       "Can't create the dump file \"sub\": " + std::string(std::strerror(EISDIR)) + ".\n",
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rom + " " + c.table + " " + c.dump);
    fs::remove(game.file("out.txt"));
    if (c.dump_there_before) write_file(game.file("out.txt"), "old");
    const auto result = run_program(game.folder(), {}, answers(c.rom, c.table, c.dump, "0", "4"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, failure_output(c.message));
    if (c.dump_after) {
      EXPECT_EQ(read_file_bytes(game.file("out.txt")), *c.dump_after);
    } else {
      EXPECT_FALSE(game.exists("out.txt"));
    }
    EXPECT_TRUE(fs::is_directory(game.file("sub")));
    game.expect_inputs_intact();
  }
}

// A dump file that is the ROM or the table, however it is named, is refused
// before anything is truncated.
TEST(Dialogue, DumpFileThatIsAnInputIsRefused) {
  Game game;
  fs::create_directory(game.file("sub"));
  fs::create_symlink("game.bin", game.file("link.bin"));
  fs::create_hard_link(game.file("game.bin"), game.file("hard.bin"));
  fs::create_symlink("font.tbl", game.file("link.tbl"));
  fs::create_hard_link(game.file("font.tbl"), game.file("hard.tbl"));
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"game.bin", "ROM file"},     {"./game.bin", "ROM file"}, {"sub/../game.bin", "ROM file"},
      {"link.bin", "ROM file"},     {"hard.bin", "ROM file"},   {"font.tbl", "table file"},
      {"./font.tbl", "table file"}, {"link.tbl", "table file"}, {"hard.tbl", "table file"},
  };
  for (const auto& [dump, which] : cases) {
    SCOPED_TRACE(dump);
    const auto result =
        run_program(game.folder(), {}, answers("game.bin", "font.tbl", dump, "0", "4"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, failure_output("Won't write the dump file \"" + dump + "\": it is the " +
                                         which + ".\n"));
    game.expect_inputs_intact();
  }
  EXPECT_TRUE(fs::is_symlink(game.file("link.bin")));
  EXPECT_EQ(read_file_bytes(game.file("hard.tbl")), FONT);
}

// A dump that cannot be written is a failure: one line, status 1, no END PROGRAM.
TEST(Dialogue, DumpToAFullDevice) {
  Game game;
  // Twenty bytes, then about 2 MiB: more than one buffer's worth of failing writes.
  for (const char* end : {"4", "80000"}) {
    SCOPED_TRACE(end);
    const auto result =
        run_program(game.folder(), {}, answers("game.bin", "font.tbl", "/dev/full", "0", end));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, failure_output("Can't write the dump file \"/dev/full\": " +
                                         std::string(std::strerror(ENOSPC)) + ".\n"));
    game.expect_inputs_intact();
  }
}

// Standard input that ends before the five answers: no file is opened or created.
TEST(Dialogue, InputEndingEarly) {
  Game game;
  const std::string listing = folder_listing(game.dir.path());
  const std::vector<std::string> words = {"game.bin", "font.tbl", "out.txt", "0", "4"};
  const std::vector<std::string> prompts = {
      "ROM FILE NAME :", "TABLE FILE NAME :", "DUMP TO FILE :", "START OFFSET :", "END OFFSET :"};
  for (std::size_t given = 0; given < 5; ++given) {
    std::string input, expected = "Quarvel. v0.03 by Zebrinth\n";
    for (std::size_t i = 0; i < given; ++i) {
      input += words[i] + (i % 2 == 0 ? " " : "\r\n");
      expected += prompts[i];
    }
    expected += prompts[given] + "\nInput ended before all five answers were given.\n";
    for (const std::string tail : {"", "  \n\t"}) {
      SCOPED_TRACE(input + tail);
      const auto result = run_program(game.folder(), {}, input + tail);
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, expected);
      EXPECT_EQ(folder_listing(game.dir.path()), listing);
    }
  }
  game.expect_inputs_intact();
}

// Standard input that is not a terminal: the pause waits for nothing, so a run
// ends even while its input stays open with more text to come.
TEST(Dialogue, PauseNeverWaitsWithoutATerminal) {
  Game game;
  const auto complete = testing::run_program_limited(
      game.folder(), answers("game.bin", "font.tbl", "out.txt", "0", "4") + "more", true);
  EXPECT_FALSE(complete.timed_out);
  EXPECT_EQ(complete.status, 0);
  EXPECT_EQ(complete.out, testing::dialogue_output());
  EXPECT_EQ(read_file_bytes(game.file("out.txt")), "ABCDE[WAIT]\r\n(00)[END]\r\n");

  const auto failed = testing::run_program_limited(
      game.folder(), answers("x", "font.tbl", "out.txt", "0", "4") + "more", true);
  EXPECT_FALSE(failed.timed_out);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, failure_output("Can't open the ROM file \"x\".\n"));
}

} // namespace
} // namespace textdump
