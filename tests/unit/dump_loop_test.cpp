// The dump loop over hand-placed entries: what each kind writes, the range
// rules, reads past the end of the ROM and the copier header size.
#include <gtest/gtest.h>

#include "support/engine_fixture.hpp"

namespace textdump {
namespace {

using testing::bytes;
using testing::EngineFixture;

TEST(DumpLoop, MixedKindsGiveTheTwentyFourByteDump) {
  EngineFixture e(bytes({0x41, 0x42, 0xFE, 0x00, 0xFD}));
  e.text(0x41, "abc");
  e.text(0x42, "de");
  e.kind(0xFE, CODE_WAIT);
  e.kind(0xFD, CODE_END);
  EXPECT_EQ(e.run(0, 4), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "abcde[WAIT]\r\n(00)[END]\r\n");
  EXPECT_EQ(e.out.out_pos, 24u);
  EXPECT_EQ(e.messages(), "");
  EXPECT_EQ(e.pauses(), 0);
}

TEST(DumpLoop, EveryKindWritesItsBytesAndNoneEndsTheDump) {
  struct Case {
    int code;
    std::uint32_t value; // CODE_UNDEFINED leaves the byte without an entry; 1 is a text
    std::string text;
    std::string expected; // for one occurrence
  };
  const Case cases[] = {
      {0x0A, CODE_UNDEFINED, "", "(0A)"},
      {0xAB, CODE_UNDEFINED, "", "(AB)"},
      {0x00, CODE_UNDEFINED, "", "(00)"},
      {0x20, CODE_LINE_BREAK, "", "\r\n"},
      {0x21, CODE_END, "", "[END]\r\n"},
      {0x22, CODE_WAIT, "", "[WAIT]\r\n"},
      {0x23, 1, "", ""},
      {0x24, 1, std::string("x\xFF\0y", 4), std::string("x\xFF\0y", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EngineFixture e(bytes({c.code, c.code}));
    if (c.value == 1)
      e.text(static_cast<std::uint8_t>(c.code), c.text);
    else
      e.kind(static_cast<std::uint8_t>(c.code), c.value);
    EXPECT_EQ(e.run(0, 1), DumpEnd::complete);
    EXPECT_EQ(e.dump(), c.expected + c.expected);
    EXPECT_EQ(e.out.out_pos, 2 * c.expected.size());
    EXPECT_EQ(e.state.rom_pos, 2u);
  }
}

TEST(DumpLoop, RangeBoundsAndReadsPastTheRomEnd) {
  {
    EngineFixture e(bytes({0x41}));
    e.text(0x41, "a");
    EXPECT_EQ(e.run(0, 3), DumpEnd::complete);
    EXPECT_EQ(e.dump(), "a(FF)(FF)(FF)");
  }
  {
    EngineFixture e(bytes({0x41}));
    e.text(0xFF, "<ff>");
    e.run(1, 2);
    EXPECT_EQ(e.dump(), "<ff><ff>") << "a byte past the end is decoded through the entry of 0xFF";
  }
  {
    EngineFixture e; // an empty ROM
    e.run(0, 1);
    EXPECT_EQ(e.dump(), "(FF)(FF)");
    EXPECT_EQ(e.state.header_size, 0u);
  }
  {
    EngineFixture e(bytes({0x41, 0x42}));
    EXPECT_EQ(e.run(1, 0), DumpEnd::complete);
    EXPECT_EQ(e.dump(), "");
    EXPECT_EQ(e.out.out_pos, 0u);
  }
  {
    EngineFixture e(bytes({0x41, 0x42, 0x43}));
    e.run(1, 1);
    EXPECT_EQ(e.dump(), "(42)");
  }
  {
    // No 32-bit position is past 0xFFFFFFFF: the loop ends after decoding it.
    EngineFixture e(bytes({0x41}));
    EXPECT_EQ(e.run(0xFFFFFFF0u, 0xFFFFFFFFu), DumpEnd::complete);
    std::string expected;
    for (int i = 0; i < 16; ++i) expected += "(FF)";
    EXPECT_EQ(e.dump(), expected);
  }
}

TEST(DumpLoop, UnassignedValuesPauseOncePerOccurrenceAndWriteNothing) {
  EngineFixture e(bytes({0x01, 0x41, 0x02, 0x03, 0x01, 0x04, 0x41}));
  e.kind(0x01, 0xFFFB);
  e.kind(0x02, 0xFFF5);
  e.kind(0x03, 0x10000);
  e.kind(0x04, 0xFFF1);
  e.text(0x41, "a");
  EXPECT_EQ(e.run(0, 6), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "aa");
  EXPECT_EQ(e.pauses(), 5);
  EXPECT_EQ(e.messages(), "");
}

TEST(DumpLoop, HeaderSizeIsTheRomSizeModulo2048) {
  const std::pair<std::size_t, std::uint32_t> cases[] = {
      {0x100000, 0}, {0x100200, 0x200}, {0x1007FF, 0x7FF}, {0x800, 0}, {5, 5}};
  for (const auto& [size, header] : cases) {
    EngineFixture e(std::string(size, '\0'));
    e.run(1, 0);
    EXPECT_EQ(e.state.header_size, header) << std::hex << size;
  }
}

} // namespace
} // namespace textdump

namespace textdump {
namespace {

// The byte-at-a-time rendering of one ROM byte, as the dump loop is defined.
std::string reference_rendering(const CodeTable& table, std::uint8_t code) {
  const std::uint32_t value = table.code_value[code];
  if (value == CODE_UNDEFINED) {
    char undefined[8];
    std::snprintf(undefined, sizeof undefined, "(%02X)", code);
    return undefined;
  }
  if (value <= CODE_TEXT_MAX) return table.code_text[code];
  if (value == CODE_LINE_BREAK) return "\r\n";
  if (value == CODE_END) return "[END]\r\n";
  if (value == CODE_WAIT) return "[WAIT]\r\n";
  return "";
}

// A few MiB of varied bytes through texts of every length around the engine's
// short-piece limit, across many buffer refills, against the byte-at-a-time rendering.
TEST(DumpLoop, LongRunsMatchTheByteAtATimeRendering) {
  std::string rom(3 << 20, '\0');
  std::uint32_t seed = 12345;
  for (char& c : rom) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  testing::EngineFixture e(rom);
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<std::uint8_t>(code);
    if (code % 7 == 0) continue; // undefined
    if (code == 0xF0)
      e.kind(c, CODE_LINE_BREAK);
    else if (code == 0xF1)
      e.kind(c, CODE_END);
    else if (code == 0xF2)
      e.kind(c, CODE_WAIT);
    else
      e.text(c,
             std::string(static_cast<std::size_t>(code % 21), static_cast<char>('a' + code % 26)));
  }
  std::string expected;
  for (char c : rom) expected += reference_rendering(e.table, static_cast<std::uint8_t>(c));
  for (int past_end = 0; past_end < 2; ++past_end) expected += reference_rendering(e.table, 0xFF);
  EXPECT_EQ(e.run(0, static_cast<std::uint32_t>(rom.size() + 1)), DumpEnd::complete);
  EXPECT_EQ(e.out.out_pos, expected.size());
  EXPECT_TRUE(e.dump() == expected);
}

} // namespace
} // namespace textdump
