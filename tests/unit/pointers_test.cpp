// Pointers: a --pointers table read up to the ROM's very last byte, the table
// files' SNES translation, and FIXED records and SNES pointer tables followed
// by the decoder: record numbers, pointer indexes, argument bytes and what a
// followed string writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/maps/maps.hpp"
#include "support/engine_fixture.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using testing::bytes;
using testing::EngineFixture;

constexpr SnesMap LO = SnesMap::lorom, HI = SnesMap::hirom;

// A ROM of the given size made of END bytes (0xFD), with letters as texts of themselves.
void end_filled(EngineFixture& e, std::size_t size) {
  e.rom.assign(size, '\xFD');
  e.set(0xFD, end_entry());
  e.letters();
}

// The control byte, its argument bytes, then a 'Z'.
std::string stream_of(std::uint8_t control, const std::vector<int>& args) {
  std::string stream(1, static_cast<char>(control));
  for (int a : args) stream.push_back(static_cast<char>(a));
  return stream + "Z";
}

// A table whose last pointer takes the ROM's last bytes reads it; one byte
// further on, that pointer lies past the end.
TEST(PointerTables, APointerInTheRomsLastBytesIsRead) {
  std::string rom(0x40, '\0');
  rom.replace(0x3C, 4, bytes({0x11, 0x22, 0x33, 0x44}));
  const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  const struct {
    const char* fields;
    std::uint32_t last; // the value of the last pointer read whole
  } cases[] = {
      {"size=2,order=le", 0x4433},
      {"size=2,order=be", 0x3344},
      {"size=3,order=le", 0x443322},
      {"size=4,order=be", 0x11223344},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    auto parsed = parse_pointer_table("at=0,count=2," + std::string(c.fields));
    ASSERT_TRUE(std::holds_alternative<PointerTable>(parsed));
    PointerTable& ptable = std::get<PointerTable>(parsed);
    for (const std::uint32_t past : {0u, 1u}) {
      ptable.at = static_cast<std::uint32_t>(rom.size() - 2 * ptable.size + past);
      const std::vector<PointerRead> read = read_pointers(ptable, view);
      ASSERT_EQ(read.size(), 2u);
      EXPECT_TRUE(read[0].inside);
      EXPECT_EQ(read[1].inside, past == 0);
      if (past == 0) {
        EXPECT_EQ(read[1].value, c.last);
      }
      EXPECT_EQ(pointers_that_fit(ptable, rom.size()), 2 - past);
      ptable.at += ptable.size;
      EXPECT_EQ(pointers_that_fit(ptable, rom.size()), 1 - past);
    }
  }
}

// The bounds of each field of --pointers, and of the fields together.
TEST(PointerTables, TheFieldsBounds) {
  const struct {
    const char* fields; // after at=0
    std::optional<ReportId> refused;
  } cases[] = {
      {"count=1", std::nullopt},
      {"count=0", ReportId::pointer_count},
      {"count=16777216", std::nullopt},
      {"count=16777217", ReportId::pointer_count},
      {"count=1,size=1", ReportId::pointer_size},
      {"count=1,size=4", std::nullopt},
      {"count=1,size=5", ReportId::pointer_size},
      {"count=1,stride=0", ReportId::pointer_stride},
      {"count=1,stride=65536", std::nullopt},
      {"count=1,stride=65537", ReportId::pointer_stride},
      {"count=1,offset=65534,stride=65536", std::nullopt},
      {"count=1,offset=65536,stride=65536", ReportId::pointer_offset},
      {"count=1,offset=2,stride=4", std::nullopt},
      {"count=1,offset=3,stride=4", ReportId::pointers_offset_past},
      {"count=1,length=65535:1,stride=65536", std::nullopt},
      {"count=1,length=65536:1,stride=65536", ReportId::pointer_length},
      {"count=1,length=2:0", ReportId::pointer_length},
      {"count=1,length=2:4", std::nullopt}, // the stride takes the length field
      {"count=1,length=2:5", ReportId::pointer_length},
      {"count=1,length=2:4,stride=6", std::nullopt},
      {"count=1,length=2:4,stride=5", ReportId::pointers_length_past},
      {"count=1,length=1:1,stride=4", ReportId::pointers_length_overlap},
      {"count=1,length=0:1,offset=1,stride=4", std::nullopt},
      {"count=1,length=0:2,offset=1,stride=4", ReportId::pointers_length_overlap},
      {"count=1,at=20", ReportId::pointer_repeated},
      {"count=1,map=nes,bank=2,bank=3", ReportId::pointer_repeated},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fields);
    const auto parsed = parse_pointer_table("at=0," + std::string(c.fields));
    const auto* report = std::get_if<Report>(&parsed);
    EXPECT_EQ(report != nullptr ? std::optional(report->id) : std::nullopt, c.refused);
  }
}

// Two tables share a byte only where a pointer or length field of one lies
// on one of the other, other than a pointer both read alike: interleaved
// entries share none.
TEST(PointerTables, TheBytesTwoTablesShare) {
  const struct {
    const char *a, *b;
    std::optional<std::uint64_t> shared;
  } cases[] = {
      {"at=300,count=4", "at=306,count=2", std::nullopt}, // its last two pointers again
      {"at=300,count=4", "at=306,count=2,order=be", 0x306},
      {"at=300,count=4", "at=305,count=2", 0x305},
      {"at=300,count=4", "at=308,count=2", std::nullopt},
      {"at=300,count=8,stride=4", "at=302,count=8,stride=4", std::nullopt},
      {"at=300,count=8,stride=4", "at=303,count=1,size=3", 0x304},
      {"at=300,count=4,length=2:1,stride=4", "at=302,count=4,size=2,stride=4", 0x302},
      {"at=300,count=5,length=3:1,stride=4", "at=312,count=1", 0x313},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " " + c.b);
    const auto a = std::get<PointerTable>(parse_pointer_table(c.a));
    const auto b = std::get<PointerTable>(parse_pointer_table(c.b));
    EXPECT_EQ(shared_slot_byte(a, b), c.shared);
    EXPECT_EQ(shared_slot_byte(b, a), c.shared);
  }
}

TEST(SnesFileOffset, FourTranslationsAndTheirMasks) {
  const struct {
    std::uint32_t p, e;
    SnesMap map;
    std::uint8_t size;
    std::uint32_t header, expected;
  } cases[] = {
      // 16-bit LoROM: the 32 KB piece of the entry.
      {0xA234, 0x1820A, LO, 2, 0x200, 0x1A434},
      {0x9000, 0x18100, LO, 2, 0x200, 0x19200},
      {0xA234, 0x81820A, LO, 2, 0x200, 0x1A434}, // bit 23 of E cleared
      // Sizes other than 3 read 16-bit pointers.
      {0xA234, 0x1820A, LO, 4, 0x200, 0x1A434},
      {0xA234, 0x1820A, LO, 0, 0x200, 0x1A434},
      // 16-bit HiROM: the 64 KB piece of the entry.
      {0x1234, 0x8A5678, HI, 2, 0x200, 0xA1434},
      // 24-bit HiROM: only bit 23 cleared.
      {0x838000, 0x20030, HI, 3, 0, 0x038000},
      {0x038000, 0x20030, HI, 3, 0, 0x038000},
      {0xC38000, 0x20030, HI, 3, 0, 0x438000},
      {0x438000, 0x20030, HI, 3, 0x7FF, 0x4387FF},
      // 24-bit LoROM: the bank without bit 7 counts 32 KB pieces.
      {0x85A234, 0x8206, LO, 3, 0x200, 0x2A434},
      {0xFFFFFF, 0, LO, 3, 0, 0x3FFFFF},
  };
  for (const auto& c : cases)
    EXPECT_EQ(snes_file_offset(c.p, c.e, c.map, c.size, c.header), c.expected)
        << std::hex << "P " << c.p << " E " << c.e << " size " << int{c.size};
}

TEST(FollowSnes, LoRom16BitWithCopierHeader) {
  EngineFixture e;
  end_filled(e, 0x100200); // header size 0x200
  e.set(0xF1, snes_entry(LO, 0x18000, 2, 1));
  e.set(0xF4, snes_entry(LO, 0x17F00, 2, 0)); // entry at 0x18100, just inside the next piece
  e.put(0, bytes({0xF1, 0x05, 0xF4, 0x43}));
  e.put16(0x1820A, 0xA234);
  e.put(0x1A434, "AB");
  e.put16(0x18100, 0x9000);
  e.put(0x19200, "D");
  EXPECT_EQ(e.run(0, 3), DecodeEnd::complete);
  EXPECT_EQ(e.dump(), "ABDC");
}

TEST(FollowSnes, HiRom24BitAndLoRom24BitWithHeader) {
  {
    EngineFixture e;
    end_filled(e, 0x600000);
    e.set(0xF2, snes_entry(HI, 0x20000, 3, 1));
    e.put(0, bytes({0xF2, 0x10, 0xF2, 0x11}));
    e.put(0x20030, bytes({0x00, 0x80, 0x83, 0x00, 0x80, 0xC3}));
    e.put(0x038000, "A");
    e.put(0x438000, "B");
    e.run(0, 3);
    EXPECT_EQ(e.dump(), "AB");
  }
  {
    EngineFixture e;
    end_filled(e, 0x200200);
    e.set(0xF3, snes_entry(LO, 0x8000, 3, 1));
    e.put(0, bytes({0xF3, 0x02}));
    e.put(0x8206, bytes({0x34, 0xA2, 0x85}));
    e.put(0x2A434, "C");
    e.run(0, 1);
    EXPECT_EQ(e.dump(), "C");
  }
}

TEST(FollowSnes, ArgumentCountsPointerSizesAndConsumption) {
  // Pointer i of the table at 0x40 leads to the letter 'A' + i.
  const auto make = [](EngineFixture& e, const Entry& entry) {
    end_filled(e, 0x1000);
    for (std::uint32_t i = 0; i < 16; ++i) {
      e.put16(0x40 + 2 * i, 0x800 + 0x10 * i);
      e.put(0x800 + 0x10 * i, std::string(1, static_cast<char>('A' + i)));
    }
    e.set(0xF4, entry);
  };
  const struct {
    std::uint8_t count, size;
    std::uint32_t base;
    std::vector<int> args;
    std::string expected;
  } cases[] = {
      {0, 2, 0x40, {}, "A"},
      {1, 2, 0x40, {0x05}, "F"},
      {2, 2, 0x40, {0x07, 0x09}, "J"}, // the second byte replaces the first
      // 9 + 2 * 0x1000000, doubled by the stride, wraps back onto pointer 9.
      {3, 2, 0xFC000040, {0x07, 0x09, 0x02}, "J"},
      {4, 2, 0x40, {0x07, 0x09, 0x00, 0x05}, "J"}, // a fourth byte adds nothing
      {1, 0, 0x40, {0x05}, "A"},                   // size 0: always the first pointer
      {1, 4, 0x40, {0x03}, "G"},                   // 16-bit pointers 4 bytes apart
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EngineFixture e;
    make(e, snes_entry(HI, c.base, c.size, c.count));
    const std::string stream = stream_of(0xF4, c.args);
    e.put(0, stream);
    e.run(0, static_cast<std::uint32_t>(stream.size() - 1));
    EXPECT_EQ(e.dump(), c.expected + "Z");
  }
  // A control byte at the last offset: its argument is read past it, the
  // string is written, and the run ends.
  EngineFixture e;
  make(e, snes_entry(HI, 0x40, 2, 1));
  e.put(0, bytes({0x41, 0xF4, 0x05, 0x5A}));
  EXPECT_EQ(e.run(0, 1), DecodeEnd::complete);
  EXPECT_EQ(e.dump(), "AF");
  EXPECT_EQ(e.decoder->position(), 3u);
}

TEST(FollowFixed, RecordNumbersLengthsAndLimits) {
  {
    // No argument bytes: N is the control byte; no header is added; the ninth
    // byte of an 8-byte record is read but not decoded.
    EngineFixture e;
    end_filled(e, 0x20200);
    e.set(0x80, fixed_entry(0x1F800, 8, 0));
    e.put(0, bytes({0x80, 0x5A}));
    e.put(0x1FC00, "ABCDEFGHI");
    e.run(0, 1);
    EXPECT_EQ(e.dump(), "ABCDEFGHZ");
  }
  const struct {
    const char* what;
    std::vector<int> stream; // a 'Z' follows
    std::string expected;
  } cases[] = {
      {"length 0 writes nothing, arguments consumed", {0x81, 0x41, 0x42}, ""},
      {"an END within the record stops it", {0x82}, "AB"},
      {"argument byte 0: the control byte's own record", {0x83, 0x00}, "KLMN"},
      {"N 0x3F0 takes the base 0xFFFB", {0xF0, 0x03}, "Q"},
      {"N 0x10010 takes the base 0xFFFB", {0x10, 0x00, 0x01}, "R"},
      {"a fourth argument byte adds nothing", {0x11, 0x00, 0x00, 0x00, 0x07}, "S"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EngineFixture e;
    end_filled(e, 0x30000);
    e.set(0x81, fixed_entry(0x1000, 0, 2));
    e.put(0x1000, "Q");
    e.set(0x82, fixed_entry(0x2000 - 8 * 0x82, 8, 0));
    e.put(0x2000, "AB\xFD"
                  "CD");
    e.set(0x83, fixed_entry(0x3000 - 4 * 0x83, 4, 1));
    e.put(0x3000, "KLMNO");
    e.set(0xF0, fixed_entry(0x100, 0x0C, 1)); // its own base would give 0x3040
    e.put(0x12F3B, "Q");
    e.set(0x10, fixed_entry(0, 1, 2));
    e.put(0xFFFB + 0x10010, "R");
    e.set(0x11, fixed_entry(0x4000 - 0x11, 1, 4));
    e.put(0x4000, "S");
    const std::string stream =
        stream_of(static_cast<std::uint8_t>(c.stream[0]), {c.stream.begin() + 1, c.stream.end()});
    e.put(0, stream);
    EXPECT_EQ(e.run(0, static_cast<std::uint32_t>(stream.size() - 1)), DecodeEnd::complete);
    EXPECT_EQ(e.dump(), c.expected + "Z");
  }
}

TEST(CopyTarget, OtherKindsInsideAFollowedString) {
  // Line break, wait and undefined write as in the run; a pointer and a table
  // switch write nothing and do nothing; each byte takes one unit of a
  // record's length.
  EngineFixture e;
  end_filled(e, 0x1000);
  e.set(0x0A, line_break_entry());
  e.set(0x0B, wait_entry());
  e.set(0xF0, switch_entry(1));
  e.set(0xF4, snes_entry(HI, 0x50, 2, 0));
  e.put16(0x50, 0x200);
  e.put(0x200, "P");
  e.put(0x100, bytes({0x41, 0x0A, 0x0B, 0x00, 0xF4, 0xF0, 0x42, 0x43, 0xFD}));
  e.set(0x80, fixed_entry(0x100u - 7u * 0x80u, 7, 0));
  e.set(0x81, snes_entry(HI, 0x40, 2, 0));
  e.put16(0x40, 0x100);
  e.put(0, bytes({0x80, 0x81}));
  EXPECT_EQ(e.run(0, 1), DecodeEnd::complete);
  EXPECT_EQ(e.dump(), "A\r\n[WAIT]\r\n(00)B"
                      "A\r\n[WAIT]\r\n(00)BC");
  EXPECT_TRUE(e.asked.empty());
  EXPECT_EQ(e.decoder->active_table(), 0);
}

TEST(CopyTarget, StringsRunningOffTheRomEnd) {
  // No END entry at all: a SNES copy stops at the end of the file; a FIXED
  // record past the end decodes its length of 0xFF bytes.
  EngineFixture e(std::string(0x800, '\0')); // header size 0
  e.letters();
  e.set(0xF4, snes_entry(HI, 4, 2, 0));
  e.set(0xF5, snes_entry(HI, 6, 2, 0));
  e.set(0xF6, fixed_entry(0x1000 - 3 * 0xF6, 3, 0));
  e.put(0, bytes({0xF4, 0xF5, 0xF6}));
  e.put16(4, 0x7FC);
  e.put16(6, 0x8000);
  e.put(0x7FC, "ABCD");
  EXPECT_EQ(e.run(0, 2), DecodeEnd::complete);
  EXPECT_EQ(e.dump(), "ABCD(FF)(FF)(FF)");
}

TEST(FollowFixed, ArgumentsWrappingPastTheLastOffsetEndTheRun) {
  // The control byte at 0xFFFFFFFF reads as 0xFF; its two arguments wrap to
  // offsets 0 and 1 (both 0), so N = 0xFF and the target wraps to 0x10.
  EngineFixture e(std::string(0x20, '\0'));
  e.letters();
  e.put(0x10, "A");
  e.set(0xFF, fixed_entry(0xFFFFFF11u, 1, 2));
  EXPECT_EQ(e.run(0xFFFFFFFFu, 0xFFFFFFFFu), DecodeEnd::complete);
  EXPECT_EQ(e.dump(), "A");
}

} // namespace
} // namespace textdump
