// textdump --make-patch and --apply-patch run as the built program: the names
// they take, the files they write (and leave alone when they refuse), their
// messages and exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

TEST(PatchCommands, MakeApplyAndRefusals) {
  TempDir dir;
  const std::string folder = dir.path().string();
  std::string rom(0x1000, '\0'), translated;
  for (std::size_t i = 0; i < rom.size(); ++i) rom[i] = static_cast<char>(i * 7);
  translated = rom;
  translated.replace(0x100, 5, "Hello");
  write_file(dir.file("game.bin"), rom);
  write_file(dir.file("new.bin"), translated);
  const auto exists = [&](const char* name) { return std::filesystem::exists(dir.file(name)); };

  for (const char* patch : {"game.bps", "game.IPS", "game.ups"}) {
    SCOPED_TRACE(patch);
    const auto made = run_program(folder, {"--make-patch", "game.bin", "new.bin", patch}, "");
    EXPECT_EQ(made.status, 0);
    EXPECT_EQ(made.out + made.err, "");
    const auto applied = run_program(folder, {"--apply-patch", patch, "game.bin", "out.bin"}, "");
    EXPECT_EQ(applied.status, 0);
    EXPECT_EQ(applied.out + applied.err, "");
    EXPECT_EQ(read_file_bytes(dir.file("out.bin")), translated);
    std::filesystem::remove(dir.file("out.bin"));
  }

  // Refused before anything is written: OUT is not created.
  const auto wrong = run_program(folder, {"--apply-patch", "game.bps", "new.bin", "out.bin"}, "");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(
      wrong.err.rfind("Can't apply \"game.bps\" to \"new.bin\": the ROM is patched already", 0), 0u)
      << wrong.err;
  EXPECT_FALSE(exists("out.bin"));
  const auto into_rom =
      run_program(folder, {"--apply-patch", "game.bps", "game.bin", "game.bin"}, "");
  EXPECT_EQ(into_rom.status, 1);
  EXPECT_EQ(into_rom.err, "Won't write the patched file \"game.bin\": it is the ROM file.\n");
  EXPECT_EQ(read_file_bytes(dir.file("game.bin")), rom);

  // Usage errors: the format comes from PATCH's extension; three names each.
  const auto zip = run_program(folder, {"--make-patch", "game.bin", "new.bin", "game.zip"}, "");
  EXPECT_EQ(zip.status, 2);
  EXPECT_EQ(zip.err, "textdump: PATCH \"game.zip\": its name ends in .bps, .ips or .ups, the "
                     "format it is written in\nTry 'textdump --help'.\n");
  EXPECT_FALSE(exists("game.zip"));
  const auto two = run_program(folder, {"--apply-patch", "game.bps", "game.bin"}, "");
  EXPECT_EQ(two.status, 2);
  EXPECT_EQ(two.err.rfind("textdump: --apply-patch takes 3 names, PATCH ROM OUT; 2 given\n", 0), 0u)
      << two.err;
}

} // namespace
} // namespace textdump
