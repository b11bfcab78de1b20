// FIXED records and SNES pointer tables followed from the dump loop: address
// translation, record numbers, pointer indexes, argument bytes and what a
// followed string writes.
#include <gtest/gtest.h>

#include <vector>

#include "support/engine_fixture.hpp"

namespace textdump {
namespace {

using testing::bytes;
using testing::EngineFixture;

constexpr char END_FILL = '\xFD'; // the END byte of these tests; a stray target reads nothing

// A ROM of the given size made of END bytes, with letters as texts of themselves.
void end_filled(EngineFixture& e, std::size_t size) {
  e.rom.assign(size, END_FILL);
  e.kind(0xFD, CODE_END);
  e.letters();
}

TEST(SnesFileOffset, FourTranslationsAndTheirMasks) {
  struct Case {
    std::uint32_t p, e;
    std::uint8_t map, size;
    std::uint32_t header, expected;
  };
  const Case cases[] = {
      // 16-bit LoROM: the 32 KB piece of the entry.
      {0xA234, 0x1820A, MAP_LOROM, 2, 0x200, 0x1A434},
      {0x9000, 0x18100, MAP_LOROM, 2, 0x200, 0x19200},
      {0xA234, 0x81820A, MAP_LOROM, 2, 0x200, 0x1A434}, // bit 23 of E cleared
      // Sizes other than 3 read 16-bit pointers.
      {0xA234, 0x1820A, MAP_LOROM, 4, 0x200, 0x1A434},
      {0xA234, 0x1820A, MAP_LOROM, 0, 0x200, 0x1A434},
      // 16-bit HiROM: the 64 KB piece of the entry; any map but 0 is HiROM.
      {0x1234, 0x8A5678, MAP_HIROM, 2, 0x200, 0xA1434},
      {0x1234, 0x8A5678, 5, 2, 0x200, 0xA1434},
      // 24-bit HiROM: only bit 23 cleared.
      {0x838000, 0x20030, MAP_HIROM, 3, 0, 0x038000},
      {0x038000, 0x20030, MAP_HIROM, 3, 0, 0x038000},
      {0xC38000, 0x20030, MAP_HIROM, 3, 0, 0x438000},
      {0x438000, 0x20030, MAP_HIROM, 3, 0x7FF, 0x4387FF},
      // 24-bit LoROM: the bank without bit 7 counts 32 KB pieces.
      {0x85A234, 0x8206, MAP_LOROM, 3, 0x200, 0x2A434},
      {0xFFFFFF, 0, MAP_LOROM, 3, 0, 0x3FFFFF},
  };
  for (const Case& c : cases)
    EXPECT_EQ(snes_file_offset(c.p, c.e, c.map, c.size, c.header), c.expected)
        << std::hex << "P " << c.p << " E " << c.e << " map " << int{c.map} << " size "
        << int{c.size};
}

TEST(FollowSnes, LoRom16BitWithCopierHeader) {
  EngineFixture e;
  end_filled(e, 0x100200); // header_size 0x200
  e.snes(0xF1, 0x18000, MAP_LOROM, 2, 1);
  e.snes(0xF4, 0x17F00, MAP_LOROM, 2, 0); // entry at 0x18100, just inside the next piece
  e.put(0, bytes({0xF1, 0x05, 0xF4, 0x43}));
  e.put16(0x1820A, 0xA234);
  e.put(0x1A434, "AB");
  e.put16(0x18100, 0x9000);
  e.put(0x19200, "D");
  EXPECT_EQ(e.run(0, 3), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "ABDC");
  EXPECT_EQ(e.messages(), "");
}

TEST(FollowSnes, HiRom24BitAndLoRom24BitWithHeader) {
  {
    EngineFixture e;
    end_filled(e, 0x600000);
    e.snes(0xF2, 0x20000, MAP_HIROM, 3, 1);
    e.put(0, bytes({0xF2, 0x10, 0xF2, 0x11}));
    e.put(0x20030, bytes({0x00, 0x80, 0x83}));
    e.put(0x20033, bytes({0x00, 0x80, 0xC3}));
    e.put(0x038000, "A");
    e.put(0x438000, "B");
    e.run(0, 3);
    EXPECT_EQ(e.dump(), "AB");
  }
  {
    EngineFixture e;
    end_filled(e, 0x200200);
    e.snes(0xF3, 0x8000, MAP_LOROM, 3, 1);
    e.put(0, bytes({0xF3, 0x02}));
    e.put(0x8206, bytes({0x34, 0xA2, 0x85}));
    e.put(0x2A434, "C");
    e.run(0, 1);
    EXPECT_EQ(e.dump(), "C");
  }
}

TEST(FollowSnes, ArgumentCountsPointerSizesAndConsumption) {
  // Pointer i of the table at 0x40 leads to the letter 'A' + i.
  const auto make = [](EngineFixture& e) {
    end_filled(e, 0x1000);
    for (std::uint32_t i = 0; i < 16; ++i) {
      e.put16(0x40 + 2 * i, 0x800 + 0x10 * i);
      e.put(0x800 + 0x10 * i, std::string(1, static_cast<char>('A' + i)));
    }
  };
  struct Case {
    std::uint8_t count, size;
    std::uint32_t base;
    std::vector<int> args;
    std::string expected;
  };
  const Case cases[] = {
      {0, 2, 0x40, {}, "A"},
      {1, 2, 0x40, {0x05}, "F"},
      {2, 2, 0x40, {0x07, 0x09}, "J"}, // the second byte replaces the first
      // 9 + 2 * 0x1000000, doubled by the stride, wraps back onto pointer 9.
      {3, 2, 0xFC000040, {0x07, 0x09, 0x02}, "J"},
      {4, 2, 0x40, {0x07, 0x09, 0x00, 0x05}, "J"}, // a fourth byte adds nothing
      {1, 0, 0x40, {0x05}, "A"},                   // size 0: always the first pointer
      {1, 4, 0x40, {0x03}, "G"},                   // 16-bit pointers 4 bytes apart
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EngineFixture e;
    make(e);
    e.snes(0xF4, c.base, MAP_HIROM, c.size, c.count);
    std::string stream(1, '\xF4');
    for (int a : c.args) stream.push_back(static_cast<char>(a));
    stream.push_back('Z');
    e.put(0, stream);
    e.run(0, static_cast<std::uint32_t>(stream.size() - 1));
    EXPECT_EQ(e.dump(), c.expected + "Z");
  }
  {
    // A control byte at the end offset: its argument is read past it, the string
    // is written, and the dump ends.
    EngineFixture e;
    make(e);
    e.snes(0xF4, 0x40, MAP_HIROM, 2, 1);
    e.put(0, bytes({0x41, 0xF4, 0x05, 0x5A}));
    EXPECT_EQ(e.run(0, 1), DumpEnd::complete);
    EXPECT_EQ(e.dump(), "AF");
    EXPECT_EQ(e.state.rom_pos, 3u);
  }
}

TEST(FollowFixed, RecordNumbersLengthsAndLimits) {
  {
    // No argument bytes: N is the control byte; no header is added; the ninth
    // byte of an 8-byte record is read but not decoded.
    EngineFixture e;
    end_filled(e, 0x20200);
    e.fixed(0x80, 0x1F800, 8, 0);
    e.put(0, bytes({0x80, 0x5A}));
    e.put(0x1FC00, "ABCDEFGHI");
    e.run(0, 1);
    EXPECT_EQ(e.dump(), "ABCDEFGHZ");
  }
  struct Case {
    const char* what;
    std::vector<int> stream; // a 'Z' follows
    std::string expected;
  };
  const Case cases[] = {
      {"length 0 writes nothing, arguments consumed", {0x81, 0x41, 0x42}, ""},
      {"an END within the record stops it", {0x82}, "AB"},
      {"argument byte 0: the control byte's own record", {0x83, 0x00}, "KLMN"},
      {"N 0x3F0 takes code_base[N], 0xFFFB", {0xF0, 0x03}, "Q"},
      {"N 0x10010 takes 0xFFFB", {0x10, 0x00, 0x01}, "R"},
      {"a fourth argument byte adds nothing", {0x11, 0x00, 0x00, 0x00, 0x07}, "S"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EngineFixture e;
    end_filled(e, 0x30000);
    e.fixed(0x81, 0x1000, 0, 2);
    e.put(0x1000, "Q");
    e.fixed(0x82, 0x2000 - 8 * 0x82, 8, 0);
    e.put(0x2000, "AB\xFD"
                  "CD");
    e.fixed(0x83, 0x3000 - 4 * 0x83, 4, 1);
    e.put(0x3000, "KLMNO");
    e.fixed(0xF0, 0x100, 0x0C, 1); // its own base would give 0x3040
    e.put(0x12F3B, "Q");
    e.fixed(0x10, 0, 1, 2);
    e.put(0xFFFB + 0x10010, "R");
    e.fixed(0x11, 0x4000 - 0x11, 1, 4);
    e.put(0x4000, "S");
    std::string stream;
    for (int b : c.stream) stream.push_back(static_cast<char>(b));
    stream.push_back('Z');
    e.put(0, stream);
    EXPECT_EQ(e.run(0, static_cast<std::uint32_t>(stream.size() - 1)), DumpEnd::complete);
    EXPECT_EQ(e.dump(), c.expected + "Z");
  }
}

TEST(FollowPointer, UndefinedFormatIsReportedAndTheNextByteDecoded) {
  EngineFixture e(bytes({0xF0, 0x41, 0xF1, 0x42}));
  e.letters();
  e.kind(0xF0, CODE_POINTER);
  e.table.code_params[0xF0] = CodeParams{FORMAT_TABLE, 1, 1, 1};
  e.kind(0xF1, CODE_POINTER);
  e.table.code_params[0xF1] = CodeParams{0xFF, 0, 0, 0};
  EXPECT_EQ(e.run(0, 3), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "AB");
  EXPECT_EQ(e.messages(), "Format 1 is undefined.\nFormat ff is undefined.\n");
  EXPECT_EQ(e.pauses(), 0);
}

TEST(CopyTarget, OtherKindsInsideAFollowedString) {
  // Line break, wait and undefined write as in the loop; a pointer, a table
  // switch and an unassigned value write nothing and do nothing; each byte takes
  // one unit of a record's count.
  EngineFixture e;
  end_filled(e, 0x1000);
  e.kind(0x0A, CODE_LINE_BREAK);
  e.kind(0x0B, CODE_WAIT);
  e.kind(0x01, 0xFFFB);
  e.kind(0xF0, CODE_TABLE_SWITCH);
  e.table.code_params[0xF0] = CodeParams{FORMAT_TABLE, 1, 0, 0};
  e.tablefile = "kana0.tbl";
  e.snes(0xF4, 0x50, MAP_HIROM, 2, 0);
  e.put16(0x50, 0x200);
  e.put(0x200, "P");
  e.put(0x100, bytes({0x41, 0x0A, 0x0B, 0x00, 0xF4, 0xF0, 0x01, 0x42, 0x43, 0xFD}));
  e.fixed(0x80, 0x100u - 8u * 0x80u, 8, 0);
  e.snes(0x81, 0x40, MAP_HIROM, 2, 0);
  e.put16(0x40, 0x100);
  e.put(0, bytes({0x80, 0x81}));
  EXPECT_EQ(e.run(0, 1), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "A\r\n[WAIT]\r\n(00)B"
                      "A\r\n[WAIT]\r\n(00)BC");
  EXPECT_EQ(e.pauses(), 0);
  EXPECT_EQ(e.messages(), "");
  EXPECT_EQ(e.tablefile, "kana0.tbl");
  EXPECT_EQ(e.state.active_table, 0);
}

TEST(CopyTarget, StringsRunningOffTheRomEnd) {
  // No END entry at all: a SNES copy stops at the end of the file; a FIXED
  // record past the end decodes its length of 0xFF bytes.
  EngineFixture e(std::string(0x800, '\0')); // header_size 0
  e.letters();
  e.snes(0xF4, 4, MAP_HIROM, 2, 0);
  e.snes(0xF5, 6, MAP_HIROM, 2, 0);
  e.fixed(0xF6, 0x1000 - 3 * 0xF6, 3, 0);
  e.put(0, bytes({0xF4, 0xF5, 0xF6}));
  e.put16(4, 0x7FC);
  e.put16(6, 0x8000);
  e.put(0x7FC, "ABCD");
  EXPECT_EQ(e.run(0, 2), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "ABCD(FF)(FF)(FF)");
}

TEST(FollowPointer, ArgumentsWrappingPastTheLastOffsetEndTheLoop) {
  // The control byte at 0xFFFFFFFF reads as 0xFF; its two arguments wrap to
  // offsets 0 and 1 (both 0), so N = 0xFF and the target wraps to 0x10.
  EngineFixture e(std::string(0x20, '\0'));
  e.letters();
  e.put(0x10, "A");
  e.fixed(0xFF, 0xFFFFFF11u, 1, 2);
  EXPECT_EQ(e.run(0xFFFFFFFFu, 0xFFFFFFFFu), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "A");
  EXPECT_TRUE(e.state.wrapped);
}

} // namespace
} // namespace textdump
