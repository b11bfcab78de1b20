// Whole-file reads from what never ends: a device stops being read at a small
// bound whatever the caller allows a regular file.
#include <gtest/gtest.h>

#include <string>

#include "io/files.hpp"

namespace textdump {
namespace {

TEST(ReadFile, ADeviceIsReadNoFurtherThanTheStreamBound) {
  if (!file_opens("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
  std::string bytes;
  EXPECT_EQ(read_file("/dev/zero", bytes, std::uint64_t{1} << 30), ReadStatus::too_large);
  EXPECT_LE(bytes.size(), STREAM_READ_LIMIT);
}

} // namespace
} // namespace textdump
