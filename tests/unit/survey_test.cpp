// The survey's spans on small built ROMs, and its picture: the SVG of the
// worst case for a 4 MiB ROM (a change of kind at every pixel) is well-formed
// and stays under 2 MB.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "app/survey/svg_map.hpp"
#include "core/tables/tables.hpp"
#include "core/maps/maps.hpp"
#include "core/survey/survey.hpp"
#include "generator/rom_generator.hpp"
#include "support/case_names.hpp"
#include "support/real_games.hpp"
#include "support/tables.hpp"

namespace textdump {
namespace {

// Letters, space, the end 01 and the control code 02 with one parameter byte.
CodeTable survey_table() {
  std::string text = "20= \n/01=<end>\n$02=<c>,1\n";
  char line[16];
  for (int c = 'A'; c <= 'z'; ++c)
    if (c <= 'Z' || c >= 'a') {
      std::snprintf(line, sizeof line, "%02X=%c\n", c, c);
      text += line;
    }
  return testing::standard_table(text);
}

// survey_table's keys and a switch F0 to a table where A1 to A4 are letters
// and A0 is the end, for as long as it goes; 01 ends nothing there.
std::vector<CodeTable> survey_tables() {
  std::vector<CodeTable> tables{survey_table(), CodeTable(TableFormat::standard)};
  const StandardTable file =
      parse_standard_table("@main\n!F0=<[k]>,<@kana>:0\n@kana\nA1=a\nA2=b\nA3=c\nA4=d\n/A0\n");
  tables[0].lay_over(file.tables[0].definitions);
  tables[1].lay_over(file.tables[1].definitions);
  return tables;
}

// "text 1-7 end, free 7-23 00, pointers 0-8 -> 8-13": the spans as the cases write them.
std::string described(const Survey& survey) {
  std::string text;
  char item[64];
  for (const Span& s : survey.spans) {
    if (!text.empty()) text += ", ";
    switch (s.kind) {
    case SpanKind::text:
      std::snprintf(item, sizeof item, "text %llu-%llu%s", static_cast<unsigned long long>(s.at),
                    static_cast<unsigned long long>(s.end), s.ended ? " end" : "");
      break;
    case SpanKind::free:
      std::snprintf(item, sizeof item, "free %llu-%llu %02X", static_cast<unsigned long long>(s.at),
                    static_cast<unsigned long long>(s.end), s.byte);
      break;
    case SpanKind::pointers:
      std::snprintf(item, sizeof item, "pointers %llu-%llu -> %llu-%llu",
                    static_cast<unsigned long long>(s.at), static_cast<unsigned long long>(s.end),
                    static_cast<unsigned long long>(s.target_at),
                    static_cast<unsigned long long>(s.target_end));
      break;
    }
    text += item;
  }
  return text;
}

Candidate table_at(std::uint32_t at, std::uint32_t count, std::vector<std::uint64_t> targets) {
  Candidate c;
  c.ptable.at = at;
  c.ptable.count = count;
  c.ptable.size = 2;
  c.ptable.stride = 2;
  c.targets = std::move(targets);
  return c;
}

const std::string ZEROS(49, '\0'), FFS(49, '\xFF');

struct SpansCase {
  const char* name;
  std::string rom;
  std::vector<Candidate> tables;
  std::string spans;
  bool switched = false; // through the file of survey_tables()
};
const SpansCase SPANS[] = {
    {"free space is 48 bytes of the fill byte (FF unless the ROM ends in 00) after a run's first",
     ZEROS + std::string(48, '\xFF') + "\x80" + FFS + "Sixteen at lasts", {},
     "free 99-147 FF, text 147-163"},
    {"text ends after an end entry or before a byte that is not text; a control passes",
     "\x80Hello\x01" "abc\x80" "ab\x02\x99" "cd\x80" "Four\x01", {},
     "text 1-7 end, text 11-17, text 18-23 end"},
    {"three text keys are no run, nor are control codes alone", "\x80" "ab\x02xy\x80\x02x\x02y\x01", {},
     ""},
    {"letters that make no words are no text: mixed case, no vowel, a word too long; words are",
     "\x80" "qXzvBnWk tRpL\x01" "\x80" "Brr psst grrr\x01" "\x80" "Abcdefghijklmnopq\x01"
     "\x80" "Hello world\x01", {}, "text 50-62 end"},
    {"free space ends the text before it", "Hello" + ZEROS, {}, "text 0-5, free 6-54 00"},
    {"a pointer table is no text, and spans the text it points into",
     "ABCDEFGH" "Alpha\x01" "Beta\x01", {table_at(0, 4, {8, 14, 8, 14})},
     "pointers 0-8 -> 8-19, text 8-14 end, text 14-19 end"},
    {"a table over free space, or over a better table, is left out",
     "ABCD" + FFS + "Alpha\x01",
     {table_at(0, 4, {53}), table_at(0, 2, {53}), table_at(2, 1, {53})},
     "pointers 0-4 -> 53-59, free 5-53 FF, text 53-59 end"},
    {"a switch's frames read text of the run, and the end of a frame's table ends it; the "
     "span of a table's text reaches that end",
     "ABCD" "More\x01" "Hi\xF0\xA1\xA2\xA3\xA4\xA0" "\x80", {table_at(0, 2, {4, 9})},
     "pointers 0-4 -> 4-17, text 4-9 end, text 9-17 end", true},
};

class SpansOfBuiltRom : public ::testing::TestWithParam<SpansCase> {};

// The spans, and the bytes of each kind adding up to theirs.
TEST_P(SpansOfBuiltRom, AreAsTheCaseSays) {
  const SpansCase& c = GetParam();
  const CodeTable table = survey_table();
  const std::vector<CodeTable> tables = survey_tables();
  const RomView rom{reinterpret_cast<const unsigned char*>(c.rom.data()), c.rom.size()};
  const Survey survey = c.switched ? survey_rom(rom, tables[0], c.tables, &tables)
                                   : survey_rom(rom, table, c.tables);
  EXPECT_EQ(described(survey), c.spans);
  std::uint64_t bytes = 0;
  for (const Span& s : survey.spans) bytes += s.length();
  EXPECT_EQ(survey.bytes[0] + survey.bytes[1] + survey.bytes[2], bytes);
}

INSTANTIATE_TEST_SUITE_P(Survey, SpansOfBuiltRom, ::testing::ValuesIn(SPANS),
                         testing::CaseName{});

// Every tag closed in order, every attribute value quoted: enough of XML to
// tell a broken picture.
bool well_formed(const std::string& xml, std::size_t& elements) {
  std::vector<std::string> open;
  elements = 0;
  for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
    const std::size_t end = xml.find('>', at);
    if (end == std::string::npos) return false;
    const std::string tag = xml.substr(at + 1, end - at - 1);
    if (tag.find('<') != std::string::npos ||
        std::count(tag.begin(), tag.end(), '"') % 2 != 0)
      return false;
    if (tag.front() == '?') continue;
    if (tag.front() == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return false;
      open.pop_back();
      continue;
    }
    ++elements;
    if (tag.back() != '/') open.push_back(tag.substr(0, tag.find(' ')));
  }
  return open.empty();
}

TEST(Survey, TheSvgOfAFourMegabyteRomIsWellFormedAndSmall) {
  constexpr std::uint64_t SIZE = 0x400000, BANK = 0x8000;
  const PictureLayout layout = picture_layout(SIZE, BANK);
  EXPECT_EQ(layout.rows, 64u);
  // A change of kind at every pixel, and two pointer tables.
  Survey survey;
  for (std::uint64_t at = 0; at < SIZE; at += layout.cell_bytes) {
    Span span;
    span.kind = (at / layout.cell_bytes) % 2 == 0 ? SpanKind::text : SpanKind::free;
    span.at = at;
    span.end = at + layout.cell_bytes;
    survey.spans.push_back(span);
  }
  for (std::size_t t = 0; t < 2; ++t) {
    Span span;
    span.kind = SpanKind::pointers;
    span.at = 0x10000 + t * 0x200000;
    span.end = span.at + 0x100;
    span.table = t;
    span.target_at = 0x30000 - t * 0x20000;
    span.target_end = span.target_at + 0x21000; // over two rows' ends
    survey.spans.push_back(span);
  }
  SvgMap map;
  map.title = "big & <small> \"rom\"";
  map.rom_size = SIZE;
  map.bank_bytes = BANK;
  map.table_names = {"#1 lorom, 128 pointers", "#2 lorom, 128 pointers"};
  map.address = [](std::uint64_t offset) { return "$" + std::to_string(offset); };
  const std::string svg = svg_map(map, survey, layout);
  EXPECT_LT(svg.size(), 2'000'000u);
  std::size_t elements = 0;
  EXPECT_TRUE(well_formed(svg, elements));
  EXPECT_NE(svg.find("big &amp; &lt;small&gt; &quot;rom&quot;"), std::string::npos);
  EXPECT_EQ(picture_runs(survey, layout).size(), 64u * CELLS_A_ROW);
  // Each table: its group, a link, and the outline of its text on each of the three rows it spans.
  std::size_t groups = 0, links = 0, outlines = 0;
  for (std::size_t at = svg.find("<g class=\"table\">"); at != std::string::npos;
       at = svg.find("<g class=\"table\">", at + 1))
    ++groups;
  for (std::size_t at = svg.find("class=\"link\" d=\"M", 300); at != std::string::npos;
       at = svg.find("class=\"link\" d=\"M", at + 1))
    ++links;
  for (std::size_t at = svg.find("class=\"target\""); at != std::string::npos;
       at = svg.find("class=\"target\"", at + 1))
    ++outlines;
  EXPECT_EQ(groups, 2u);
  EXPECT_EQ(links, 3u); // with the legend's
  EXPECT_EQ(outlines, 6u);
  EXPECT_GT(elements, 64u * 2); // the rows and their labels at least
}


// On generated ROMs whose banks end in padding: every free run is of the fill
// byte, at least the least long, inside one bank and outside the header.
TEST(Survey, FreeRunsStayInsideABankAndOutOfTheHeader) {
  namespace gen = textdump::testing;
  for (const auto map : {gen::AddressMap::gb, gen::AddressMap::lorom, gen::AddressMap::nes}) {
    gen::RomOptions options = gen::random_options(40, map);
    options.padded_banks = true;
    const gen::GeneratedRom g = gen::generate_rom(options);
    const RomView rom{g.rom.data(), g.rom.size()};
    const MapDescriptor* platform = platform_map(rom);
    ASSERT_NE(platform, nullptr) << gen::name_of(map);
    const RomLayout layout = layout_of(rom);
    const std::uint64_t origin =
        map == gen::AddressMap::nes ? layout.prg_start : layout.copier_header;
    for (const std::uint8_t byte : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
      const std::vector<FreeRun> runs = free_runs(rom, {byte, FREE_RUN_MIN, {}});
      EXPECT_FALSE(runs.empty()) << gen::name_of(map) << " " << int{byte};
      for (const FreeRun& r : runs) {
        EXPECT_GE(r.length(), FREE_RUN_MIN);
        EXPECT_EQ((r.at - origin) / platform->bank_bytes,
                  (r.end - 1 - origin) / platform->bank_bytes)
            << gen::name_of(map) << " $" << hex_number(r.at) << "-$" << hex_number(r.end);
        EXPECT_TRUE(std::all_of(g.rom.begin() + static_cast<std::ptrdiff_t>(r.at),
                                g.rom.begin() + static_cast<std::ptrdiff_t>(r.end),
                                [&](std::uint8_t b) { return b == byte; }));
        if (map == gen::AddressMap::gb) {
          EXPECT_TRUE(r.end <= 0x100 || r.at >= 0x150);
        }
      }
    }
    EXPECT_EQ(free_runs(rom, {}), free_runs(rom, {padding_byte(rom), FREE_RUN_MIN, {}}));
  }
}

// Tables a few bytes apart: each name under its table, moved right of the one
// before it in its row so that none is drawn over another; in the next row a
// name stays under its table.
TEST(Survey, TheSvgNamesNearbyTablesApart) {
  const PictureLayout layout = picture_layout(0x10000, 0);
  Survey survey;
  for (const std::uint64_t at : {0x100u, 0x104u, 0x108u, 0x10Cu, 0x1010u}) {
    Span span;
    span.kind = SpanKind::pointers;
    span.at = at;
    span.end = at + 4;
    span.table = survey.spans.size();
    span.target_at = 0x2000;
    span.target_end = 0x2010;
    survey.spans.push_back(span);
  }
  SvgMap map;
  map.rom_size = 0x10000;
  map.table_names = {"#1 linear", "#2 linear", "#10 linear", "#11 linear", "#12 linear"};
  const std::string svg = svg_map(map, survey, layout);
  const std::regex label(R"re(<text x="(\d+)" y="(\d+)">(#\d+)</text></g>)re");
  std::vector<std::array<std::uint64_t, 3>> seen; // x, y, characters
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label); it != std::sregex_iterator();
       ++it)
    seen.push_back({std::stoull((*it)[1]), std::stoull((*it)[2]), (*it)[3].str().size()});
  ASSERT_EQ(seen.size(), 5u);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(seen[i][1], seen[0][1]);
    EXPECT_GE(seen[i][0], seen[i - 1][0] + 7 * seen[i - 1][2]) << map.table_names[i];
  }
  EXPECT_GT(seen[4][1], seen[3][1]);
  // Row 4 starts at 0x1000: its name 0x10 cells in, as the first is 0x100 cells in row 0.
  EXPECT_EQ(seen[4][0] + 0x100, seen[0][0] + 0x10) << "the next row's name moved";
}

// Real games (games/truth.json) through their own tables, their true pointer
// tables given: of the strings those tables point into, most is text; of the
// rest of the ROM (code, tiles, compressed text, which reads as no words even
// where the table decodes every byte) little is.
TEST(Survey, OfRealGamesCallsTheirStringsTextAndLittleElse) {
  REQUIRE_REALDATA();
  for (const testing::RealGame& game : testing::real_games()) {
    SCOPED_TRACE(game.name);
    const RomView rom = game.rom();
    const std::vector<CodeTable>& tables = game.tables;
    std::vector<Candidate> truths;
    for (const auto& t : game.truth.at("tables")) {
      Candidate c;
      c.ptable = std::get<PointerTable>(parse_pointer_table(t.at("pointers").get<std::string>()));
      for (const PointerRead& read : read_pointers(c.ptable, rom))
        if (read.target && read.value != 0) c.targets.push_back(*read.target);
      truths.push_back(std::move(c));
    }
    const Survey survey = survey_rom(rom, tables.front(), truths, &tables);
    std::vector<bool> strings(rom.size, false), text(rom.size, false);
    for (const Span& span : survey.spans) {
      if (span.kind == SpanKind::pointers)
        std::fill(strings.begin() + static_cast<std::ptrdiff_t>(span.target_at),
                  strings.begin() + static_cast<std::ptrdiff_t>(span.target_end), true);
      if (span.kind == SpanKind::text)
        std::fill(text.begin() + static_cast<std::ptrdiff_t>(span.at),
                  text.begin() + static_cast<std::ptrdiff_t>(span.end), true);
    }
    std::uint64_t string_bytes = 0, string_text = 0, other_text = 0;
    for (std::uint64_t p = 0; p < rom.size; ++p) {
      if (strings[p]) ++string_bytes;
      if (text[p]) ++(strings[p] ? string_text : other_text);
    }
    const std::uint64_t others = rom.size - string_bytes;
    EXPECT_LE(other_text * 10, others) << other_text << " of " << others << " other bytes are text";
    if (game.name != "oregon") { // whose strings are compressed
      EXPECT_GE(string_text * 5, string_bytes * 4)
          << string_text << " of " << string_bytes << " string bytes are text";
    }
  }
}

} // namespace
} // namespace textdump
