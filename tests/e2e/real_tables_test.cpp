// Real data through the built program: free test ROMs dumped at their known
// text offsets, real translators' tables decoding a tiny ROM, and a generated
// table that defines every code with multi-character and Japanese UTF-8 texts.
// The real files are copied into a temporary folder; the tests that need them
// skip (or fail, under CI) when the folder of real data is absent.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "support/limited_run.hpp"
#include "support/realdata.hpp"
#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::answers;
using testing::prompts_then;
using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file;

using testing::REALDATA;
const std::string COMPLETE = prompts_then() + "END PROGRAM.\n";

std::string hex2(int code) {
  constexpr char digits[] = "0123456789ABCDEF";
  return {digits[(code >> 4) & 0xF], digits[code & 0xF]};
}

// Copies a file of the real data into folder under its own name.
std::string copy_real(const TempDir& folder, const std::string& relative) {
  const fs::path from = REALDATA / relative;
  const std::string name = from.filename().string();
  fs::copy_file(from, folder.path() / name);
  return name;
}

// Dumps start..end of rom through table in folder; expects a complete run.
std::string dump(const TempDir& folder, const std::string& rom, const std::string& table,
                 const std::string& start, const std::string& end) {
  const auto result = testing::run_program_limited(folder.path().string(),
                                                   answers(rom, table, "out.txt", start, end));
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, COMPLETE);
  return read_file_bytes(folder.file("out.txt"));
}

// Printable ASCII as itself, 0x0A a line break and 0x00 the END of a string.
TEST(RealTables, AsciiTextOfFreeTestRoms) {
  REQUIRE_REALDATA();
  TempDir dir;
  std::string ascii = "/00\r\n*0A\r\n";
  for (int c = 0x20; c <= 0x7E; ++c) ascii += hex2(c) + "=" + static_cast<char>(c) + "\r\n";
  write_file(dir.file("ascii.tbl"), ascii);

  struct Case {
    const char* rom;
    const char* start;
    const char* end;
    std::string text;
  };
  const std::string dashes(30, '-');
  const std::vector<Case> cases = {
      {"roms/01-basics.nes", "6C10", "6CEA",
       "01-basics[END]\r\nInterrupts could not be disabled[END]\r\n"
       "PHP should set bits 4 and 5 on stack[END]\r\n"
       "PHP and PLP should preserve bits 7,6,3,2,1,0[END]\r\n"
       "PHA should store at $100+S[END]\r\nJSR should push addr of next instr - 1[END]\r\n"
       "RTS should return to addr+1[END]\r\n"},
      {"roms/BANKLoROMSlowROM.sfc", "813D", "8196",
       "Bank Test LoROM/SlowROM ($00):" + dashes + "Jump To Bank 1 ($01)    PASSED"},
      {"roms/BANKHiROMFastROM.sfc", "1013d", "10196",
       "Bank Test HiROM/FastROM ($C0):" + dashes + "Jump To Bank 1 ($C1)    PASSED"},
      {"roms/cpu_instrs.gb", "B80", "B8C", "cpu_instrs\r\n\r\n[END]\r\n"},
      {"roms/cpu_instrs.gb", "42AD", "42BF", "JR negative[END]\r\n(E1)>[END]\r\n(C3)(CA)(C2)<"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rom);
    const std::string rom = copy_real(dir, c.rom);
    EXPECT_EQ(dump(dir, rom, "ascii.tbl", c.start, c.end), c.text);
    fs::remove(dir.file(rom));
  }
}

// Real tables, each loaded without a report, decoding chosen bytes.
TEST(RealTables, TranslatorsTablesDecodeTinyRom) {
  REQUIRE_REALDATA();
  struct Case {
    const char* table;
    std::string rom;
    std::string text;
  };
  const std::vector<Case> cases = {
      // CR LF; 27 defined twice (the later line wins); 3D== is "="; 20 a space
      // out of order; E2 a literal backslash-n; 80 undefined.
      {"tables/telefang__patch.tbl", "\x27\x3D\x20\xE2\xBB\xC4\xE0\x48\x69\x80\x22\xE1\x5C",
       "'= \\n09\xC2\xAB"
       "END\xC2\xBB"
       "Hi(80)\"\xC2\xAB"
       "EOT\xC2\xBB\\"},
      // LF, a blank first line and blank lines between groups; kana; ED before EC.
      {"tables/medarot1.tbl",
       std::string("\x00\x01\xF0\xB7\xB8\x80\x81\xEE\xF1\x78\x4A\x4C\xED\xEC\x7C\x1A\x21\x3B\xFF",
                   19),
       " ヴ「あいアイー」=\\\\n\\n\\n°″円ポ[う\"](3B)(FF)"},
      // LF without a final line end; lower- and upper-case keys; "$" lines whose
      // keywords select nothing; /ff an END with text after it.
      {"tables/mgsgbLz__table.tbl", "\x0A\x6A\xDE\x2F\x24\xF0\xF6\xFE\x1A\xA1\xD9\xFF\x0A",
       "AЙ= lv(F0)(F6)(FE)Qя”[END]\r\nA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    TempDir dir;
    write_file(dir.file("rom.bin"), c.rom);
    const std::string table = copy_real(dir, c.table);
    const std::string original = read_file_bytes((REALDATA / c.table).string());
    EXPECT_EQ(dump(dir, "rom.bin", table, "0", hex2(static_cast<int>(c.rom.size()) - 1)), c.text);
    EXPECT_EQ(read_file_bytes(dir.file(table)), original);
  }
}

// A table of 256 lines defining every code, with CR LF, LF and CR line ends,
// decoding a ROM of every byte forwards and backwards.
TEST(RealTables, GeneratedTableOfEveryCode) {
  const std::vector<std::string> words = {"あ", "イ", "う語", "エ", "お", "漢字", "きゃ", "ー"};
  std::vector<std::string> texts;
  for (int c = 0; c < 256; ++c)
    texts.push_back(words[static_cast<std::size_t>(c) % words.size()] + "<" + hex2(c) + ">");
  std::string rom, expected;
  for (int c = 0; c < 256; ++c) rom.push_back(static_cast<char>(c));
  for (int c = 255; c >= 0; --c) rom.push_back(static_cast<char>(c));
  for (char c : rom) expected += texts[static_cast<unsigned char>(c)];

  for (const std::string eol : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(eol == "\r\n" ? "CR LF" : eol == "\n" ? "LF" : "CR");
    TempDir dir;
    std::string table;
    for (int c = 0; c < 256; ++c) {
      std::string key = hex2(c);
      if (c % 2 == 1)
        for (char& k : key) k = static_cast<char>(std::tolower(static_cast<unsigned char>(k)));
      table += key + "=" + texts[static_cast<std::size_t>(c)];
      if (c < 255 || eol != "\n") table += eol; // the LF table has no final line end
    }
    write_file(dir.file("every.tbl"), table);
    write_file(dir.file("rom.bin"), rom);
    EXPECT_EQ(dump(dir, "rom.bin", "every.tbl", "0", "1FF"), expected);
  }
}

} // namespace
} // namespace textdump
