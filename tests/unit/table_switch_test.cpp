// Table switching in the decoder, with family members given as table text: the
// table digit, the overlay of entries, the restore at END and the failures
// that end the run.
#include <gtest/gtest.h>

#include "core/tables/tables.hpp"
#include "support/engine_fixture.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using testing::bytes;
using testing::EngineFixture;

// Member 0 of the family: letters, a line break, END at FF, TABLE 1 at F0.
const std::string KANA0 = "41=A\r\n42=B\r\n43=C\r\n*FE\r\n/FF\r\n$F0=TABLE,1\r\n";

// A run set up as the tool sets it up: member 0 laid over the code table first.
struct Family : EngineFixture {
  Family(std::map<std::uint8_t, std::string> members, std::string rom_bytes) {
    family = std::move(members);
    load(family.at(0));
    rom = std::move(rom_bytes);
  }
};

TEST(SetTableDigit, MemberDigitGoesBeforeTheFirstDotOfTheFileNamePart) {
  const struct {
    std::string name;
    std::uint8_t member;
    bool set;
    std::string after;
  } cases[] = {
      {"kana0.tbl", 1, true, "kana1.tbl"},
      {"kana0.tbl", 10, true, "kana:.tbl"},
      {"kana0.tbl", 0x10, true, "kana@.tbl"},
      {"old.tables/kana0.tbl", 1, true, "old.tables/kana1.tbl"},
      {"./kana0.tbl", 1, true, "./kana1.tbl"},
      {"dir\\kana0.tbl", 1, true, "dir\\kana1.tbl"},
      {"font.tbl", 1, true, "fon1.tbl"},
      {"kana0.tbl.bak", 1, true, "kana1.tbl.bak"},
      {"k.tbl", 1, true, "1.tbl"},
      {"kana", 1, false, "kana"},
      {".kana0", 1, false, ".kana0"},
      {"dir/.kana0.tbl", 1, false, "dir/.kana0.tbl"},
      {"a.b/kana", 1, false, "a.b/kana"},
      {"dir.d/", 1, false, "dir.d/"},
      {"", 1, false, ""},
      // Digits that would name another file: a subfolder, or a name cut short.
      {"kana0.tbl", 0xFF, false, "kana/.tbl"},
      {"kana0.tbl", 0x2C, false, "kana\\.tbl"},
      {"kana0.tbl", 0xD0, false, std::string("kana\0.tbl", 9)},
  };
  for (const auto& c : cases) {
    std::string name = c.name;
    EXPECT_EQ(set_table_digit(name, table_digit(c.member)), c.set) << c.name;
    EXPECT_EQ(name, c.after) << c.name;
  }
}

TEST(TableSwitch, TextsStayWithTheirTable) {
  {
    Family f({{0, KANA0}, {1, "41=a\r\n42=b\r\n"}},
             bytes({0x41, 0xF0, 0x41, 0x42, 0x43, 0xFF, 0x41}));
    EXPECT_EQ(f.run(0, 6), DecodeEnd::complete);
    EXPECT_EQ(f.dump(), "AabC[END]\r\nA");
    EXPECT_EQ(f.asked, (std::vector<std::uint8_t>{1, 0}));
    EXPECT_EQ(f.decoder->active_table(), 0);
  }
  {
    Family f({{0, KANA0}, {1, "41=a\r\n42=b\r\n44=xyz\r\n"}},
             bytes({0xF0, 0x43, 0xFF, 0x44, 0x43}));
    EXPECT_EQ(f.run(0, 4), DecodeEnd::complete);
    EXPECT_EQ(f.dump(), "C[END]\r\nxyzC");
  }
}

TEST(TableSwitch, TableZeroAndEndWithoutSwitchReloadNothingLater) {
  Family f({{0, KANA0 + "$F4=TABLE,0\r\n"}}, bytes({0x41, 0xF4, 0x41, 0xFF, 0x41}));
  f.family[0] = "41=Z\r\n"; // seen only by a reload
  f.run(0, 2);
  EXPECT_EQ(f.dump(), "AZ");
  EXPECT_EQ(f.decoder->active_table(), 0);
  f.family.erase(0); // an END that reloaded would now fail
  EXPECT_EQ(f.run(3, 4), DecodeEnd::complete);
  EXPECT_EQ(f.dump(), "AZ[END]\r\nZ");
  EXPECT_EQ(f.asked, (std::vector<std::uint8_t>{0}));
}

TEST(TableSwitch, TwoSwitchesOneRestoreAndNoRestoreInsideAFollowedString) {
  Family f({{0, KANA0 + "$F4=TABLE,2\r\n"}, {1, "41=a\r\n"}, {2, "41=two\r\n"}},
           bytes({0xF0, 0x41, 0xF4, 0x41, 0xF6, 0xFF, 0x41}));
  f.set(0xF6, fixed_entry(0x100u - 4u * 0xF6u, 4, 0)); // a record "B", END
  f.put(0x100, bytes({0x42, 0xFF, 0x41, 0x41}));
  f.run(0, 4);
  EXPECT_EQ(f.dump(), "atwoB");
  EXPECT_EQ(f.decoder->active_table(), 2);
  EXPECT_EQ(f.run(5, 6), DecodeEnd::complete);
  EXPECT_EQ(f.dump(), "atwoB[END]\r\nA");
  EXPECT_EQ(f.decoder->active_table(), 0);
  EXPECT_EQ(f.asked, (std::vector<std::uint8_t>{1, 2, 0}));
}

TEST(TableSwitch, FailuresEndTheRunWithWhatCameBefore) {
  {
    // A missing family member.
    Family f({{0, KANA0 + "$F2=TABLE,2\r\n"}, {1, "41=a\r\n"}},
             bytes({0x41, 0xF0, 0x41, 0xF2, 0x41}));
    EXPECT_EQ(f.run(0, 4), DecodeEnd::table_failed);
    EXPECT_EQ(f.dump(), "Aa");
    EXPECT_EQ(f.decoder->position(), 3u);
  }
  {
    // A restore that cannot load member 0 writes no [END].
    Family f({{0, KANA0}, {1, "41=a\r\n"}}, bytes({0xF0, 0x41, 0xFF, 0x41}));
    f.run(0, 1);
    f.family.erase(0);
    EXPECT_EQ(f.run(2, 3), DecodeEnd::table_failed);
    EXPECT_EQ(f.dump(), "a");
    EXPECT_EQ(f.out.count(), 1u);
  }
}

} // namespace
} // namespace textdump
