// Hostile inputs too large for a case folder, run through the built program:
// a table of a megabyte, texts and keywords of 100,000 characters, a ROM past
// 4 GiB, and a ROM cut short while it is read. Each run ends with its
// documented result within the time limit, the inputs left as they were.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

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

// The loader keeps every text whole wherever it lies.
TEST(HostileInput, HugeTablesAndTexts) {
  TempDir dir;
  const std::string rom("\x42\x41\x7E\x80\x00\x43", 6);
  write_file(dir.file("rom.bin"), rom);

  // Exactly 1 MiB: a text at the start, 256-byte filler lines, and the last
  // texts far beyond offset 0xFFF0.
  const std::string head = "42=head\r\n", tail = "41=tail\r\n/00\r\n";
  std::string big = head;
  const std::size_t size = 1 << 20;
  while (big.size() + 256 + tail.size() < size) big += "7E=" + std::string(251, 'x') + "\r\n";
  const std::size_t last_filler = size - big.size() - tail.size() - 5;
  big += "7E=" + std::string(last_filler, 'y') + "\r\n" + tail;
  ASSERT_EQ(big.size(), size);
  write_file(dir.file("big.tbl"), big);

  // One text of 100,000 characters, and a keyword of 100,000 characters that
  // selects nothing.
  std::string long_text;
  for (int i = 0; i < 10000; ++i) long_text += "0123456789";
  const std::string long_table =
      "41=" + long_text + "\r\n$80=" + std::string(100000, 'F') + ",1,2,3\r\n/00\r\n43=C";
  write_file(dir.file("long.tbl"), long_table);

  for (const auto& [table, dump] :
       {std::pair{"big.tbl", "headtail" + std::string(last_filler, 'y') + "(80)[END]\r\n(43)"},
        {"long.tbl", "(42)" + long_text + "(7E)(80)[END]\r\nC"}}) {
    SCOPED_TRACE(table);
    const auto result =
        run_program(dir.path().string(), {}, answers("rom.bin", table, "out.txt", "0", "5"));
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, prompts() + "END PROGRAM.\n");
    EXPECT_EQ(read_file_bytes(dir.file("out.txt")), dump);
  }
  EXPECT_EQ(read_file_bytes(dir.file("big.tbl")), big);
  EXPECT_EQ(read_file_bytes(dir.file("long.tbl")), long_table);
  EXPECT_EQ(read_file_bytes(dir.file("rom.bin")), rom);
}

// A sparse file one byte larger than a 32-bit offset reaches is refused.
TEST(HostileInput, RomLargerThanAnOffsetReaches) {
  TempDir dir;
  write_file(dir.file("font.tbl"), "41=A\r\n");
  write_file(dir.file("huge.rom"), "");
  fs::resize_file(dir.file("huge.rom"), (std::uintmax_t{1} << 32) + 1);
  const auto result =
      run_program(dir.path().string(), {"huge.rom", "font.tbl", "out.txt", "0", "1"}, "");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "The ROM file \"huge.rom\" is larger than 4 GiB, the most an offset reaches.\n");
  EXPECT_FALSE(fs::exists(dir.file("out.txt")));
}

// A ROM file cut short while the tool dumps it: a message naming it and status
// 1 (or a complete run when the cut came first, every offset then read as FF,
// which the table writes as one byte), never a crash.
TEST(HostileInput, RomThatShrinksWhileItIsRead) {
  TempDir dir;
  write_file(dir.file("font.tbl"), "41=A\r\nFF=A\r\n");
  const std::string rom = dir.file("big.rom");
  int reported = 0;
  for (int attempt = 0; attempt < 6; ++attempt) {
    write_file(rom, std::string(std::size_t{32} << 20, 'A'));
    std::thread cut([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(5 + 10 * attempt));
      fs::resize_file(rom, 0);
    });
    const auto result =
        run_program(dir.path().string(), {"big.rom", "font.tbl", "out.txt", "0", "1FFFFFF"}, "");
    cut.join();
    SCOPED_TRACE(attempt);
    ASSERT_NE(result.status, -1) << "ended by a signal";
    if (result.status == 1) {
      ++reported;
      EXPECT_EQ(result.err, "The ROM file \"big.rom\" changed while it was read.\n");
    }
  }
  std::printf("%d of 6 runs met the cut\n", reported);
}

} // namespace
} // namespace textdump
