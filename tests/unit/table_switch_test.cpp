// Table switching between a family of table files written into a temporary
// folder: the table digit, the overlay of entries, the restore at END and the
// failures that end the dump.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "support/engine_fixture.hpp"

namespace textdump {
namespace {

using testing::bytes;
using testing::EngineFixture;
using testing::TempDir;
using testing::write_file;

// Member 0 of the family: letters, a line break, END at FF, TABLE 1 at F0.
constexpr std::string_view KANA0 = "41=A\r\n42=B\r\n43=C\r\n*FE\r\n/FF\r\n$F0=TABLE,1\r\n";

// A table family in a temporary folder, member `first` loaded as the run loads it.
struct Family {
  TempDir dir;
  EngineFixture e;

  Family(std::initializer_list<std::pair<std::string, std::string>> files,
         const std::string& first = "kana0.tbl") {
    for (const auto& [name, content] : files) write_file(dir.file(name), content);
    EXPECT_EQ(e.load(dir.file(first)), 0);
  }
  std::string name(std::string_view file) const { return dir.file(file); }
  void remove(std::string_view file) const { std::filesystem::remove(dir.file(file)); }
  std::string cant_open(std::string_view shown) const {
    return "Can't open the table file \"" + std::string(shown) + "\".\n";
  }
};

TEST(SetTableDigit, DigitGoesBeforeTheFirstDotOfTheFileNamePart) {
  struct Case {
    std::string name;
    bool set;
    std::string after; // with digit '1'
  };
  const Case cases[] = {
      {"kana0.tbl", true, "kana1.tbl"},
      {"old.tables/kana0.tbl", true, "old.tables/kana1.tbl"},
      {"./kana0.tbl", true, "./kana1.tbl"},
      {"dir\\kana0.tbl", true, "dir\\kana1.tbl"},
      {"font.tbl", true, "fon1.tbl"},
      {"kana0.tbl.bak", true, "kana1.tbl.bak"},
      {"k.tbl", true, "1.tbl"},
      {"kana", false, "kana"},
      {".kana0", false, ".kana0"},
      {"dir/.kana0.tbl", false, "dir/.kana0.tbl"},
      {"a.b/kana", false, "a.b/kana"},
      {"dir.d/", false, "dir.d/"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string name = c.name;
    EXPECT_EQ(set_table_digit(name, '1'), c.set) << c.name;
    EXPECT_EQ(name, c.after) << c.name;
  }
}

TEST(TableSwitch, TextsStayWithTheirTable) {
  {
    Family f({{"kana0.tbl", std::string(KANA0)}, {"kana1.tbl", "41=a\r\n42=b\r\n"}});
    f.e.rom = bytes({0x41, 0xF0, 0x41, 0x42, 0x43, 0xFF, 0x41});
    EXPECT_EQ(f.e.run(0, 6), DumpEnd::complete);
    EXPECT_EQ(f.e.dump(), "AabC[END]\r\nA");
    EXPECT_EQ(f.e.out.out_pos, 12u);
    EXPECT_EQ(f.e.tablefile, f.name("kana0.tbl"));
    EXPECT_EQ(f.e.state.active_table, 0);
    EXPECT_EQ(f.e.messages(), "");
    EXPECT_EQ(f.e.pauses(), 0);
  }
  {
    Family f({{"kana0.tbl", std::string(KANA0)}, {"kana1.tbl", "41=a\r\n42=b\r\n44=xyz\r\n"}});
    f.e.rom = bytes({0xF0, 0x43, 0xFF, 0x44, 0x43});
    EXPECT_EQ(f.e.run(0, 4), DumpEnd::complete);
    EXPECT_EQ(f.e.dump(), "C[END]\r\nxyzC");
  }
}

TEST(TableSwitch, DigitCharactersBeyondNine) {
  Family f({{"kana0.tbl", std::string(KANA0) + "$F1=TABLE,A\r\n$F3=TABLE,10\r\n"},
            {"kana:.tbl", "41=colon\r\n"},
            {"kana@.tbl", "41=at\r\n"}});
  auto& e = f.e;
  e.rom = bytes({0xF1, 0x41, 0xFF, 0x41, 0xF3, 0x41, 0xFF});
  e.run(0, 1);
  EXPECT_EQ(e.tablefile, f.name("kana:.tbl"));
  EXPECT_EQ(e.state.active_table, 10);
  EXPECT_EQ(e.run(2, 6), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "colon[END]\r\nAat[END]\r\n");
  EXPECT_EQ(e.tablefile, f.name("kana0.tbl"));
  EXPECT_EQ(e.messages(), "");
}

// Digits that would name another file (a subfolder, or a name cut short) fail
// the switch instead: 0x30 + 0xFF is '/', 0x30 + 0x2C is '\\', 0x30 + 0xD0 is NUL.
TEST(TableSwitch, DigitsThatWouldNameAnotherFileFail) {
  for (const char* number : {"FF", "2C", "D0"}) {
    SCOPED_TRACE(number);
    Family f({{"kana0.tbl", std::string(KANA0) + "$F1=TABLE," + number + "\r\n"}, {"kana", "41=x"}});
    auto& e = f.e;
    e.rom = bytes({0x41, 0xF1, 0x41});
    EXPECT_EQ(e.run(0, 2), DumpEnd::table_failed);
    EXPECT_EQ(e.dump(), "A");
    EXPECT_EQ(e.messages().rfind("Can't open the table file \"", 0), 0u) << e.messages();
  }
}

TEST(TableSwitch, TableZeroAndEndWithoutSwitchReloadNothingLater) {
  Family f({{"kana0.tbl", std::string(KANA0) + "$F4=TABLE,0\r\n"}});
  auto& e = f.e;
  e.rom = bytes({0x41, 0xF4, 0x41, 0xFF, 0x41});
  write_file(f.name("kana0.tbl"), "41=Z\r\n"); // seen only by a reload
  e.run(0, 2);
  EXPECT_EQ(e.dump(), "AZ");
  EXPECT_EQ(e.state.active_table, 0);
  EXPECT_EQ(e.tablefile, f.name("kana0.tbl"));
  f.remove("kana0.tbl"); // an END that reloaded would now fail
  EXPECT_EQ(e.run(3, 4), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "AZ[END]\r\nZ");
  EXPECT_EQ(e.messages(), "");
  EXPECT_EQ(e.pauses(), 0);
}

TEST(TableSwitch, TwoSwitchesOneRestoreAndNoRestoreInsideAFollowedString) {
  Family f({{"kana0.tbl", std::string(KANA0) + "$F4=TABLE,2\r\n"},
            {"kana1.tbl", "41=a\r\n"},
            {"kana2.tbl", "41=two\r\n"}});
  auto& e = f.e;
  e.fixed(0xF6, 0x100u - 4u * 0xF6u, 4, 0); // a record "B", END
  e.rom = bytes({0xF0, 0x41, 0xF4, 0x41, 0xF6, 0xFF, 0x41});
  e.put(0x100, bytes({0x42, 0xFF, 0x41, 0x41}));
  e.run(0, 4);
  EXPECT_EQ(e.dump(), "atwoB");
  EXPECT_EQ(e.tablefile, f.name("kana2.tbl"));
  EXPECT_EQ(e.state.active_table, 2);
  EXPECT_EQ(e.run(5, 6), DumpEnd::complete);
  EXPECT_EQ(e.dump(), "atwoB[END]\r\nA");
  EXPECT_EQ(e.tablefile, f.name("kana0.tbl"));
  EXPECT_EQ(e.state.active_table, 0);
}

TEST(TableSwitch, FailuresEndTheDumpWithWhatCameBefore) {
  {
    // A missing family member.
    Family f({{"kana0.tbl", std::string(KANA0) + "$F2=TABLE,2\r\n"}, {"kana1.tbl", "41=a\r\n"}});
    f.e.rom = bytes({0x41, 0xF0, 0x41, 0xF2, 0x41});
    EXPECT_EQ(f.e.run(0, 4), DumpEnd::table_failed);
    EXPECT_EQ(f.e.dump(), "Aa");
    EXPECT_EQ(f.e.messages(), f.cant_open(f.name("kana2.tbl")));
    EXPECT_EQ(f.e.pauses(), 1);
    EXPECT_EQ(f.e.state.rom_pos, 3u);
  }
  {
    // A restore that cannot reopen member 0 writes no [END].
    Family f({{"kana0.tbl", std::string(KANA0)}, {"kana1.tbl", "41=a\r\n"}});
    f.e.rom = bytes({0xF0, 0x41, 0xFF, 0x41});
    f.e.run(0, 1);
    f.remove("kana0.tbl");
    EXPECT_EQ(f.e.run(2, 3), DumpEnd::table_failed);
    EXPECT_EQ(f.e.dump(), "a");
    EXPECT_EQ(f.e.out.out_pos, 1u);
    EXPECT_EQ(f.e.messages(), f.cant_open(f.name("kana0.tbl")));
    EXPECT_EQ(f.e.pauses(), 1);
  }
  // A file-name part that cannot take a digit: refused, the name untouched.
  for (const char* file : {"kana", ".kana0"}) {
    SCOPED_TRACE(file);
    Family f({{file, "41=A\r\n$F0=TABLE,1\r\n"}, {"kana1", "41=a\r\n"}}, file);
    f.e.rom = bytes({0x41, 0xF0, 0x41});
    EXPECT_EQ(f.e.run(0, 2), DumpEnd::table_failed);
    EXPECT_EQ(f.e.dump(), "A");
    EXPECT_EQ(f.e.tablefile, f.name(file));
    EXPECT_EQ(f.e.messages(), f.cant_open(f.name(file)));
    EXPECT_EQ(f.e.pauses(), 1);
  }
}

} // namespace
} // namespace textdump
