// --insert in-process on what the script tests do not reach: a Game Boy
// game's {length, address} entries whose strings change length (the lengths
// rewritten, the header and global checksums kept right, or a wrong one left
// as it was with a warning), the SNES, GBA and Mega Drive checksums kept
// right on headers built here, a script whose own pointer write lands in its
// text, and a plan whose bytes are not its text, which the proof catches by
// decoding; and #STRINGALIGN.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/insert/insert.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script.hpp"
#include "core/tables/tables.hpp"
#include "support/core_insert.hpp"
#include "support/realdata.hpp"
#include "support/tables.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

// The Game Boy's global checksum as the hardware documents it: the sum of
// every byte but its own two, big-endian.
void set_global_checksum(std::string& rom) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < rom.size(); ++i)
    if (i != 0x14E && i != 0x14F) sum += static_cast<unsigned char>(rom[i]);
  rom[0x14E] = static_cast<char>(sum >> 8 & 0xFF);
  rom[0x14F] = static_cast<char>(sum & 0xFF);
}

std::uint8_t header_checksum(const std::string& rom) {
  std::uint8_t x = 0;
  for (std::size_t i = 0x134; i <= 0x14C; ++i)
    x = static_cast<std::uint8_t>(x - static_cast<unsigned char>(rom[i]) - 1);
  return x;
}

const std::vector<std::string> TEXTS = {"Welcome, traveller.", "Buy", "Sell", "Come again!"};

TEST(Insert, GameBoyLengthsBesideTheirPointersChangeWithTheirStrings) {
  REQUIRE_REALDATA();
  // A real game's header (both checksums right), the strings in bank 1 at
  // $4100, their {length, address} entries at $3000.
  std::string rom =
      testing::read_file_bytes((testing::REALDATA / "games/cardrpg/rpg_card_proto.gb").string());
  std::size_t at = 0x4100;
  for (std::size_t i = 0; i < TEXTS.size(); ++i) {
    rom.replace(at, TEXTS[i].size(), TEXTS[i]);
    rom[0x3000 + 3 * i] = static_cast<char>(TEXTS[i].size());
    rom[0x3001 + 3 * i] = static_cast<char>(at & 0xFF);
    rom[0x3002 + 3 * i] = static_cast<char>(at >> 8); // bank 1 at 4000-7FFF
    at += TEXTS[i].size();
  }
  rom.replace(at, 0x40, 0x40, '\xFF');
  set_global_checksum(rom);

  std::string ascii;
  for (int c = 0x20; c < 0x7F; ++c)
    ascii += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  const CodeTable table = testing::standard_table(ascii);
  ScriptRequest request;
  request.rom = {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  request.table = &table;
  request.ptables.push_back(std::get<PointerTable>(
      parse_pointer_table("at=3000,count=4,stride=3,offset=1,length=0:1,map=gb,bank=1")));
  request.end = std::get<EndRule>(parse_end_rule("token"));
  request.insertion_table_name = "script.tbl";
  request.words = report_text;
  const Script dumped = build_script(request);
  ASSERT_TRUE(dumped.errors.empty()) << report_text(dumped.errors.front());
  const auto read_table = [&](const std::string&) {
    return std::optional<std::string>(dumped.insertion_table);
  };

  // One string 6 bytes longer, one 6 bytes shorter, in the one block.
  std::vector<std::string> texts = TEXTS;
  texts[1] = "Buy now!!";
  texts[3] = "Come!";
  std::string script = dumped.script.joined();
  for (std::size_t i = 0; i < TEXTS.size(); ++i) {
    const std::size_t line = script.find("\r\n" + TEXTS[i] + "\r\n");
    ASSERT_NE(line, std::string::npos) << TEXTS[i];
    script.replace(line + 2, TEXTS[i].size(), texts[i]);
  }
  ASSERT_EQ(dumped.blocks.size(), 1u);

  // The Atlas inserter keeps the lengths, so the edit is refused for it.
  EXPECT_FALSE(fit_script(script, read_table, FitFor::atlas).fits());
  for (const bool spoiled : {false, true}) {
    SCOPED_TRACE(spoiled ? "global checksum wrong before" : "checksums right before");
    std::string before = rom;
    if (spoiled) before[0x14F] = static_cast<char>(before[0x14F] ^ 1);
    const testing::CoreInsert core = testing::core_insert(before, script, read_table);
    ASSERT_TRUE(core.fit.fits()) << report_text(core.fit.diagnostics.front());
    ASSERT_TRUE(core.insertion.ok()) << report_text(core.insertion.diagnostics.front());
    const std::string& out = core.insertion.rom;
    EXPECT_EQ(core.insertion.lengths, TEXTS.size());
    const RomView view{reinterpret_cast<const unsigned char*>(out.data()), out.size()};
    std::size_t i = 0;
    for (const PointerRead& read : read_pointers(request.ptables[0], view)) {
      ASSERT_TRUE(read.target && read.length);
      EXPECT_EQ(*read.length, texts[i].size());
      EXPECT_EQ(out.substr(*read.target, texts[i].size()), texts[i]);
      ++i;
    }
    EXPECT_EQ(static_cast<std::uint8_t>(out[0x14D]), header_checksum(out));
    std::string recomputed = out;
    set_global_checksum(recomputed);
    if (spoiled) {
      EXPECT_EQ(out.substr(0x14E, 2), before.substr(0x14E, 2));
      ASSERT_EQ(core.insertion.diagnostics.size(), 1u);
      EXPECT_EQ(core.insertion.diagnostics[0].id, ReportId::insert_checksum_wrong);
    } else {
      EXPECT_EQ(out, recomputed);
      EXPECT_TRUE(core.insertion.diagnostics.empty());
    }
  }
}

// A header of each platform, its checksum made right by the platform's rule
// as its documents give it: where the checksum lies and its bytes.
struct Platform {
  const char* name;
  std::string rom;
  std::size_t at, size;
  std::string (*checksum)(const std::string& rom);
};

std::string snes_checksum(const std::string& rom) { // a LoROM of a power of two
  std::uint16_t sum = 0x1FE;                        // its own four bytes counted as FF FF 00 00
  for (std::size_t i = 0; i < rom.size(); ++i)
    if (i < 0x7FDC || i > 0x7FDF)
      sum = static_cast<std::uint16_t>(sum + static_cast<unsigned char>(rom[i]));
  const auto complement = static_cast<std::uint16_t>(~sum);
  return {static_cast<char>(complement & 0xFF), static_cast<char>(complement >> 8),
          static_cast<char>(sum & 0xFF), static_cast<char>(sum >> 8)};
}

std::string gba_checksum(const std::string& rom) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0xA0; i <= 0xBC; ++i)
    sum = static_cast<std::uint8_t>(sum + static_cast<unsigned char>(rom[i]));
  return {static_cast<char>(0 - (sum + 0x19))};
}

std::string md_checksum(const std::string& rom) { // an even size
  std::uint16_t sum = 0;
  for (std::size_t i = 0x200; i < rom.size(); i += 2)
    sum = static_cast<std::uint16_t>(sum + (static_cast<unsigned char>(rom[i]) << 8) +
                                     static_cast<unsigned char>(rom[i + 1]));
  return {static_cast<char>(sum >> 8), static_cast<char>(sum & 0xFF)};
}

std::vector<Platform> platforms() {
  std::vector<Platform> all;
  std::string snes(0x40000, '\x11');
  snes.replace(0x7FC0, 21, "TEXTDUMP TEST HEADER ");
  snes[0x7FD5] = 0x20;
  all.push_back({"SNES LoROM", snes, 0x7FDC, 4, snes_checksum});
  std::string gba(0x10000, '\x02');
  gba.replace(4, 8, "\x24\xFF\xAE\x51\x69\x9A\xA2\x21");
  gba[0xB2] = static_cast<char>(0x96);
  all.push_back({"GBA", gba, 0xBD, 1, gba_checksum});
  std::string md(0x10000, '\x03');
  md.replace(0x100, 16, "SEGA MEGA DRIVE ");
  all.push_back({"Mega Drive", md, 0x18E, 2, md_checksum});
  return all;
}

TEST(Insert, EachPlatformsChecksumRightBeforeIsRightAfter) {
  const std::string script = "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n#ACTIVETBL(Table)\n"
                             "#VAR(PtrA, CUSTOMPOINTER)\n#CREATEPTR(PtrA, \"LINEAR\", $0, 16)\n"
                             "#JMP($1000, $10FF)\n#WRITE(PtrA, $2000)\nABBA<END>\n";
  const auto read_table = [](const std::string&) {
    return std::optional<std::string>("41=A\n42=B\n/00=<END>\n");
  };
  for (Platform& p : platforms()) {
    SCOPED_TRACE(p.name);
    p.rom.replace(p.at, p.size, p.checksum(p.rom));
    for (const bool wrong : {false, true}) {
      std::string rom = p.rom;
      if (wrong) rom[p.at] = static_cast<char>(rom[p.at] ^ 0x40);
      const testing::CoreInsert core = testing::core_insert(rom, script, read_table);
      ASSERT_TRUE(core.insertion.ok()) << report_text(core.insertion.diagnostics.front());
      const std::string& out = core.insertion.rom;
      EXPECT_EQ(out.substr(0x1000, 5), std::string("ABBA\0", 5));
      EXPECT_EQ(out.substr(p.at, p.size), wrong ? rom.substr(p.at, p.size) : p.checksum(out));
      EXPECT_EQ(core.insertion.diagnostics.size(), wrong ? 1u : 0u);
    }
  }
}

// The script's pointer slot lies in the text of its own block: the pointer,
// written after the text, breaks the string it should reach.
TEST(Insert, ThePointerWrittenIntoItsOwnTextFailsTheProof) {
  const std::string script = "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n#ACTIVETBL(Table)\n"
                             "#VAR(PtrA, CUSTOMPOINTER)\n#CREATEPTR(PtrA, \"LINEAR\", $0, 16)\n"
                             "#JMP($10, $2F)\n#WRITE(PtrA, $12)\nABCDEF<END>\n";
  const std::string rom(0x40, '\0');
  const testing::CoreInsert core = testing::core_insert(rom, script, [](const std::string&) {
    return std::optional<std::string>("41=A\n42=B\n43=C\n44=D\n45=E\n46=F\n/00=<END>\n");
  });
  ASSERT_TRUE(core.fit.fits());
  EXPECT_FALSE(core.insertion.ok());
  EXPECT_TRUE(core.insertion.rom.empty());
  ASSERT_FALSE(core.insertion.diagnostics.empty());
  EXPECT_EQ(core.insertion.diagnostics[0].id, ReportId::insert_string_differs);
  EXPECT_EQ(core.insertion.diagnostics[0].line, 7u);
}

const std::string HEAD = "#VAR(Table, TABLE)\n#ADDTBL(\"t.tbl\", Table)\n#ACTIVETBL(Table)\n"
                         "#VAR(PtrA, CUSTOMPOINTER)\n#CREATEPTR(PtrA, \"LINEAR\", $0, 16)\n";

std::optional<std::string> abcdef(const std::string&) {
  return "41=A\n42=B\n43=C\n44=D\n45=E\n46=F\n/00=<END>\n";
}

// Each string from #STRINGALIGN on starts on its multiple, 00 before it, the
// padding counted in its block; a pointer into a string's middle moves nothing.
TEST(Insert, StringAlignStartsEachStringOnItsMultiple) {
  const std::string script = HEAD + "#JMP($10, $3F)\n#WRITE(PtrA, $40)\nAB<END>\n"
                                    "#STRINGALIGN(4)\n#WRITE(PtrA, $42)\nABCDE<END>\n"
                                    "#WRITE(PtrA, $44)\nC\n#WRITE(PtrA, $46)\nD<END>\n";
  const testing::CoreInsert core = testing::core_insert(std::string(0x50, '\xEE'), script, abcdef);
  ASSERT_TRUE(core.insertion.ok()) << report_text(core.insertion.diagnostics.front());
  const std::string& out = core.insertion.rom;
  EXPECT_EQ(out.substr(0x10, 0x10), std::string("AB\0\0ABCDE\0\0\0CD\0\xEE", 0x10));
  EXPECT_EQ(out.substr(0x40, 8), std::string("\x10\0\x14\0\x1C\0\x1D\0", 8));
  ASSERT_EQ(core.fit.blocks.size(), 1u);
  EXPECT_EQ(core.fit.blocks[0].used, 0x1Fu - 0x10u);
  for (const char* bad : {"#STRINGALIGN(0)", "#STRINGALIGN()", "#STRINGALIGN(2, 4)"}) {
    const FitReport fit = fit_script(HEAD + bad + "\n", abcdef);
    ASSERT_FALSE(fit.fits()) << bad;
    EXPECT_EQ(fit.diagnostics[0].line, 6u) << bad;
  }
}

// A plan whose bytes are not what its text says (a character, an end token
// lost) is written as planned, and the proof, decoding with the table, fails
// it on the line of the pointer to that string; raw forms read as their byte.
TEST(Insert, TheProofDecodesEachStringWithTheTable) {
  const std::string script = HEAD + "#JMP($10, $3F)\n#WRITE(PtrA, $40)\nAB<$C0>C<END>\n"
                                    "#WRITE(PtrA, $42)\nDE<END>\n";
  const std::string rom(0x50, '\xEE');
  const testing::CoreInsert core = testing::core_insert(rom, script, abcdef);
  ASSERT_TRUE(core.insertion.ok()) << report_text(core.insertion.diagnostics.front());
  for (const auto& [at, byte, line] :
       {std::tuple<std::size_t, char, std::size_t>{1, 'C', 7}, {5, 'F', 9}, {4, 'A', 7}}) {
    InsertPlan plan = core.fit.plan;
    plan.blocks[0].bytes[at] = byte;
    const Insertion insertion = insert_script(plan, rom);
    ASSERT_FALSE(insertion.ok()) << at;
    EXPECT_EQ(insertion.diagnostics[0].id, ReportId::insert_string_differs) << at;
    EXPECT_EQ(insertion.diagnostics[0].line, line) << at;
  }
}

} // namespace
} // namespace textdump
