#include <gtest/gtest.h>

#include "support/run_program.hpp"

namespace textdump {
namespace {

using testing::run_program;
using testing::TempDir;

// The worked example: 41 42 FE 00 FD through a table of texts and markers.
TEST(Dialogue, DumpsTextsMarkersAndUndefinedBytes) {
  TempDir dir;
  testing::write_file(dir.file("game.bin"), std::string("AB\xFE\x00\xFD", 5));
  testing::write_file(dir.file("font.tbl"), "41=ABC\r\n42=DE\r\n\\FE\r\n/FD\r\n");
  const auto result = run_program(dir.path().string(), {}, "game.bin font.tbl out.txt 0 4\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, testing::dialogue_output());
  EXPECT_EQ(testing::read_file_bytes(dir.file("out.txt")), "ABCDE[WAIT]\r\n(00)[END]\r\n");
}

} // namespace
} // namespace textdump
