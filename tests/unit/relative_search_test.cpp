// The relative search in-process: its matching rules on small ROMs (one table
// of cases), other letter orders, generated ROMs whose draft table dumps the
// planted sentences, and the real ROMs' ASCII text; each case a test of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "app/search/find_text_words.hpp"
#include "core/decode/decode.hpp"
#include "core/base/base.hpp"
#include "core/search/relative_search.hpp"
#include "core/tables/tables.hpp"
#include "generator/rom_text_encodings.hpp"
#include "support/case_names.hpp"
#include "support/realdata.hpp"
#include "support/tables.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

namespace gen = textdump::testing;

// The text's characters as codes: each letter of A-Z, a-z, 0-9 or the gojuon
// kana (small and voiced kana as codes) at its base, others from `codes`,
// all written at `at` in a ROM of 0xEE filler.
struct Encoding {
  unsigned width = 1;
  ByteOrder order = ByteOrder::le;
  std::uint32_t upper = 0x80, lower = 0xA0, digit = 0x10, kana = 0x100;
  // A code past the width's is written as two codes ("ñ" as $C3 $F1).
  std::vector<std::pair<std::string, std::uint32_t>> codes{
      {" ", 0x00}, {"!", 0x01}, {"?", 0x02}, {"ñ", 0xC3F1}};
};

std::uint32_t code_of(const std::string& c, const Encoding& e, const LetterSystem& full) {
  for (const auto& [text, code] : e.codes)
    if (text == c) return code;
  const auto place = full.find(c);
  if (!place) throw std::logic_error("no code for " + c);
  const std::string& run = full.runs[place->run].name;
  const std::uint32_t base = run == "A-Z" ? e.upper : run == "a-z" ? e.lower : run == "0-9" ? e.digit : e.kana;
  return base + static_cast<std::uint32_t>(place->index);
}

void put(std::string& rom, std::size_t& at, const std::string& text, const Encoding& e) {
  static const LetterSystem full = gojuon_systems()[1];
  for (const std::string& c : characters_of(text)) {
    const std::uint32_t code = code_of(c, e, full);
    if (e.width == 1) {
      if (code > 0xFF) rom[at++] = static_cast<char>(code >> 8);
      rom[at++] = static_cast<char>(code);
    } else {
      const char low = static_cast<char>(code & 0xFF), high = static_cast<char>(code >> 8);
      rom[at++] = e.order == ByteOrder::le ? low : high;
      rom[at++] = e.order == ByteOrder::le ? high : low;
    }
  }
}

// The encodings of the cases.
const Encoding ONE;
const Encoding LE = [] {
  Encoding e;
  e.width = 2;
  e.upper = 0x2A0;
  e.lower = 0x2C0;
  return e;
}();
const Encoding BE = [] {
  Encoding e = LE;
  e.order = ByteOrder::be;
  return e;
}();
const Encoding WIDE = [] { // Z would be past $FF
  Encoding e;
  e.upper = 0xF0;
  return e;
}();
const Encoding OVERLAPPING = [] { // a-z inside A-Z's codes
  Encoding e;
  e.lower = 0x90;
  return e;
}();
const Encoding SMALL = [] {
  Encoding e;
  e.kana = 0x20;
  return e;
}();
// Capitals in a high byte of their own and the space in another: read one
// byte off in the other order, the lower case after a space looks capitalised.
const Encoding CAPITALS_APART = [] {
  Encoding e = LE;
  e.upper = 0x341;
  e.lower = 0x261;
  return e;
}();

struct RuleCase {
  std::string name;
  Encoding encoding;
  std::vector<std::pair<std::size_t, std::string>> planted; // offset, text
  std::vector<std::string> words;
  std::string kana = "gojuon";
  std::vector<unsigned> widths{1, 2};
  // The first candidate: its layout, "run=base" for each run, "character=code"
  // for each character of no run with one code, its hit offsets, the words
  // it has no hit of; or no candidate when layout is empty.
  std::string layout, bases, seen;
  std::vector<std::uint32_t> hits;
  std::vector<std::size_t> unmatched = {};
};
const RuleCase RULES[] = {
    {"distances kept at any base", ONE, {{0x10, "Potion"}, {0x40, "Potion"}}, {"Potion"},
     "gojuon", {1, 2}, "1-byte codes", "A-Z=80 a-z=A0", "", {0x10, 0x40}},
    {"words agree on their bases", ONE, {{0x10, "Potion"}, {0x40, "Iron Sword"}},
     {"Potion", "Iron Sword"}, "gojuon", {1, 2}, "1-byte codes", "A-Z=80 a-z=A0", " =$00",
     {0x10, 0x40}},
    {"a word of no hit is named and the others still searched", ONE, {{0x10, "Potion"}},
     {"Sword", "Potion"}, "gojuon", {1, 2}, "1-byte codes", "A-Z=80 a-z=A0", "", {0x10}, {0}},
    {"? and punctuation are any code; repeated punctuation one code", ONE,
     {{0x10, "Got! Got!"}}, {"Got! ?ot!"}, "gojuon", {1}, "1-byte codes", "A-Z=80 a-z=A0",
     "!=$01  =$00", {0x10}},
    {"\\? is a question mark, one code at all its places", ONE,
     {{0x10, "Got? Got?"}, {0x40, "Got? Got!"}}, {"Got\\? Got\\?"}, "gojuon", {1},
     "1-byte codes", "A-Z=80 a-z=A0", "?=$02  =$00", {0x10}},
    {"a character of no run repeated with two codes is no match", ONE,
     {{0x10, "Go! Go "}}, {"Go! Go!"}, "gojuon", {1}, "", "", "", {}},
    {"digits are a run of their own", ONE, {{0x10, "Lv 42"}}, {"Lv 42"}, "gojuon", {1},
     "1-byte codes", "A-Z=80 a-z=A0 0-9=10", " =$00", {0x10}},
    {"a run must fit the width's codes", WIDE, {{0x10, "AB"}, {0x20, "AB"}}, {"AB"}, "gojuon",
     {1}, "", "", "", {}},
    {"runs may not overlap", OVERLAPPING, {{0x10, "Ab cd"}}, {"Ab cd"}, "gojuon", {1}, "", "",
     "", {}},
    {"2-byte le", LE, {{0x10, "Potion"}}, {"Potion"}, "gojuon", {1, 2}, "2-byte le codes",
     "A-Z=2A0 a-z=2C0", "", {0x10}},
    {"2-byte be", BE, {{0x10, "Potion"}}, {"Potion"}, "gojuon", {1, 2}, "2-byte be codes",
     "A-Z=2A0 a-z=2C0", "", {0x10}},
    {"kana with small and voiced kana as codes", SMALL, {{0x10, "やくそう"}, {0x30, "ぎょうざ"}},
     {"やくそう", "ぎょうざ"}, "gojuon", {1}, "1-byte codes", "hiragana=20", "", {0x10, 0x30}},
    {"a letter of two bytes among 1-byte codes", ONE, {{0x10, "España"}, {0x40, "Años"}},
     {"España", "Años"}, "gojuon", {1, 2}, "1-byte codes", "A-Z=80 a-z=A0", "ñ=$C3F1",
     {0x10, 0x40}},
    {"capitals of one a word from several words, in their text's byte order", CAPITALS_APART,
     {{0x10, " dragon knight forest"}, {0x40, " dragon knight forest"},
      {0x80, "Dragon Knight Forest"}},
     {"Dragon", "Knight", "Forest"}, "gojuon", {2}, "2-byte le codes", "A-Z=341 a-z=261", "",
     {0x80, 0x8E, 0x9C}},
};

class MatchingRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(MatchingRule, GivesTheFirstCandidate) {
  const RuleCase& c = GetParam();
  std::string rom(0x100, '\xEE');
  for (const auto& [at, text] : c.planted) {
    std::size_t p = at;
    put(rom, p, text, c.encoding);
  }
  TextSearchOptions options;
  options.systems = gojuon_systems();
  options.widths = c.widths;
  options.min_score = -std::numeric_limits<double>::infinity();
  const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  const std::vector<TextCandidate> found = find_text(view, c.words, options);
  if (c.layout.empty()) {
    EXPECT_TRUE(found.empty()) << describe(found.front().layout);
    return;
  }
  ASSERT_FALSE(found.empty());
  const TextCandidate& first = found.front();
  EXPECT_EQ(describe(first.layout), c.layout);
  std::string bases;
  for (const RunBase& rb : first.bases)
    bases += (bases.empty() ? "" : " ") + options.systems[first.system].runs[rb.run].name + "=" +
             hex_number(rb.base);
  EXPECT_EQ(bases, c.bases);
  std::string seen;
  for (const SeenCharacter& s : first.seen)
    if (s.same) seen += (seen.empty() ? "" : " ") + s.character + "=" + code_text(s.code, layout_of(s, first.layout));
  EXPECT_EQ(seen, c.seen);
  std::vector<std::uint32_t> hits;
  for (const TextHit& h : first.hits) hits.push_back(h.offset);
  EXPECT_EQ(hits, c.hits);
  EXPECT_EQ(first.unmatched, c.unmatched);
}

INSTANTIATE_TEST_SUITE_P(RelativeSearch, MatchingRule, ::testing::ValuesIn(RULES),
                         gen::CaseName{});

// "ろは" in iroha order is two codes down; in gojuon, far up.
TEST(RelativeSearch, ReadsKanaInIrohaOrder) {
  const std::string rom = std::string(16, '\xEE') + "\x31\x30\x32\x31" + std::string(16, '\xEE');
  const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
  TextSearchOptions options;
  options.widths = {1};
  options.min_score = -std::numeric_limits<double>::infinity();
  options.systems = iroha_systems();
  const auto found = find_text(view, {"ろいはろ"}, options);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].hits.front().offset, 16u);
  options.systems = gojuon_systems();
  EXPECT_TRUE(find_text(view, {"ろいはろ"}, options).empty());
}

// A user's order file: a character twice is refused; its runs are searched.
TEST(RelativeSearch, ReadsAUsersOrder) {
  const auto user = user_systems("order.txt", "\xEF\xBB\xBF" "X Q Z\nfoo");
  ASSERT_TRUE(std::holds_alternative<Report>(user));
  EXPECT_EQ(std::get<Report>(user).id, ReportId::order_twice); // "o" twice
  const auto mine = user_systems("order.txt", "QXZ\r\nkm\n");
  ASSERT_TRUE(std::holds_alternative<std::vector<LetterSystem>>(mine));
  TextSearchOptions options;
  options.widths = {1};
  options.min_score = -std::numeric_limits<double>::infinity();
  options.systems = std::get<std::vector<LetterSystem>>(mine);
  const std::string codes = std::string(8, '\xEE') + "\x07\x05\x06" + std::string(8, '\xEE');
  const auto found =
      find_text({reinterpret_cast<const unsigned char*>(codes.data()), codes.size()}, {"ZQX"}, options);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].bases.front().base, 5u);
}

// A word needs two different letters of one run: a letter repeated keeps no
// distance and matches on any run of one code.
TEST(RelativeSearch, RefusesWordsWithoutTwoDifferentLettersOfARun) {
  for (const char* word : {"", "A", "Ab", "a?B", "!!", "\\?b"})
    EXPECT_TRUE(unsearchable_word(word, gojuon_systems())) << word;
  for (const char* word : {"aa", "a?a", "Go! ?o!"}) {
    const auto why = unsearchable_word(word, gojuon_systems());
    ASSERT_TRUE(why) << word;
    EXPECT_EQ(why->id, ReportId::word_repeated_letter) << word;
  }
  EXPECT_FALSE(unsearchable_word("ab", gojuon_systems()));
}

// The decoded text of a planted sentence through a standard table.
std::string dumped(const gen::TextRom& rom, const gen::PlantedSentence& s, const std::string& table_text,
                   unsigned width) {
  const CodeTable table = testing::standard_table(table_text);
  MemorySink sink;
  {
    Writer out(sink);
    Decoder decoder(table, {rom.rom.data(), rom.rom.size()}, out);
    decoder.seek(s.offset);
    decoder.run_to(static_cast<std::uint32_t>(s.offset + characters_of(s.text).size() * width - 1));
    out.flush();
  }
  return std::string(sink.bytes.begin(), sink.bytes.end());
}

// A fixed sample of the benchmark's generated ROMs (the benchmark measures
// the rates): the true encoding first with every planted word, and its draft
// table loading cleanly and dumping each planted sentence; nothing where the
// words are not.
class GeneratedTextRom : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(GeneratedTextRom, GivesTheTrueEncodingAndADraftThatDumpsIt) {
  const std::uint64_t seed = GetParam();
  gen::TextRomOptions o = gen::random_text_options(seed);
  o.rom_size = 0x10000;
  o.plant = seed <= 8;
  const gen::TextRom rom = gen::generate_text_rom(o);
  std::vector<std::string> words;
  for (const gen::PlantedWord& w : rom.words) words.push_back(w.word);
  TextSearchOptions options;
  options.systems = o.script != gen::TextScript::latin && o.kana == gen::KanaOrder::iroha
                        ? iroha_systems()
                        : gojuon_systems();
  const std::vector<TextCandidate> found = find_text({rom.rom.data(), rom.rom.size()}, words, options);
  if (!o.plant) {
    EXPECT_TRUE(found.empty());
    return;
  }
  ASSERT_FALSE(found.empty());
  const TextCandidate& first = found.front();
  EXPECT_EQ(first.layout.width, o.width);
  for (std::size_t w = 0; w < rom.words.size(); ++w)
    for (const std::size_t at : rom.words[w].offsets)
      EXPECT_TRUE(std::any_of(first.hits.begin(), first.hits.end(), [&](const TextHit& h) {
        return h.offset == at && h.word == w;
      })) << rom.words[w].word << " at " << at;
  const std::string draft = draft_table_file(first, options.systems[first.system], words);
  const StandardTable parsed = parse_standard_table(draft);
  EXPECT_EQ(parsed.errors + parsed.warnings, 0u) << draft;
  for (const gen::PlantedSentence& s : rom.sentences)
    EXPECT_EQ(dumped(rom, s, draft, o.width), s.text);
}

// Seeds 9 and 10 plant no words.
INSTANTIATE_TEST_SUITE_P(RelativeSearch, GeneratedTextRom, ::testing::Range<std::uint64_t>(1, 11),
                         [](const ::testing::TestParamInfo<std::uint64_t>& seed) {
                           return "seed_" + std::to_string(seed.param);
                         });

// The real ROMs' ASCII text, from two of their words.
struct RealRomCase {
  const char* name; // the ROM's file
  std::string first, second;
  std::uint32_t first_at;
};
const RealRomCase REAL_ROMS[] = {
    {"cpu_instrs.gb", "Passed", "Failed", 0x3A2},
    {"01-basics.nes", "Passed", "internal error", 0x6629},
    {"BANKHiROMFastROM.sfc", "Bank Test", "Jump To Bank", 0x1013D},
    {"BANKLoROMSlowROM.sfc", "Bank Test", "Jump To Bank", 0x813D},
    {"CPUADC.sfc", "Add With Carry", "Opcode", 0x6F2C},
};

class AsciiInRealRom : public ::testing::TestWithParam<RealRomCase> {};

TEST_P(AsciiInRealRom, IsFoundFromTwoWords) {
  REQUIRE_REALDATA();
  const RealRomCase& c = GetParam();
  const std::string bytes = testing::read_file_bytes((testing::REALDATA / "roms" / c.name).string());
  ASSERT_FALSE(bytes.empty());
  TextSearchOptions options;
  options.systems = gojuon_systems();
  const std::vector<TextCandidate> found = find_text(
      {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()}, {c.first, c.second}, options);
  ASSERT_FALSE(found.empty());
  const TextCandidate& first = found.front();
  EXPECT_EQ(first.layout.width, 1u);
  ASSERT_EQ(first.bases.size(), 2u);
  EXPECT_EQ(first.bases[0].base, 0x41u);
  EXPECT_EQ(first.bases[1].base, 0x61u);
  EXPECT_TRUE(std::any_of(first.hits.begin(), first.hits.end(),
                          [&](const TextHit& h) { return h.offset == c.first_at && h.word == 0; }));
}

INSTANTIATE_TEST_SUITE_P(RelativeSearch, AsciiInRealRom, ::testing::ValuesIn(REAL_ROMS), gen::CaseName{});

} // namespace
} // namespace textdump
