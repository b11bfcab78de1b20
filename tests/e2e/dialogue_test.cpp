// The dialogue where a case folder cannot hold it: a dump file that is an
// input through a link, and a standard input that stays open.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::answers;
using testing::prompts;
using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

const std::string FONT = "41=ABC\r\n42=DE\r\n\\FE\r\n/FD\r\n";
const std::string GAME("AB\xFE\x00\xFD", 5);

struct Game {
  TempDir dir;
  Game() {
    write_file(dir.file("game.bin"), GAME);
    write_file(dir.file("font.tbl"), FONT);
  }
  std::string folder() const { return dir.path().string(); }
};

// A dump file that is the ROM or the table through a symbolic or a hard link
// is refused before anything is truncated.
TEST(Dialogue, DumpFileThatIsAnInputThroughALinkIsRefused) {
  Game game;
  fs::create_symlink("game.bin", game.dir.file("link.bin"));
  fs::create_hard_link(game.dir.file("game.bin"), game.dir.file("hard.bin"));
  fs::create_symlink("font.tbl", game.dir.file("link.tbl"));
  fs::create_hard_link(game.dir.file("font.tbl"), game.dir.file("hard.tbl"));
  for (const auto& [dump, which] : {std::pair{"link.bin", "ROM file"},
                                    {"hard.bin", "ROM file"},
                                    {"link.tbl", "table file"},
                                    {"hard.tbl", "table file"}}) {
    SCOPED_TRACE(dump);
    const auto result =
        run_program(game.folder(), {}, answers("game.bin", "font.tbl", dump, "0", "4"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              prompts() + "Won't write the dump file \"" + dump + "\": it is the " + which + ".\n");
    EXPECT_EQ(read_file_bytes(game.dir.file("game.bin")), GAME);
    EXPECT_EQ(read_file_bytes(game.dir.file("font.tbl")), FONT);
  }
  EXPECT_TRUE(fs::is_symlink(game.dir.file("link.bin")));
}

// Standard input that is not a terminal: the pause waits for nothing, so a run
// ends even while its input stays open with more text to come.
TEST(Dialogue, PauseNeverWaitsWithoutATerminal) {
  Game game;
  const auto complete = run_program(
      game.folder(), {}, answers("game.bin", "font.tbl", "out.txt", "0", "4") + "more", true);
  EXPECT_FALSE(complete.timed_out);
  EXPECT_EQ(complete.status, 0);
  EXPECT_EQ(complete.out, prompts() + "END PROGRAM.\n");
  EXPECT_EQ(read_file_bytes(game.dir.file("out.txt")), "ABCDE[WAIT]\r\n(00)[END]\r\n");

  const auto failed =
      run_program(game.folder(), {}, answers("x", "font.tbl", "out.txt", "0", "4") + "more", true);
  EXPECT_FALSE(failed.timed_out);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, prompts() + "Can't open the ROM file \"x\".\n");
}

} // namespace
} // namespace textdump
