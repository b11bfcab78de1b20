// textdump --script and --fit run as the built program: the files they read
// and write, the usage errors (a pointer table past the end of the ROM among
// them), outputs refused or failed, the JSON keys and texts, the refusal of a
// table without an end entry, and the reports of an edited script.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
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

// --range with --map, beside a pointer table typed as an address: the string a
// pointer reaches stays with it, the others are written in place.
TEST(ScriptCommand, RangeStringsInPlace) {
  Game game;
  const auto result = game.run({"--map", "gb", "--range", "00:0100-00:0118", "--pointers",
                                "at=00:0304,count=1,map=gb"},
                               "ascii.tbl", "out.txt");
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string script = read_file_bytes(game.dir.file("out.txt"));
  EXPECT_NE(script.find("\r\n#JMP($100, $10D)\r\n\r\n"
                        "//STRING #0 @ $100 (00:0100): no pointer, written in place\r\n"
                        "//Hello, world!<END>\r\nHello, world!<END>\r\n"),
            std::string::npos)
      << script;
  EXPECT_NE(script.find("\r\n#JMP($10E, $113)\r\n"), std::string::npos);
  EXPECT_NE(script.find("\r\n#WRITE(PtrA, $304)\r\n//Bye.<END>\r\n"), std::string::npos);
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
      {{"--pointers", "at=C1:013D,count=3,map=hirom"},
       "ascii.tbl",
       "out.txt",
       2,
       "textdump: --pointers \"at=C1:013D,count=3,map=hirom\": the ROM holds no such hirom "
       "address.\n"},
      {{"--pointers", "at=300,count=3000"},
       "ascii.tbl",
       "out.txt",
       2,
       "textdump: --pointers at=300,count=3000: the ROM file (1,024 bytes) holds at most 128 "
       "pointers from $300: give count=128 or less\n"},
      {{"--pointers", "at=300,count=3,base=10000"},
       "ascii.tbl",
       "out.txt",
       1,
       "none of the 3 pointers leads to a string in the ROM file (outside it, or null); nothing "
       "was written: check base= and map= of --pointers.\n"},
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

// Every name in the folder with what it holds.
std::map<std::string, std::string> contents(const TempDir& dir) {
  std::map<std::string, std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    found[entry.path().filename().string()] = read_file_bytes(entry.path().string());
  return found;
}

// A run refused or failed with the status and message given: nothing written,
// and an earlier script left as it was.
void expect_nothing_written(const std::vector<std::string>& more, const std::string& script,
                            int status, const std::string& says) {
  SCOPED_TRACE(says);
  Game game;
  write_file(game.dir.file("out.txt"), "an earlier script");
  const auto before = contents(game.dir);
  std::vector<std::string> options{"--pointers", "at=300,count=3"};
  options.insert(options.end(), more.begin(), more.end());
  const auto result = game.run(options, "ascii.tbl", script);
  EXPECT_EQ(result.status, status);
  EXPECT_EQ(result.err, says);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(contents(game.dir), before);
}

// Outputs that are an input or each other, and a second "-".
TEST(ScriptCommand, OutputsAreWrittenAllOrNone) {
  const struct {
    std::vector<std::string> options;
    const char* script;
    int status;
    const char* says;
  } cases[] = {
      {{"--atlas-table", "./out.txt"}, "out.txt", 1,
       "Won't write the insertion table \"./out.txt\": it is the script file.\n"},
      {{}, "x.tbl", 1, "Won't write the insertion table \"x.tbl\": it is the script file.\n"},
      {{}, "ascii.txt", 1,
       "Won't write the insertion table \"ascii.tbl\": it is the table file; give it another "
       "name with --atlas-table FILE.\n"},
      {{"--json", "out.tbl"}, "out.txt", 1,
       "Won't write the JSON file \"out.tbl\": it is the insertion table.\n"},
      {{}, "game.bin", 1, "Won't write the script file \"game.bin\": it is the ROM file.\n"},
      {{"--atlas-table", "-"}, "-", 2,
       "textdump: the script file and the insertion table cannot both go to standard output "
       "(\"-\")\nTry 'textdump --help'.\n"},
  };
  for (const auto& c : cases) expect_nothing_written(c.options, c.script, c.status, c.says);
}

// Linux only: a full device as the script, and a ROM named in Latin-1.
TEST(ScriptCommandOnLinux, DevicesAndNamesThatAreNotUtf8) {
  expect_nothing_written({}, "/dev/full", 1,
                         "The script file \"/dev/full\" is not a regular file, so the insertion "
                         "table cannot go beside it: give --atlas-table FILE.\n");
  EXPECT_FALSE(std::filesystem::exists("/dev/full.tbl"));
  expect_nothing_written({"--atlas-table", "t.tbl", "--json", "j.json"}, "/dev/full", 1,
                         "Can't write the script file \"/dev/full\": No space left on device.\n");

  Game game;
  std::filesystem::rename(game.dir.file("game.bin"), game.dir.file("Pok\xE9mon.bin"));
  const auto result = run_program(game.dir.path().string(),
                                  {"--script", "--std-table", "--pointers", "at=300,count=3",
                                   "--json", "j.json", "Pok\xE9mon.bin", "ascii.tbl", "s.txt"},
                                  "");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(nlohmann::json::parse(read_file_bytes(game.dir.file("j.json")))["rom"]["name"],
            nlohmann::json::parse(R"({"hex": "506F6BE96D6F6E2E62696E", "shown": "Pok\\xE9mon.bin"})"));
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

// Texts of a Shift-JIS own-format table and of a standard table with Latin-1
// bytes: the JSON is written, and "hex" holds their bytes. The ROM's UTF-8
// name stays a string (on Windows it arrives through the wide command line).
TEST(ScriptCommand, JsonKeepsTextsThatAreNotUtf8) {
  Game game;
  std::filesystem::rename(game.dir.file("game.bin"), game.dir.file("Pok\xC3\xA9mon.bin"));
  write_file(game.dir.file("sjis.tbl"), "48=\x82\xA0\n/00\n");
  write_file(game.dir.file("latin.tbl"), "/00=<END>\n48=\xE9\n");
  const struct {
    std::vector<std::string> table;
    const char* text_hex;
  } cases[] = {{{"sjis.tbl"}, "82A0"}, {{"--std-table", "latin.tbl"}, "E9"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text_hex);
    std::vector<std::string> args{"--script", "--pointers", "at=300,count=3", "--json", "j.json"};
    args.insert(args.end(), c.table.begin(), c.table.end() - 1);
    args.insert(args.end(), {"Pok\xC3\xA9mon.bin", c.table.back(), "s.txt"});
    const auto result = run_program(game.dir.path().string(), args, "");
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::json::parse(read_file_bytes(game.dir.file("j.json")));
    EXPECT_EQ(json["rom"]["name"], "Pok\xC3\xA9mon.bin");
    EXPECT_EQ(json["strings"][0]["text"]["hex"].get<std::string>().rfind(c.text_hex, 0), 0u);
  }
}

// --fit reads the script and the insertion table beside it, never the ROM:
// quiet and 0 on the unedited script, compiler-style reports and 1 on edits
// that would not go back.
TEST(FitCommand, ReportsWhatWouldNotGoBack) {
  Game game;
  std::filesystem::create_directory(game.dir.file("sub"));
  ASSERT_EQ(game.run({"--pointers", "at=300,count=3"}, "ascii.tbl", "sub/out.txt").status, 0);
  std::filesystem::remove(game.dir.file("game.bin"));
  const auto fit = [&] {
    return run_program(game.dir.path().string(), {"--fit", "sub/out.txt"}, "");
  };
  const auto clean = fit();
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(clean.err, "");
  EXPECT_EQ(clean.out, "block 1 $100-$118: 25 of 25 bytes\n");

  std::string script = read_file_bytes(game.dir.file("sub/out.txt"));
  const std::string line = "\r\nBye.<END>\r\n";
  const std::size_t at = script.find(line);
  ASSERT_NE(at, std::string::npos);
  const auto number = 1 + std::count(script.data(), script.data() + at + 2, '\n');
  script.replace(at, line.size(), "\r\nBye, \xC3\x9F<$a5>!<END>\r\n");
  write_file(game.dir.file("sub/out.txt"), script);
  const auto edited = fit();
  EXPECT_EQ(edited.status, 1);
  const std::string where = "sub/out.txt:" + std::to_string(number) + ":";
  EXPECT_NE(edited.err.find(where + "6: error: '\xC3\x9F' is not in the insertion table\n"),
            std::string::npos)
      << edited.err;
  EXPECT_NE(edited.err.find(where + "7: error: the inserter does not read \"<$a5>\" as a raw byte"),
            std::string::npos)
      << edited.err;
  EXPECT_NE(edited.err.find("error: the block at $100-$118 needs 32 bytes, 7 more than its room "
                            "of 25\n"),
            std::string::npos)
      << edited.err;
  EXPECT_NE(edited.err.find(where + "1: note: this string needs 12 bytes, 7 more than the 5 it "
                                    "held when dumped\n" +
                            where + "1: note: this string would be cut after 5 of its 12 bytes\n"),
            std::string::npos)
      << edited.err;
  EXPECT_EQ(edited.out, "block 1 $100-$118: 32 of 25 bytes\n");
  EXPECT_EQ(run_program(game.dir.path().string(), {"--fit", "none.txt"}, "").status, 1);
  EXPECT_EQ(run_program(game.dir.path().string(), {"--fit", "a", "b"}, "").status, 2);
}

} // namespace
} // namespace textdump
