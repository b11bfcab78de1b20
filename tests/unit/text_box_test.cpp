// Text boxes on generated ROMs: strings of words in lines (ended by a line
// break entry) and pages (ended by a label with a line break), each line made
// to fit a box of pixels by a width table, with a control code of its own
// width. Dumped, nothing is reported; edited, with lines made wider than the
// box and pages longer, every such line and page is named with its width,
// and nothing else; without a box, every line wider than its block's widest
// original is a warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/script/script.hpp"
#include "core/tables/tables.hpp"
#include "support/tables.hpp"

namespace textdump {
namespace {

constexpr std::uint32_t BOX = 120, LINES = 3, NAME_WIDTH = 30;

struct Mode {
  bool pixels;
  std::map<std::string, std::uint32_t, std::less<>> widths; // of each letter, and of <NAME>
  std::uint32_t of(const std::string& text) const {
    if (text == "<NAME><$05>") return pixels ? NAME_WIDTH : 0;
    if (!pixels) return static_cast<std::uint32_t>(text.size());
    std::uint32_t w = 0;
    for (char c : text) w += widths.at(std::string(1, c));
    return w;
  }
};

// A game line: its words, each a text of the table as the script writes it.
using GameLine = std::vector<std::string>;
using Page = std::vector<GameLine>;
using Game = std::vector<Page>; // a string

std::uint32_t width(const Mode& mode, const GameLine& line) {
  std::uint32_t w = 0;
  for (const std::string& word : line) w += mode.of(word);
  return w;
}

std::string word(std::mt19937& random) {
  std::string w = " ";
  for (std::size_t k = 1 + random() % 6; k > 0; --k) w += static_cast<char>('a' + random() % 26);
  return w;
}

// Words up to the box's width (at least one), the control code now and then.
GameLine line_of(std::mt19937& random, const Mode& mode, std::uint32_t most) {
  GameLine line{"w"};
  for (;;) {
    const std::string next = random() % 9 == 0 ? std::string("<NAME><$05>") : word(random);
    if (width(mode, line) + mode.of(next) > most) return line;
    line.push_back(next);
    if (random() % 5 == 0) return line;
  }
}

// The string's bytes: 01 ends a line, 02 a page, 00 the string; <NAME> is 03 and its byte.
std::string bytes_of(const Game& game) {
  std::string out;
  for (std::size_t p = 0; p < game.size(); ++p)
    for (std::size_t l = 0; l < game[p].size(); ++l) {
      for (const std::string& w : game[p][l]) out += w == "<NAME><$05>" ? std::string("\x03\x05") : w;
      const bool last_line = l + 1 == game[p].size();
      out += !last_line ? '\x01' : p + 1 < game.size() ? '\x02' : '\0';
    }
  return out;
}

// Its text as a script holds it, a game line a script line.
std::string text_of(const Game& game) {
  std::string out;
  for (std::size_t p = 0; p < game.size(); ++p)
    for (std::size_t l = 0; l < game[p].size(); ++l) {
      for (const std::string& w : game[p][l]) out += w;
      const bool last_line = l + 1 == game[p].size();
      out += !last_line ? "<LINE>" : p + 1 < game.size() ? "<PAGE>" : "<END>";
      out += "\r\n";
    }
  return out;
}

struct Expected {
  std::size_t line;
  ReportId id;
  std::vector<std::string> args;
  bool operator<(const Expected& o) const { return std::tie(line, id, args) < std::tie(o.line, o.id, o.args); }
  bool operator==(const Expected&) const = default;
};

std::vector<Expected> seen(const std::vector<Report>& reports) {
  std::vector<Expected> out;
  for (const Report& r : reports) {
    EXPECT_EQ(r.column, 1u) << report_text(r);
    out.push_back({r.line, r.id, r.args});
  }
  std::sort(out.begin(), out.end());
  return out;
}

Expected over(ReportId id, std::size_t line, std::uint32_t w, std::uint32_t most) {
  return {line, id, {std::to_string(w), std::to_string(w - most), std::to_string(most)}};
}

TEST(TextBox, EveryLineAndPageOverTheBoxIsNamedAndNoOther) {
  std::string file = "/00=<END>\n*01=<LINE>\n02=<PAGE>\\n\n$03=<NAME>,1\n";
  for (int c = 0x20; c < 0x7F; ++c)
    file += hex_byte(static_cast<std::uint8_t>(c)) + "=" + static_cast<char>(c) + "\n";
  const CodeTable table = testing::standard_table(file);
  std::mt19937 random(38);
  for (const bool pixels : {true, false}) {
    SCOPED_TRACE(pixels ? "pixels" : "characters");
    Mode mode{pixels, {}};
    for (int c = 0x20; c < 0x7F; ++c) mode.widths[std::string(1, static_cast<char>(c))] = static_cast<std::uint32_t>(3 + random() % 6);
    const std::uint32_t most = pixels ? BOX : 21;
    // 24 strings from 0x100, their pointers at 0x1000.
    std::vector<Game> games(24);
    std::string rom(0x1100, '\xFF');
    std::size_t at = 0x100;
    for (std::size_t s = 0; s < games.size(); ++s) {
      games[s].resize(1 + random() % 2);
      for (Page& page : games[s]) {
        page.resize(1 + random() % LINES);
        for (GameLine& line : page) line = line_of(random, mode, most);
      }
      const std::string bytes = bytes_of(games[s]);
      rom.replace(at, bytes.size(), bytes);
      rom[0x1000 + 2 * s] = static_cast<char>(at & 0xFF);
      rom[0x1001 + 2 * s] = static_cast<char>(at >> 8);
      at += bytes.size();
    }
    ScriptRequest request;
    request.rom = {reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
    request.table = &table;
    request.ptables.push_back(std::get<PointerTable>(parse_pointer_table("at=1000,count=24")));
    request.insertion_table_name = "script.tbl";
    request.words = report_text;
    const Script dumped = build_script(request);
    ASSERT_TRUE(dumped.errors.empty());
    const FitTableReader read = [&](const std::string& name) {
      return name == "script.tbl" ? std::optional<std::string>(dumped.insertion_table) : std::nullopt;
    };
    TextBox box{most, LINES, pixels ? mode.widths : decltype(mode.widths){}, {}, {"<PAGE>"}};
    if (pixels) box.widths["<NAME>"] = NAME_WIDTH;
    const std::string original = dumped.script.joined();
    EXPECT_TRUE(check_box(original, read, box).empty());
    TextBox no_box = box;
    no_box.width = no_box.lines = 0;
    EXPECT_TRUE(check_box(original, read, no_box).empty());

    // Every other string edited: a line made wider, a page made longer.
    std::vector<Game> edited = games;
    for (std::size_t s = 0; s < edited.size(); s += 2) {
      Page& page = edited[s][random() % edited[s].size()];
      GameLine& line = page[random() % page.size()];
      while (width(mode, line) <= most) line.push_back(word(random));
      if (s % 4 == 0)
        while (page.size() <= LINES) page.push_back(line_of(random, mode, most));
    }
    std::string script = original;
    std::vector<ScriptEntry> entries = script_entries(script);
    for (std::size_t s = entries.size(); s-- > 0;)
      script.replace(entries[s].from, entries[s].to - entries[s].from, text_of(edited[s]));
    entries = script_entries(script);
    ASSERT_EQ(entries.size(), games.size());
    std::vector<Expected> boxed, unboxed;
    std::map<std::uint64_t, std::uint32_t> widest; // of each block's originals
    for (std::size_t s = 0; s < games.size(); ++s)
      for (const Page& page : games[s])
        for (const GameLine& line : page)
          widest[entries[s].block->start] = std::max(widest[entries[s].block->start], width(mode, line));
    for (std::size_t s = 0; s < edited.size(); ++s) {
      std::size_t line_number = entries[s].line;
      for (const Page& page : edited[s]) {
        if (page.size() > LINES)
          boxed.push_back(over(ReportId::fit_page_over_box, line_number,
                               static_cast<std::uint32_t>(page.size()), LINES));
        for (const GameLine& line : page) {
          const std::uint32_t w = width(mode, line), block = widest[entries[s].block->start];
          if (w > most)
            boxed.push_back(over(pixels ? ReportId::fit_line_over_box_pixels
                                        : ReportId::fit_line_over_box, line_number, w, most));
          if (w > block)
            unboxed.push_back(over(pixels ? ReportId::fit_line_over_original_pixels
                                          : ReportId::fit_line_over_original, line_number, w, block));
          ++line_number;
        }
      }
    }
    ASSERT_GT(boxed.size(), 12u);
    ASSERT_GT(unboxed.size(), 6u);
    std::sort(boxed.begin(), boxed.end());
    std::sort(unboxed.begin(), unboxed.end());
    EXPECT_EQ(seen(check_box(script, read, box)), boxed);
    EXPECT_EQ(seen(check_box(script, read, no_box)), unboxed);
  }
}

} // namespace
} // namespace textdump
