// --find-pointers run as the built program: its report and JSON file, its usage
// errors, and its --pointers argument given back to --script; and --survey,
// which shows the same tables: its report, its JSON and SVG files, and the
// refusals of its outputs; --find-pointers-to.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file;

// An ASCII table ending strings at 0x00; game.bin, 0xFF padding with five
// strings at $100 and their pointers three bytes apart at $40, with a null
// entry after the second and a pointer to the end of "Delta" (an empty
// string) before the last; none.bin, the same without the pointers.
struct Folder {
  TempDir dir;
  Folder() {
    std::string table;
    char line[16];
    for (int c = 0x20; c < 0x7F; ++c) {
      std::snprintf(line, sizeof line, "%02X=%c\n", c, c);
      table += line;
    }
    write_file(dir.file("ascii.tbl"), table + "/00\n");
    std::string rom(0x1000, '\xFF');
    std::size_t at = 0x100, slot = 0x40;
    const auto point = [&](std::size_t target) {
      rom[slot] = static_cast<char>(target & 0xFF);
      rom[slot + 1] = static_cast<char>(target >> 8);
      slot += 3;
    };
    for (const std::string word : {"Alpha", "Bravo", "Charlie", "Delta", "Echo"}) {
      if (word == "Charlie") point(0);
      if (word == "Echo") point(at - 1);
      rom.replace(at, word.size() + 1, word + '\0');
      point(at);
      at += word.size() + 1;
    }
    write_file(dir.file("game.bin"), rom);
    rom.replace(0x40, 21, 21, '\xFF');
    write_file(dir.file("none.bin"), rom);
  }
  testing::ProgramResult run(const std::vector<std::string>& args) const {
    return testing::run_program(dir.path().string(), args, "");
  }
  testing::ProgramResult find(const std::string& rom, std::vector<std::string> options = {}) const {
    options.insert(options.begin(), {"--find-pointers", "--std-table"});
    options.insert(options.end(), {rom, "ascii.tbl"});
    return run(options);
  }
};

TEST(FindPointers, PrintsTheBlocksAndWritesTheJson) {
  const struct {
    std::string rom, out, json; // the JSON without the scores
  } cases[] = {
      {"game.bin",
       "#1  score S  map linear, 2-byte le pointers, stride 3\n"
       "    table at $40, 7 pointers reaching $100-$11A; 5 of 7 targets decode as text; "
       "1 null entry; 1 empty string\n"
       "    --pointers at=40,count=7,stride=3\n"
       "    \"Alpha<END>\\n\"\n"
       "    \"Bravo<END>\\n\"\n"
       "    \"Charlie<END>\\n\"\n",
       R"({"candidates": [{"map": "linear", "order": "le", "size": 2, "stride": 3, "at": 64,
           "count": 7, "base": 0, "null_entries": 1, "pointers": "at=40,count=7,stride=3",
           "strings": ["Alpha<END>\\n", "Bravo<END>\\n", "Charlie<END>\\n"]}]})"},
      {"none.bin", "No pointer table found.\n", R"({"candidates": []})"},
  };
  const Folder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rom);
    const auto result = folder.find(c.rom, {"--json", "found.json"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(std::regex_replace(result.out, std::regex("score [0-9]+\\.[0-9]"), "score S"), c.out);
    auto json = nlohmann::json::parse(read_file_bytes(folder.dir.file("found.json")));
    for (auto& candidate : json.at("candidates")) {
      EXPECT_GE(candidate.at("score").get<double>(), 3.0);
      candidate.erase("score");
    }
    EXPECT_EQ(json, nlohmann::json::parse(c.json));
  }
}

// --json naming an input is refused before the search; --json - is standard
// output, with no report around it.
TEST(FindPointers, JsonOutputIsAnInputOrStandardOutput) {
  const Folder folder;
  const std::string rom = read_file_bytes(folder.dir.file("game.bin"));
  const auto refused = folder.find("game.bin", {"--json", "./game.bin"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Won't write the JSON file \"./game.bin\": it is the ROM file.\n");
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(read_file_bytes(folder.dir.file("game.bin")), rom);

  const auto piped = folder.find("game.bin", {"--json", "-"});
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(nlohmann::json::parse(piped.out).at("candidates").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder.dir.file("-")));
}

TEST(FindPointers, UsageErrors) {
  const Folder folder;
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--map", "bogus"}, {"--size", "5"}, {"--min-count", "0"}}) {
    SCOPED_TRACE(options[0]);
    const auto result = folder.find("game.bin", options);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
  }
}

TEST(FindPointers, ThePrintedPointersArgumentDumpsTheScript) {
  const Folder folder;
  const std::string out = folder.find("game.bin").out;
  std::smatch argument;
  ASSERT_TRUE(std::regex_search(out, argument, std::regex("--pointers (\\S+)")));
  const auto result = folder.run({"--script", "--std-table", "--pointers", argument[1].str(),
                                  "game.bin", "ascii.tbl", "script.txt"});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string script = read_file_bytes(folder.dir.file("script.txt"));
  EXPECT_NE(script.find("//POINTER #0 @ $40 - STRING #0 @ $100"), std::string::npos);
  EXPECT_NE(script.find("//POINTER #5 @ $4F - STRING #4 @ $119\r\n#WRITE(PtrA, $4F)\r\n//<END>"),
            std::string::npos); // the empty string
  EXPECT_NE(script.find("//POINTER #6 @ $52 - STRING #5 @ $11A"), std::string::npos);
  EXPECT_NE(script.find("\nCharlie<END>"), std::string::npos);
}

testing::ProgramResult survey(const Folder& folder, std::vector<std::string> options) {
  options.insert(options.begin(), {"--survey", "--std-table"});
  options.insert(options.end(), {"game.bin", "ascii.tbl"});
  return folder.run(options);
}

// --find-pointers-to and a dump between addresses: the positions typed as a
// map writes them, and the exit statuses.
TEST(FindPointersTo, PlacesAddressesAndExitStatuses) {
  const Folder folder;
  const auto to = [&](const std::string& rom, const std::string& offset) {
    return folder.run({"--find-pointers-to", offset, "--std-table", "--map", "linear,gb",
                       "--size", "2", rom, "ascii.tbl"});
  };
  const auto found = to("game.bin", "0x100");
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, "Pointers to $100: \"Alpha<END>\\n\"\n"
                       "  $40  linear, 2-byte le value $100  --pointers at=40,count=1\n"
                       "  $40 (00:0040)  gb, 2-byte le value $100  --pointers at=40,count=1,map=gb\n"
                       "2 places.\n");
  const auto none = to("none.bin", "100");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("No pointer to it is stored.\n"), std::string::npos);
  EXPECT_EQ(to("game.bin", "00:0100").status, 2); // an address needs its one map

  const auto dump = folder.run({"--std-table", "--map", "gb", "game.bin", "ascii.tbl", "-",
                                "00:0100", "$00:$0104"});
  EXPECT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out, "Alpha");
  const auto outside =
      folder.run({"--std-table", "--map", "gb", "game.bin", "ascii.tbl", "-", "00:0100", "01:4000"});
  EXPECT_EQ(outside.status, 2);
  EXPECT_EQ(outside.err, "textdump: END 01:4000: the ROM holds no such gb address.\n"
                         "Try 'textdump --help'.\n");
}

TEST(Survey, ReportJsonAndSvg) {
  const Folder folder;
  const auto result = survey(folder, {"--json", "map.json", "--svg", "map.svg"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(std::regex_replace(result.out, std::regex("score [0-9]+\\.[0-9]"), "score S"),
            "$000  free      64 bytes of $FF\n"
            "$040  pointers  20 bytes, pointing into $100-$11E:\n"
            "    #1  score S  map linear, 2-byte le pointers, stride 3\n"
            "        table at $40, 7 pointers reaching $100-$11A; 5 of 7 targets decode as text; "
            "1 null entry; 1 empty string\n"
            "        --pointers at=40,count=7,stride=3\n"
            "        \"Alpha<END>\\n\"\n"
            "        \"Bravo<END>\\n\"\n"
            "        \"Charlie<END>\\n\"\n"
            "$054  free      172 bytes of $FF\n"
            "$100  text      6 bytes  \"Alpha<END>\\n\"\n"
            "$106  text      6 bytes  \"Bravo<END>\\n\"\n"
            "$10C  text      8 bytes  \"Charlie<END>\\n\"\n"
            "$114  text      6 bytes  \"Delta<END>\\n\"\n"
            "$11A  text      5 bytes  \"Echo<END>\\n\"\n"
            "$11F  free      3809 bytes of $FF\n"
            "Totals: 31 bytes of text in 5 runs, 20 bytes of pointer tables in 1 table, 4045 "
            "bytes of free space in 3 runs; 0 bytes else, of 4096.\n");
  const auto json = nlohmann::json::parse(read_file_bytes(folder.dir.file("map.json")));
  EXPECT_EQ(json.at("totals"),
            nlohmann::json::parse(R"({"text": 31, "pointers": 20, "free": 4045, "other": 0})"));
  EXPECT_EQ(json.at("spans").size(), 9u);
  EXPECT_EQ(json.at("spans")[1].at("table").at("pointers"), "at=40,count=7,stride=3");
  EXPECT_EQ(json.at("spans")[3].at("text"), "Alpha<END>\\n");
  const std::string svg = read_file_bytes(folder.dir.file("map.svg"));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("</svg>\n"), std::string::npos);
}

// An output that is an input is refused before anything is written; "-" is
// standard output for one of them, in place of the report.
TEST(Survey, Outputs) {
  const Folder folder;
  const auto refused = survey(folder, {"--svg", "./game.bin"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Won't write the SVG file \"./game.bin\": it is the ROM file.\n");
  EXPECT_EQ(refused.out, "");
  const auto piped = survey(folder, {"--svg", "-", "--json", "map.json"});
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out.rfind("<?xml", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists(folder.dir.file("map.json")));
  EXPECT_EQ(survey(folder, {"--svg", "-", "--json", "-"}).status, 2);
}

} // namespace
} // namespace textdump
