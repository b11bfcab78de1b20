#include <gtest/gtest.h>

#include "hexutil/hexutil.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

TEST(HexReturn, DigitsOfBothCases) {
  testing::CapturedConsole c;
  EXPECT_EQ(hex_return('0', c.console), 0);
  EXPECT_EQ(hex_return('9', c.console), 9);
  EXPECT_EQ(hex_return('A', c.console), 10);
  EXPECT_EQ(hex_return('a', c.console), 10);
  EXPECT_EQ(hex_return('F', c.console), 15);
  EXPECT_EQ(hex_return('f', c.console), 15);
  EXPECT_EQ(*c.messages, "");
}

} // namespace
} // namespace textdump
