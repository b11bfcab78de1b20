// Hexadecimal digits and numbers, the characters they report, the text that
// reports them, and keyword prefixes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/common/messages.hpp"
#include "core/base/base.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;

// Every character next to a digit range, the line-end characters and the bytes
// above 0x7F (which widen as signed bytes) are reported, once each, and read as 0.
TEST(HexReturn, ReportsEveryOtherCharacterAndGivesZero) {
  const struct {
    char c;
    const char* shown;
  } cases[] = {
      {'G', "47"},    {'/', "2f"},          {':', "3a"},          {'@', "40"},
      {'`', "60"},    {'g', "67"},          {'\r', "d"},          {'\n', "a"},
      {' ', "20"},    {'=', "3d"},          {'\0', "0"},          {'x', "78"},
      {'\x7F', "7f"}, {'\x80', "ffffff80"}, {'\xE9', "ffffffe9"}, {'\xFF', "ffffffff"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.shown);
    std::vector<char> bad;
    EXPECT_FALSE(is_hex_digit(k.c));
    EXPECT_EQ(hex_return(k.c, &bad), 0);
    EXPECT_EQ(bad, std::vector<char>{k.c});
    EXPECT_EQ(hex_error_text(k.c), "HEX VALUE ERROR:"s + k.shown + "\n");
  }
  EXPECT_EQ(hex_return('G'), 0); // without a list to report to
}

TEST(HexToInt, AccumulatesHexModulo32Bits) {
  const struct {
    std::string digits;
    std::uint32_t value;
    std::string bad;
  } cases[] = {
      {"", 0, ""},
      {"1A", 26, ""},
      {"aBcD", 0xABCD, ""},
      {"ffffffff", 0xFFFFFFFF, ""},
      {"123456789", 0x23456789, ""},
      {"00000000000000000012", 0x12, ""},
      {"12G4", 0x1204, "G"},
      // A prefix is no prefix: "0" and an "x" that is reported and counts as 0.
      {"0x10", 0x10, "x"},
      // Each bad character is reported in order and still shifts the value.
      {"1 G\xE9", 0x1000, " G\xE9"},
      // The offsets typed at the prompts are C strings: the value ends at a NUL byte.
      {"1\0G2"s, 0x1, ""},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.digits);
    std::vector<char> bad;
    EXPECT_EQ(hex_to_int(k.digits, &bad), k.value);
    EXPECT_EQ(std::string(bad.begin(), bad.end()), k.bad);
  }
}

TEST(CheckStr, WholeKeywordOrABeginningOfIt) {
  const struct {
    std::string word, keyword;
    bool matches;
  } cases[] = {
      {"FIX", "FIXED", true},
      {"FIXED", "FIXED", true},
      {"", "FIXED", true},
      {"F", "FIXED", true},
      {"FIXEDS", "FIXED", false},
      {"FIXES", "FIXED", false},
      {"fixed", "FIXED", false},
      {"XFIXED", "FIXED", false},
      {"SN", "SNES", true},
      {"SNESS", "SNES", false},
      {"", "", true},
      {"A", "", false},
      // The word ends at its first NUL, as a C string would.
      {"FI\0ZZ"s, "FIXED", true},
      {"\0ZZ"s, "TABLE", true},
  };
  for (const auto& k : cases) EXPECT_EQ(check_str(k.word, k.keyword), k.matches) << k.word;
}

} // namespace
} // namespace textdump
