// Pointer and fixed-length entries through real table lines, run as the built
// program on ROM files built here. Large ROMs are written sparsely: the file is
// sized first and only the bytes that matter are poked.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::run_program;
using testing::TempDir;

using testing::bytes;

using Pokes = std::vector<std::pair<std::uintmax_t, std::string>>;

// A ROM file of the given size, zero except for the poked bytes.
void make_rom(const std::string& path, std::uintmax_t size, const Pokes& pokes) {
  testing::write_file(path, "");
  fs::resize_file(path, size);
  std::fstream rom(path, std::ios::in | std::ios::out | std::ios::binary);
  for (const auto& [offset, data] : pokes) {
    rom.seekp(static_cast<std::streamoff>(offset));
    rom.write(data.data(), static_cast<std::streamsize>(data.size()));
  }
}

// The dump of rom.bin from start to end through the table, on standard output.
std::string dump(const TempDir& dir, const std::string& start, const std::string& end,
                 const std::string& table = "table.tbl") {
  const auto result = run_program(dir.path().string(), {"rom.bin", table, "-", start, end}, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  return result.out;
}

TEST(Pointers, WorkedExamplesThroughRealTableLines) {
  TempDir dir;
  testing::write_file(dir.file("table.tbl"),
                      "41=A\r\n42=B\r\n43=C\r\n/FF\r\n"
                      "$F1=SNES,L,18000,2,1\r\n$F2=SNES,H,20000,3,1\r\n$F3=SNES,L,8000,3,1\r\n"
                      "$80=FIXED,1F800,8,0\r\n");

  // LoROM, 16-bit pointers, copier header 0x200: F1 05 -> E 0x1820A -> P 0xA234 ->
  // 0x1A434. FIXED 0x80 -> 0x1FC00, no header added: eight codes, the ninth unread.
  make_rom(dir.file("rom.bin"), 0x100200,
           {{0, bytes({0xF1, 0x05, 0x80, 0x41})},
            {0x1820A, bytes({0x34, 0xA2})},
            {0x1A434, "BC\xFF"},
            {0x1FC00, "ABCABCABC"}});
  EXPECT_EQ(dump(dir, "0", "3"), "BC"
                                 "ABCABCAB"
                                 "A");

  // HiROM, 24-bit pointers, no header: F2 10 -> E 0x20030 -> P 0x838000 -> 0x038000;
  // the next entry, P 0xC38000, -> 0x438000.
  make_rom(dir.file("rom.bin"), 0x600000,
           {{0, bytes({0xF2, 0x10, 0xF2, 0x11, 0x41})},
            {0x20030, bytes({0x00, 0x80, 0x83, 0x00, 0x80, 0xC3})},
            {0x38000, "AB\xFF"},
            {0x438000, "CA\xFF"}});
  EXPECT_EQ(dump(dir, "0", "4"), "ABCAA");

  // LoROM, 24-bit pointers, copier header 0x200: F3 02 -> E 0x8206 -> P 0x85A234 ->
  // 0x2234 + 5 * 0x8000 + 0x200 = 0x2A434.
  make_rom(
      dir.file("rom.bin"), 0x200200,
      {{0, bytes({0xF3, 0x02, 0x41})}, {0x8206, bytes({0x34, 0xA2, 0x85})}, {0x2A434, "CC\xFF"}});
  EXPECT_EQ(dump(dir, "0", "2"), "CCA");
}

TEST(Pointers, FixedRecordsAndTheirArguments) {
  TempDir dir;
  testing::write_file(dir.file("table.tbl"), "41=A\r\n42=B\r\n43=C\r\n/FF\r\n"
                                             "$80=FIXED,100,4,0\r\n"  // 0x100 + 4 * 0x80 = 0x300
                                             "$81=FIXED,0,0,2\r\n"    // length 0: writes nothing
                                             "$82=FIXED,1000,2,1\r\n" // 82 00: 0x1104
                                             "$F0=FIXED,0,C,1\r\n"    // F0 03: N = 0x3F0
                                             "$83=FIXED,0,1,2\r\n");  // 83 00 01: N = 0x10083
  make_rom(
      dir.file("rom.bin"), 0x30000,
      {{0, bytes({0x80, 0x41, 0x81, 0x41, 0x41, 0x82, 0x00, 0xF0, 0x03, 0x83, 0x00, 0x01, 0x41})},
       {0x300, bytes({0x41, 0x42, 0xFF, 0x43})}, // the END byte within the record stops it
       {0x1104, "CAB"},                          // two codes of three
       {0x12F3B, "BB\xFF"},                      // base of entry 0x3F0 (0xFFFB) + 0x0C * 0x3F0
       {0x2007E, "CA"}}); // 0xFFFB + 0x10083: entry N past the table, base 0xFFFB
  EXPECT_EQ(dump(dir, "0", "C"), "AB"
                                 "A"
                                 "CA"
                                 "BB"
                                 "C"
                                 "A");
  // A control byte at END OFFSET still has its argument read and its record
  // written, and the dump ends after it.
  EXPECT_EQ(dump(dir, "5", "5"), "CA");
}

TEST(Pointers, SnesIndexStrideAndMapLetter) {
  TempDir dir;
  testing::write_file(dir.file("table.tbl"),
                      "41=A\r\n42=B\r\n43=C\r\n44=D\r\n45=E\r\n46=F\r\n47=G\r\n48=H\r\n/FF\r\n"
                      "$F4=SNES,L,17F00,2,0\r\n"  // no argument: the first entry, at 0x18100
                      "$F5=SNES,L,8000,2,2\r\n"   // F5 07 09: index 9
                      "$F6=SNES,L,9000,4,1\r\n"   // 16-bit pointers with a stride of 4
                      "$F7=SNES,l,A000,2,1\r\n"   // lower-case l: HiROM
                      "$F8=SNES,L,B000,0,1\r\n"   // pointer size 0: always the first entry
                      "$F9=SNES,L,C000,0,3\r\n"); // three argument bytes consumed
  // Header 0x200 (0x20200 bytes); every E below includes it.
  make_rom(dir.file("rom.bin"), 0x20200,
           {{0, bytes({0xF4, 0x47, 0xF5, 0x07, 0x09, 0xF6, 0x02, 0xF7, 0x01, 0xF8, 0x05, 0xF9, 0x07,
                       0x09, 0x02, 0x48})},
            {0x18100, bytes({0x00, 0x90})}, // near the end of a 32 KB piece: 0x19200
            {0x19200, "A\xFF"},
            {0x8212, bytes({0x00, 0x83})}, // 0x0300 + 0x8000 + 0x200
            {0x8500, "B\xFF"},
            {0x9208, bytes({0x00, 0x94})}, // 0x1400 + 0x8000 + 0x200
            {0x9600, "C\xFF"},
            {0xA202, bytes({0x34, 0x12})}, // HiROM: 0x1234 + 0 + 0x200 (LoROM would give 0x9434)
            {0x1434, "D\xFF"},
            {0x9434, "X\xFF"},
            {0xB200, bytes({0x00, 0xB3})}, // 0x3300 + 0x8000 + 0x200
            {0xB500, "E\xFF"},
            {0xC200, bytes({0x00, 0xC3})}, // 0x4300 + 0x8000 + 0x200
            {0xC500, "F\xFF"}});
  EXPECT_EQ(dump(dir, "0", "F"), "AGBCDEFH");
}

// Inside a string reached through an entry, line breaks, waits and undefined bytes
// read as in place; TABLE and pointer bytes do nothing; END ends the string with
// no "[END]" and no restore, so a switched table stays in force.
TEST(Pointers, KindsInsideAString) {
  TempDir dir;
  testing::write_file(dir.file("kana0.tbl"), "41=A\r\n*FE\r\n\\FD\r\n/FF\r\n$F0=TABLE,1\r\n"
                                             "$80=FIXED,100,9,0\r\n" // 0x100 + 9 * 0x80 = 0x580
                                             "$F1=SNES,L,200,2,0\r\n");
  testing::write_file(dir.file("kana1.tbl"), "41=a\r\n");
  make_rom(dir.file("rom.bin"), 0x1000,
           {{0, bytes({0x80, 0xF0, 0xF1, 0x41, 0xFF, 0x41})},
            {0x580, bytes({0x41, 0xFE, 0xFD, 0x00, 0xF0, 0x80, 0xF1, 0x41, 0x41, 0x41})},
            {0x200, bytes({0x00, 0x03})}, // P 0x0300
            {0x300, bytes({0x41, 0xFF, 0x41})}});
  EXPECT_EQ(dump(dir, "0", "5", "kana0.tbl"), "A\r\n[WAIT]\r\n(00)AA"
                                              "a"
                                              "a[END]\r\n"
                                              "A");
}

// Targets past the end of the ROM file, strings that run into its end, and
// offsets that wrap modulo 2^32.
TEST(Pointers, StringsAtAndPastTheEndOfTheRom) {
  TempDir dir;
  testing::write_file(dir.file("table.tbl"), "41=A\r\n/FE\r\n"
                                             "$F1=SNES,L,10,2,0\r\n" // P 0x07F0: the last 16 bytes
                                             "$80=FIXED,10000,3,0\r\n"    // past the end: three FF
                                             "$81=FIXED,FFFFFF06,2,0\r\n" // wraps to offset 8
                                             "$82=FIXED,80000000,1,0\r\n");
  std::string tail(15, 'A');
  tail.push_back('\0');
  make_rom(dir.file("rom.bin"), 0x800,
           {{0, bytes({0xF1, 0x80, 0x81, 0x82, 0x41})},
            {0x8, bytes({0x41, 0x01})},
            {0x10, bytes({0xF0, 0x07})},
            {0x7F0, tail}});
  EXPECT_EQ(dump(dir, "0", "4"),
            std::string(15, 'A') + "(00)" + "(FF)(FF)(FF)" + "A(01)" + "(FF)" + "A");
}

} // namespace
} // namespace textdump
