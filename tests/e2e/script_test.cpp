// textdump --script run as the built program: the files it writes, the
// usage errors, the JSON keys and the refusal of a table without an end entry.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

// Three strings from 0x100 and their 16-bit pointers at 0x300 (values are
// file offsets), an ASCII table with an end entry and one without.
struct Game {
  TempDir dir;
  Game() {
    std::string rom(0x400, '\xEE');
    const std::string text("Hello, world!\0A B C\0Bye.\0", 25);
    rom.replace(0x100, text.size(), text);
    const int starts[] = {0x100, 0x10E, 0x114};
    for (int i = 0; i < 3; ++i) {
      rom[static_cast<std::size_t>(0x300 + 2 * i)] = static_cast<char>(starts[i] & 0xFF);
      rom[static_cast<std::size_t>(0x301 + 2 * i)] = static_cast<char>(starts[i] >> 8);
    }
    write_file(dir.file("game.bin"), rom);
    std::string table;
    for (int c = 0x20; c < 0x7F; ++c) {
      static constexpr char HEX[] = "0123456789ABCDEF";
      table += std::string{HEX[c >> 4], HEX[c & 0xF], '=', static_cast<char>(c)} + "\r\n";
    }
    write_file(dir.file("noend.tbl"), table);
    write_file(dir.file("ascii.tbl"), "/00=<END>\r\n" + table);
  }
  testing::ProgramResult run(std::vector<std::string> options, const std::string& table,
                             const std::string& script) const {
    std::vector<std::string> args{"--script", "--std-table"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"game.bin", table, script});
    return run_program(dir.path().string(), args, "");
  }
  bool exists(const char* name) const { return std::filesystem::exists(dir.file(name)); }
};

bool crlf_lines(const std::string& text) {
  if (text.empty() || text.back() != '\n') return false;
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
    if (i == 0 || text[i - 1] != '\r') return false;
  return true;
}

TEST(ScriptCommand, WritesTheScriptAndItsInsertionTable) {
  Game game;
  const auto to_file = game.run({"--pointers", "at=300,count=3"}, "ascii.tbl", "out.txt");
  ASSERT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.err, "");
  const std::string script = read_file_bytes(game.dir.file("out.txt"));
  const std::string table = read_file_bytes(game.dir.file("out.tbl"));
  EXPECT_TRUE(crlf_lines(script));
  EXPECT_TRUE(crlf_lines(table));
  EXPECT_NE(script.find("#ADDTBL(\"out.tbl\", Table)\r\n"), std::string::npos);
  EXPECT_NE(script.find("\r\n//POINTER #2 @ $304 - STRING #2 @ $114\r\n#WRITE(PtrA, $304)\r\n"
                        "//Bye.<END>\r\nBye.<END>\r\n"),
            std::string::npos);

  const auto to_stdout =
      game.run({"--pointers", "at=300,count=3", "--atlas-table", "t.tbl"}, "ascii.tbl", "-");
  ASSERT_EQ(to_stdout.status, 0) << to_stdout.err;
  EXPECT_NE(to_stdout.out.find("#ADDTBL(\"t.tbl\", Table)\r\n"), std::string::npos);
  EXPECT_EQ(read_file_bytes(game.dir.file("t.tbl")), table);
}

TEST(ScriptCommand, RefusedBeforeAnythingIsWritten) {
  const struct {
    std::vector<std::string> options;
    const char* table;
    const char* script;
    int status;
    const char* says;
  } cases[] = {
      {{"--pointers", "at=300,count=3,size=5"}, "ascii.tbl", "out.txt", 2, "size=5"},
      {{"--pointers", "at=30G,count=3"}, "ascii.tbl", "out.txt", 2, "at=30G"},
      {{"--pointers", "bank=1,at=300,count=3"}, "ascii.tbl", "out.txt", 2, "takes no bank="},
      {{"--pointers", "at=300,count=3"}, "ascii.tbl", "-", 2, "--atlas-table"},
      {{"--pointers", "at=300,count=3"}, "noend.tbl", "out.txt", 1, "no end entry"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    Game game;
    const auto result = game.run(c.options, c.table, c.script);
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(game.exists("out.txt"));
    EXPECT_FALSE(game.exists("out.tbl"));
  }
}

TEST(ScriptCommand, JsonHoldsTheStringsAndPointers) {
  Game game;
  const auto result =
      game.run({"--pointers", "at=300,count=3", "--json", "out.json"}, "ascii.tbl", "out.txt");
  ASSERT_EQ(result.status, 0) << result.err;
  const auto json = nlohmann::json::parse(read_file_bytes(game.dir.file("out.json")));
  EXPECT_EQ(json["rom"]["name"], "game.bin");
  EXPECT_EQ(json["rom"]["size"], 0x400);
  EXPECT_EQ(json["rom"]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(json["table"], nlohmann::json::parse(R"({"name": "ascii.tbl", "format": "standard"})"));
  EXPECT_EQ(json["pointer_tables"], nlohmann::json::parse(R"(["at=300,count=3"])"));
  ASSERT_EQ(json["strings"].size(), 3u);
  EXPECT_EQ(json["strings"][2], nlohmann::json::parse(R"({
    "start": 276, "end": 281, "bytes": "4279652E00", "text": "Bye.<END>",
    "pointers": [{"table": 0, "index": 2, "at": 772, "value": 276}]})"));
  EXPECT_EQ(json["problems"], nlohmann::json::array());
}

} // namespace
} // namespace textdump
