// Edited script dumps inserted by the test inserter, with what --fit says of
// them: on five layouts (the NES example's strings before their pointer table,
// a pointer table between its strings, two tables with code between their
// strings, text in several NES banks with data between, a range of strings
// that code refers to with one a pointer reaches among them; and the example
// itself, made from the real ROM as examples/make-nes-example.sh makes it
// when the real data is at hand), and on strings of each set length (Pascal
// strings with a length of one byte and of two big-endian bytes, fixed-length
// strings, lengths held beside their pointers), random edits that
// lengthen, shorten and empty strings and bring in new characters never
// change a byte outside the blocks and the pointer slots; whenever the script
// fits, every pointer leads to its string and every string of the range is in
// its place, and when it does not, the strings that grew (or, held, changed
// their length) are named.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script.hpp"
#include "core/tables/tables.hpp"
#include "support/atlas_inserter.hpp"
#include "support/core_insert.hpp"
#include "support/realdata.hpp"
#include "support/tables.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;

// How the strings are held: ended by 00, or with a set length.
enum class Kind { token, pascal, pascal_be, fixed, held };

constexpr std::size_t FIXED = 64; // the bytes of each string of Kind::fixed

struct Layout {
  const char* name;
  std::string rom;
  std::vector<std::string> pointers; // --pointers arguments
  std::vector<std::string> strings;  // their texts, "<END>" left out
  Kind kind = Kind::token;
  std::string end = "token"; // the --end rule
  // --range, and the strings no pointer reaches there: where each lies, its text.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> range = {};
  std::vector<std::pair<std::size_t, std::string>> in_place = {};
};

// A string's bytes as the kind holds it.
std::string held_as(Kind kind, const std::string& text) {
  const auto size = static_cast<char>(text.size());
  switch (kind) {
  case Kind::token: return text + '\0';
  case Kind::pascal: return size + text;
  case Kind::pascal_be: return '\0' + (size + text);
  case Kind::fixed: return text + std::string(FIXED - std::min(FIXED, text.size()), '\0');
  case Kind::held: break;
  }
  return text;
}

// A string of lower-case words, unique by its number.
std::string words(std::mt19937& random, std::size_t number) {
  std::string text = "s" + std::to_string(number);
  for (std::size_t n = 2 + random() % 6; n > 0; --n) {
    text += ' ';
    for (std::size_t k = 1 + random() % 7; k > 0; --k)
      text += static_cast<char>('a' + random() % 26);
  }
  return text;
}

// Strings from "at" on (each ending in 00), their 16-bit pointers at "table";
// value(offset) is what a pointer holds. Returns where the strings end.
template <typename Value>
std::size_t plant(Layout& layout, std::mt19937& random, std::size_t at, std::size_t table,
                  std::size_t count, Value value) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::string text = words(random, layout.strings.size());
    layout.strings.push_back(text);
    layout.rom.replace(at, text.size() + 1, text + '\0');
    const auto v = static_cast<std::uint32_t>(value(at));
    layout.rom[table + 2 * i] = static_cast<char>(v & 0xFF);
    layout.rom[table + 2 * i + 1] = static_cast<char>(v >> 8);
    at += text.size() + 1;
  }
  return at;
}

void fill(std::string& rom, std::size_t from, std::size_t to, std::mt19937& random) {
  for (std::size_t i = from; i < to; ++i) rom[i] = static_cast<char>(1 + random() % 254);
}

std::string ines(std::size_t banks) {
  return ("NES\x1A"s + static_cast<char>(banks)).append(11, '\0');
}

// Strings of a set length from 0x100 on, their 16-bit pointers at 0x600 (big-
// endian for Kind::pascal_be; after a 2-byte length in entries of 4 bytes for
// Kind::held), data between the two.
Layout set_lengths(const char* name, Kind kind, std::string end, std::mt19937& random) {
  Layout l{name, std::string(0x800, '\xFF'), {}, {}, kind, std::move(end)};
  const std::size_t stride = kind == Kind::held ? 4 : 2;
  std::size_t at = 0x100;
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string text = words(random, i);
    l.strings.push_back(text);
    const std::string bytes = held_as(kind, text);
    l.rom.replace(at, bytes.size(), bytes);
    std::size_t slot = 0x600 + stride * i;
    if (kind == Kind::held) {
      l.rom[slot++] = static_cast<char>(text.size());
      l.rom[slot++] = '\0';
    }
    l.rom[slot + (kind == Kind::pascal_be ? 1 : 0)] = static_cast<char>(at & 0xFF);
    l.rom[slot + (kind == Kind::pascal_be ? 0 : 1)] = static_cast<char>(at >> 8);
    at += bytes.size();
  }
  fill(l.rom, at + 16, 0x600, random);
  l.pointers = {kind == Kind::held        ? "at=600,count=6,stride=4,offset=2,length=0:2"
                : kind == Kind::pascal_be ? "at=600,count=6,order=be"
                                          : "at=600,count=6"};
  return l;
}

std::vector<Layout> layouts() {
  std::mt19937 random(7);
  std::vector<Layout> all;
  all.push_back(set_lengths("Pascal strings", Kind::pascal, "pascal:1", random));
  all.push_back(set_lengths("big-endian Pascal strings", Kind::pascal_be, "pascal:2", random));
  all.push_back(set_lengths("fixed-length strings", Kind::fixed, "fixed:64", random));
  all.push_back(set_lengths("lengths beside the pointers", Kind::held, "token", random));
  { // like the README's example: strings at 0x6C10, FF padding, pointers at 0x6D00
    Layout& l = all.emplace_back(Layout{"the NES example", std::string(0x8010, '\xFF'), {}, {}});
    l.rom.replace(0, 16, ines(2));
    fill(l.rom, 0x6000, 0x6C10, random);
    fill(l.rom, 0x6D0E, 0x7000, random);
    // 21 bytes of padding after the strings, as in the example
    fill(l.rom,
         plant(l, random, 0x6C10, 0x6D00, 7, [](std::size_t at) { return at - 0x10 + 0x8000; }) +
             21,
         0x6D00, random);
    l.pointers = {"at=6D00,count=7,map=nes"};
  }
  { // a pointer table between its strings, 00 padding after them
    Layout& l =
        all.emplace_back(Layout{"a table between its strings", std::string(0x800, '\0'), {}, {}});
    fill(l.rom, 0, 0x100, random);
    plant(l, random, 0x100, 0x180, 4, [](std::size_t at) { return at; });
    // the second half of the strings after the table, data 12 bytes after them
    fill(l.rom, plant(l, random, 0x190, 0x188, 4, [](std::size_t at) { return at; }) + 12, 0x800,
         random);
    l.pointers = {"at=180,count=8"};
  }
  { // two tables, code between their strings
    Layout& l = all.emplace_back(
        Layout{"two tables with code between", std::string(0x800, '\xFF'), {}, {}});
    fill(l.rom, plant(l, random, 0x100, 0x700, 3, [](std::size_t at) { return at; }) + 20, 0x300,
         random);
    fill(l.rom, plant(l, random, 0x300, 0x740, 3, [](std::size_t at) { return at; }) + 8, 0x700,
         random);
    l.pointers = {"at=700,count=3", "at=740,count=3"};
  }
  { // four 16 KiB banks: text at the end of banks 0 and 1, data at the start of 1
    Layout& l =
        all.emplace_back(Layout{"text in several NES banks", std::string(0x10010, '\xFF'), {}, {}});
    l.rom.replace(0, 16, ines(4));
    fill(l.rom, 0x10, 0x3E00, random);
    fill(l.rom, 0x4010, 0x4200, random);
    const auto bank_value = [](std::size_t bank) {
      return [bank](std::size_t at) { return at - 0x10 - bank * 0x4000 + 0x8000; };
    };
    plant(l, random, 0x3F90, 0x3E00, 3, bank_value(0));
    fill(l.rom, plant(l, random, 0x4200, 0x4010, 3, bank_value(1)) + 10, 0x7F00, random);
    l.pointers = {"at=3E00,count=3,map=nes", "at=4010,count=3,map=nes"};
  }
  { // code with its strings between, one of them reached by a pointer too
    Layout& l = all.emplace_back(
        Layout{"a range of strings that code refers to", std::string(0x800, '\0'), {}, {}});
    fill(l.rom, 0, 0x800, random);
    const auto in_place = [&](std::size_t at) {
      const std::string text = words(random, 100 + l.in_place.size());
      l.rom.replace(at, text.size() + 1, text + '\0');
      l.in_place.emplace_back(at, text);
      return at + text.size() + 1;
    };
    plant(l, random, 0x400, 0x600, 1, [](std::size_t at) { return at; });
    const std::size_t pointed = in_place(in_place(0x200));
    std::size_t at = in_place(plant(l, random, pointed, 0x602, 1, [](std::size_t a) { return a; }));
    l.rom.replace(at, 3, 3, '\0'); // padding between two strings
    l.range = std::pair{std::uint64_t{0x200}, std::uint64_t{in_place(at + 3)}};
    l.pointers = {"at=600,count=2"};
  }
  // The README's example: the real ROM's seven strings at 0x6C10, their
  // pointers planted in the padding at 0x6D00.
  std::ifstream file(testing::REALDATA / "roms" / "01-basics.nes", std::ios::binary);
  if (file) {
    Layout& l = all.emplace_back(Layout{"the README's NES example", {}, {}, {}});
    l.rom.assign(std::istreambuf_iterator<char>(file), {});
    for (std::size_t i = 0, at = 0x6C10; i < 7; ++i) {
      const std::size_t end = l.rom.find('\0', at);
      l.strings.push_back(l.rom.substr(at, end - at));
      const std::size_t value = at - 0x10 + 0x8000;
      l.rom[0x6D00 + 2 * i] = static_cast<char>(value & 0xFF);
      l.rom[0x6D00 + 2 * i + 1] = static_cast<char>(value >> 8);
      at = end + 1;
    }
    l.pointers = {"at=6D00,count=7,map=nes"};
  }
  return all;
}

testing::InsertResult insert(const std::string& rom, const std::string& script,
                             const std::string& table) {
  return testing::atlas_insert(rom, script, [&](const std::string& name) {
    return name == "script.tbl" ? std::optional<std::string>(table) : std::nullopt;
  });
}

// --insert on the same script: where the script fits for the Atlas inserter,
// the bytes the test inserter wrote (the unedited script: the ROM itself); a
// held length may change too, its field rewritten.
void expect_core_insert(const Layout& layout, const std::string& script,
                        const FitTableReader& read_table, const FitReport& atlas,
                        const testing::InsertResult& result, const std::vector<std::string>& texts,
                        const std::vector<PointerTable>& ptables, bool unedited) {
  const testing::CoreInsert core = testing::core_insert(layout.rom, script, read_table);
  if (layout.kind != Kind::held) {
    EXPECT_EQ(core.fit.fits(), atlas.fits());
  }
  if (atlas.fits()) {
    ASSERT_TRUE(core.fit.fits());
  }
  if (!core.fit.fits()) return;
  ASSERT_TRUE(core.insertion.ok()) << report_text(core.insertion.diagnostics.front());
  const std::string& out = core.insertion.rom;
  if (unedited) {
    EXPECT_EQ(out, layout.rom);
  }
  if (atlas.fits()) {
    EXPECT_TRUE(testing::same_but_checksums(out, result.rom, core.insertion));
    return;
  }
  const RomView view{reinterpret_cast<const unsigned char*>(out.data()), out.size()};
  std::size_t string = 0;
  for (const PointerTable& ptable : ptables)
    for (const PointerRead& read : read_pointers(ptable, view)) {
      ASSERT_TRUE(read.target && read.length);
      EXPECT_EQ(*read.length, texts[string].size());
      EXPECT_EQ(out.substr(*read.target, texts[string].size()), texts[string]);
      ++string;
    }
}

TEST(ScriptFit, EditsStayInTheirBlocksAndPointersFollow) {
  REQUIRE_REALDATA();
  std::string ascii = "/00=<END>\n";
  for (int c = 0x20; c < 0x7F; ++c)
    ascii += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  const CodeTable table = testing::standard_table(ascii);
  std::mt19937 random(11);
  for (const Layout& layout : layouts()) {
    SCOPED_TRACE(layout.name);
    ScriptRequest request;
    request.rom = {reinterpret_cast<const unsigned char*>(layout.rom.data()), layout.rom.size()};
    request.table = &table;
    for (const std::string& p : layout.pointers)
      request.ptables.push_back(std::get<PointerTable>(parse_pointer_table(p)));
    request.end = std::get<EndRule>(parse_end_rule(layout.end));
    if (layout.range)
      request.ranges.push_back({layout.range->first, layout.range->second, request.end, ""});
    request.insertion_table_name = "script.tbl";
    request.words = report_text;
    const Script dumped = build_script(request);
    ASSERT_TRUE(dumped.errors.empty()) << report_text(dumped.errors.front());
    ASSERT_TRUE(dumped.warnings.empty()) << report_text(dumped.warnings.front());
    const auto read_table = [&](const std::string& name) {
      return name == "script.tbl" ? std::optional<std::string>(dumped.insertion_table)
                                  : std::nullopt;
    };
    // What an edit may change: the blocks' room and the slots of the pointers.
    std::vector<bool> writable(layout.rom.size(), false);
    for (const ScriptBlock& block : dumped.blocks)
      for (std::uint64_t i = block.start; i < block.room; ++i) writable[i] = true;
    for (const ScriptString& s : dumped.strings)
      for (const ScriptPointer& p : dumped.pointers_of(s)) writable[p.at] = writable[p.at + 1] = true;
    const std::string ending = layout.kind == Kind::token ? "<END>" : "";

    for (int round = 0; round < 40; ++round) {
      SCOPED_TRACE(round);
      std::string script = dumped.script.joined();
      std::vector<std::string> texts = layout.strings;
      for (const auto& [at, text] : layout.in_place) texts.push_back(text);
      for (std::string& text : texts) {
        const std::string line = "\r\n" + text + ending + "\r\n";
        switch (round == 0 ? 0 : random() % 4) {
        case 0: break;
        case 1: // longer, with characters no string had
          for (std::size_t n = random() % (round % 3 == 0 ? 45 : 12); n > 0; --n)
            text += "ABCXYZ!?,.-'"[random() % 12];
          break;
        case 2: text.resize(text.size() / 2); break;
        default: text.clear();
        }
        const std::size_t at = script.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        script.replace(at, line.size(), "\r\n" + text + ending + "\r\n");
      }
      // A held length cannot change, and a string of set length without text
      // is not written at all: what fits does neither.
      bool kept = true;
      for (std::size_t k = 0; k < texts.size(); ++k)
        kept = kept && (layout.kind == Kind::token || !texts[k].empty()) &&
               (layout.kind != Kind::held || texts[k].size() == layout.strings[k].size());
      const FitReport fit = fit_script(script, read_table, FitFor::atlas);
      const testing::InsertResult result = insert(layout.rom, script, dumped.insertion_table);
      ASSERT_EQ(result.status, 0) << result.message;
      expect_core_insert(layout, script, read_table, fit, result, texts, request.ptables,
                         round == 0);
      ASSERT_EQ(result.rom.size(), layout.rom.size());
      EXPECT_EQ(fit.fits(), !result.cut && kept);
      for (std::size_t i = 0; i < layout.rom.size(); ++i)
        if (!writable[i]) {
          ASSERT_EQ(result.rom[i], layout.rom[i]) << "at " << hex_number(i);
        }
      if (round == 0) {
        EXPECT_EQ(result.rom, layout.rom);
      }
      if (!fit.fits()) {
        // The text outgrew a block or a fixed length, or a held length changed: named.
        EXPECT_TRUE(std::any_of(fit.diagnostics.begin(), fit.diagnostics.end(),
                                [](const Report& d) {
                                  return d.id == ReportId::fit_string_grew ||
                                         d.id == ReportId::fit_fixed_cut ||
                                         d.id == ReportId::fit_held_length_changed ||
                                         d.id == ReportId::fit_set_length_no_text ||
                                         d.id == ReportId::fit_set_length_no_end;
                                }));
        continue;
      }
      // Every pointer leads to its string as edited.
      const RomView view{reinterpret_cast<const unsigned char*>(result.rom.data()),
                         result.rom.size()};
      std::size_t string = 0;
      for (const PointerTable& ptable : request.ptables)
        for (const PointerRead& read : read_pointers(ptable, view)) {
          ASSERT_TRUE(read.target);
          const std::string bytes = held_as(layout.kind, texts[string]);
          EXPECT_EQ(result.rom.substr(*read.target, bytes.size()), bytes);
          ++string;
        }
      // And every string of the range lies where it was.
      for (const auto& [at, text] : layout.in_place) {
        EXPECT_EQ(result.rom.substr(at, texts[string].size() + 1), texts[string] + '\0');
        ++string;
      }
    }
  }
}

} // namespace
} // namespace textdump
