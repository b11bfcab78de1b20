#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "hexutil/hexutil.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;

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

// Every character next to a digit range, the line-end characters and the bytes
// above 0x7F (which widen as signed bytes) are reported, once each, and read as 0.
TEST(HexReturn, ReportsEveryOtherCharacterAndGivesZero) {
  struct Case {
    char c;
    const char* shown;
  };
  const Case cases[] = {
      {'G', "47"},    {'/', "2f"},          {':', "3a"},          {'@', "40"},
      {'`', "60"},    {'g', "67"},          {'\r', "d"},          {'\n', "a"},
      {' ', "20"},    {'=', "3d"},          {'\0', "0"},          {'x', "78"},
      {'\x7F', "7f"}, {'\x80', "ffffff80"}, {'\xE9', "ffffffe9"}, {'\xFF', "ffffffff"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.shown);
    testing::CapturedConsole c;
    const std::string expected = "HEX VALUE ERROR:"s + k.shown + "\n";
    EXPECT_FALSE(is_hex_digit(k.c));
    EXPECT_EQ(hex_return(k.c, c.console), 0);
    EXPECT_EQ(*c.messages, expected);
    EXPECT_EQ(hex_error_text(k.c), expected);
    EXPECT_EQ(*c.pauses, 0);
  }
  // A console without a sink still gives 0 for a non-digit.
  EXPECT_EQ(hex_return('G', Console{}), 0);
}

TEST(HexToInt, AccumulatesHexModulo32Bits) {
  struct Case {
    std::string digits;
    std::uint32_t value;
    std::string reports;
  };
  const Case cases[] = {
      {"", 0, ""},
      {"1A", 26, ""},
      {"aBcD", 0xABCD, ""},
      {"ffffffff", 0xFFFFFFFF, ""},
      {"123456789", 0x23456789, ""},
      {"00000000000000000012", 0x12, ""},
      {"12G4", 0x1204, "HEX VALUE ERROR:47\n"},
      // A prefix is no prefix: "0" and an "x" that is reported and counts as 0.
      {"0x10", 0x10, "HEX VALUE ERROR:78\n"},
      // Each bad character is reported in order and still shifts the value.
      {"1 G\xE9", 0x1000, "HEX VALUE ERROR:20\nHEX VALUE ERROR:47\nHEX VALUE ERROR:ffffffe9\n"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.digits);
    testing::CapturedConsole c;
    EXPECT_EQ(hex_to_int(k.digits, c.console), k.value);
    EXPECT_EQ(*c.messages, k.reports);
  }
}

// The offsets typed at the prompts are C strings: the value ends at a NUL byte.
TEST(HexToInt, StopsAtNul) {
  testing::CapturedConsole c;
  EXPECT_EQ(hex_to_int("1\0"
                       "2"s,
                       c.console),
            0x1u);
  EXPECT_EQ(*c.messages, "");
}

TEST(CheckStr, WholeKeywordOrABeginningOfIt) {
  EXPECT_EQ(check_str("FIX", "FIXED"), 1);
  EXPECT_EQ(check_str("FIXED", "FIXED"), 1);
  EXPECT_EQ(check_str("", "FIXED"), 1);
  EXPECT_EQ(check_str("F", "FIXED"), 1);
  EXPECT_EQ(check_str("FIXEDS", "FIXED"), 0);
  EXPECT_EQ(check_str("FIXES", "FIXED"), 0);
  EXPECT_EQ(check_str("fixed", "FIXED"), 0);
  EXPECT_EQ(check_str("XFIXED", "FIXED"), 0);
  EXPECT_EQ(check_str("SN", "SNES"), 1);
  EXPECT_EQ(check_str("SNESS", "SNES"), 0);
  // The word ends at its first NUL, as a C string would.
  EXPECT_EQ(check_str("FI\0ZZ"s, "FIXED"), 1);
  EXPECT_EQ(check_str("\0ZZ"s, "TABLE"), 1);
  EXPECT_EQ(check_str("", ""), 1);
  EXPECT_EQ(check_str("A", ""), 0);
}

TEST(Power, APowerNPlusOneIn32Bits) {
  EXPECT_EQ(power(256, 0), 256);
  EXPECT_EQ(power(256, 1), 65536);
  EXPECT_EQ(power(256, 2), 16777216);
  EXPECT_EQ(power(256, 3), 0);
  EXPECT_EQ(power(2, -5), 2);
  EXPECT_EQ(power(2, 0), 2);
  EXPECT_EQ(power(-2, 2), -8);
  EXPECT_EQ(power(0, 4), 0);
  // Wrapping keeps the low 32 bits, sign bit included.
  EXPECT_EQ(power(2, 30), INT32_MIN);
  EXPECT_EQ(power(3, 20), 1870418611); // 3^21 mod 2^32
  EXPECT_EQ(power(INT32_MAX, 1), 1);   // (2^31 - 1)^2 mod 2^32
}

} // namespace
} // namespace textdump
