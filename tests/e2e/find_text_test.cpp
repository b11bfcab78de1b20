// --find-text run as the built program: its report, JSON and draft table, the
// draft table given back to a dump, its exit statuses and usage errors.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file;

// game.bin: "Potion" at $100 and "Iron Sword" at $120 in ASCII moved up by
// $40 (A at $81, a at $A1), the space $00, among $EE filler.
struct Folder {
  TempDir dir;
  Folder() {
    std::string rom(0x1000, '\xEE');
    const auto put = [&](std::size_t at, std::string_view text) {
      for (const char c : text) rom[at++] = c == ' ' ? '\0' : static_cast<char>(c + 0x40);
    };
    put(0x100, "Potion");
    put(0x120, "Iron Sword");
    write_file(dir.file("game.bin"), rom);
  }
  testing::ProgramResult find(std::vector<std::string> args) const {
    args.insert(args.begin(), "--find-text");
    return testing::run_program(dir.path().string(), args, "");
  }
};

TEST(FindText, ReportJsonAndADraftTableThatDumps) {
  const Folder folder;
  const auto found =
      folder.find({"--json", "found.json", "--draft-table", "draft.tbl", "game.bin", "Potion", "Iron Sword"});
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.err, "");
  EXPECT_EQ(found.out.rfind("#1  score ", 0), 0u) << found.out;
  for (const char* part : {"1-byte codes; 2 hits of 2 words\n", "    bases A=$81, a=$A1 (2 runs)\n",
                           "    space $00 at every hit\n", "    $100  90 AF B4 A9 AF AE  Potion\n",
                           "      $100  Potion"})
    EXPECT_NE(found.out.find(part), std::string::npos) << part << "\n" << found.out;
  const auto json = nlohmann::json::parse(read_file_bytes(folder.dir.file("found.json")));
  const auto& first = json.at("candidates").at(0);
  EXPECT_EQ(first.at("width"), 1);
  EXPECT_EQ(first.at("bases"), nlohmann::json::parse(R"({"A-Z": 129, "a-z": 161})"));
  EXPECT_EQ(first.at("hits").at(1), nlohmann::json::parse(
                                        R"({"offset": 288, "bytes": "89B2AFAE0093B7AFB2A4", "word": "Iron Sword"})"));

  const auto dump = testing::run_program(folder.dir.path().string(),
                                         {"--std-table", "game.bin", "draft.tbl", "-", "120", "129"}, "");
  EXPECT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out, "Iron Sword");
}

TEST(FindText, NoCandidateStandardOutputAndUsage) {
  const Folder folder;
  const auto none = folder.find({"--json", "none.json", "--draft-table", "none.tbl", "game.bin", "Qwerty"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "No candidate encoding found.\n");
  EXPECT_EQ(none.err, "No draft table written: no candidate encoding.\n");
  EXPECT_FALSE(std::filesystem::exists(folder.dir.file("none.tbl")));
  EXPECT_EQ(nlohmann::json::parse(read_file_bytes(folder.dir.file("none.json"))),
            nlohmann::json::parse(R"({"candidates": []})"));

  const auto table = folder.find({"--width", "1", "--draft-table", "-", "game.bin", "Potion"});
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(table.out.rfind("# Draft table", 0), 0u) << table.out;
  EXPECT_NE(table.out.find("\n90=P\n"), std::string::npos);

  const auto refused = folder.find({"--json", "game.bin", "game.bin", "Potion"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Won't write the JSON file \"game.bin\": it is the ROM file.\n");

  const auto word = folder.find({"game.bin", "Ab"});
  EXPECT_EQ(word.status, 1);
  EXPECT_NE(word.err.find("no two letters of one run"), std::string::npos) << word.err;

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"game.bin"}, {"--width", "3", "game.bin", "Potion"},
        {"--order", "xe", "game.bin", "Potion"}, {"--json", "-", "--draft-table", "-", "game.bin", "Potion"},
        {"--map", "gb", "game.bin", "Potion"}}) {
    SCOPED_TRACE(args[0]);
    const auto result = folder.find(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
  }
}

} // namespace
} // namespace textdump
