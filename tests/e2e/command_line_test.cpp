// The command-line mode: `textdump ROM TABLE DUMP START END`, `--help`,
// `--version` and the usage errors, run as the built program.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/run_program.hpp"
#include "textdump_version.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

// A table with every marker kind, a multi-byte UTF-8 text and a pointer entry,
// and a ROM that uses all of them plus an undefined byte.
struct Game {
  TempDir dir;
  Game() {
    write_file(dir.file("font.tbl"), "41=ABC\r\n42=\xE3\x81\x82\r\n*FE\r\n\\FD\r\n/FF\r\n"
                                     "$80=FIXED,10,2,0\r\n");
    // 0x10 + 2 * 0x80 = 0x110: the record "BA".
    std::string rom("\x41\x42\xFE\x00\xFD\x80\xFF\x41", 8);
    rom.resize(0x110, '\0');
    rom += "BA";
    write_file(dir.file("game.bin"), rom);
  }
  std::string folder() const { return dir.path().string(); }
};

const std::string GAME_DUMP = "ABC\xE3\x81\x82\r\n(00)[WAIT]\r\n\xE3\x81\x82"
                              "ABC[END]\r\nABC";

std::string usage_text(const std::string& folder) {
  return run_program(folder, {"--help"}, "").out;
}

TEST(CommandLine, SameDumpAsTheDialogueQuietlyToAFileOrStandardOutput) {
  Game game;
  const auto dialogue = run_program(game.folder(), {}, "game.bin font.tbl d.txt 0 7\n");
  ASSERT_EQ(dialogue.status, 0);
  EXPECT_EQ(dialogue.out, testing::dialogue_output());
  EXPECT_EQ(read_file_bytes(game.dir.file("d.txt")), GAME_DUMP);

  const auto to_file = run_program(game.folder(), {"game.bin", "font.tbl", "c.txt", "0", "7"}, "");
  EXPECT_EQ(to_file.status, 0);
  EXPECT_EQ(to_file.out, ""); // no banner, no prompts, no END PROGRAM
  EXPECT_EQ(to_file.err, "");
  EXPECT_EQ(read_file_bytes(game.dir.file("c.txt")), GAME_DUMP);

  const auto to_stdout = run_program(game.folder(), {"game.bin", "font.tbl", "-", "0", "7"}, "");
  EXPECT_EQ(to_stdout.status, 0);
  EXPECT_EQ(to_stdout.out, GAME_DUMP);
  EXPECT_EQ(to_stdout.err, "");
  EXPECT_FALSE(std::filesystem::exists(game.dir.file("-")));

  // Another range, its offsets with a prefix; "--" ends the options, so a ROM
  // may be named "-game.bin".
  std::filesystem::copy_file(game.dir.file("game.bin"), game.dir.file("-game.bin"));
  const auto part =
      run_program(game.folder(), {"--", "-game.bin", "font.tbl", "-", "0x5", "$7"}, "");
  EXPECT_EQ(part.out, "\xE3\x81\x82"
                      "ABC[END]\r\nABC");
}

// Several megabytes of dump through standard output: every byte arrives, in order.
TEST(CommandLine, LargeDumpToStandardOutputMatchesTheFile) {
  TempDir dir;
  std::string rom;
  for (int i = 0; i < 0x60000; ++i) rom.push_back(static_cast<char>(i * 7 + (i >> 8)));
  write_file(dir.file("big.bin"), rom);
  write_file(dir.file("half.tbl"), "41=A\r\n0D=\xFF\xFE\r\n*0A\r\n/00\r\n");
  const auto to_file =
      run_program(dir.path().string(), {"big.bin", "half.tbl", "o", "0", "5FFFF"}, "");
  const auto to_out =
      run_program(dir.path().string(), {"big.bin", "half.tbl", "-", "0", "5ffff"}, "");
  ASSERT_EQ(to_file.status, 0);
  ASSERT_EQ(to_out.status, 0);
  const std::string dumped = read_file_bytes(dir.file("o"));
  EXPECT_GT(dumped.size(), 1u << 20);
  EXPECT_TRUE(to_out.out == dumped) << "standard output differs from the dump file";
  EXPECT_EQ(to_out.err, "");
}

TEST(CommandLine, MessagesGoToStandardErrorWithTheirStatus) {
  Game game;
  write_file(game.dir.file("bad.tbl"), "41=A\r\n4G=B\r\n");
  struct Case {
    std::vector<std::string> args;
    std::string err;
    int status;
    const char* dump; // the dump file's bytes afterwards; nullptr: not created
  };
  const Case cases[] = {
      {{"nope.bin", "font.tbl", "o.txt", "0", "7"},
       "Can't open the ROM file \"nope.bin\".\n",
       1,
       nullptr},
      // The dump file is created before the table is opened.
      {{"game.bin", "nope.tbl", "o.txt", "0", "7"},
       "Can't open the table file \"nope.tbl\".\n",
       1,
       ""},
      // "4G" reports the G and defines code 0x40.
      {{"game.bin", "bad.tbl", "o.txt", "0", "1"}, "HEX VALUE ERROR:47\n", 0, "A(42)"},
      {{"game.bin", "font.tbl", "game.bin", "0", "1"},
       "Won't write the dump file \"game.bin\": it is the ROM file.\n",
       1,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2] + " " + c.args[3] + " " + c.args[4]);
    std::filesystem::remove(game.dir.file("o.txt"));
    const auto result = run_program(game.folder(), c.args, "");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.err);
    if (c.dump == nullptr)
      EXPECT_FALSE(std::filesystem::exists(game.dir.file("o.txt")));
    else
      EXPECT_EQ(read_file_bytes(game.dir.file("o.txt")), c.dump);
  }
  EXPECT_EQ(read_file_bytes(game.dir.file("game.bin")).size(), 0x112u);

  if (std::filesystem::exists("/dev/full")) {
    const auto full =
        run_program(game.folder(), {"game.bin", "font.tbl", "/dev/full", "0", "7"}, "");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.out, "");
    EXPECT_EQ(full.err.rfind("Can't write the dump file \"/dev/full\"", 0), 0u) << full.err;
  }
}

TEST(CommandLine, HelpVersionAndUsageErrors) {
  Game game;
  const auto help = run_program(game.folder(), {"--help"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* part : {"ROM TABLE DUMP START END", "--check [TABLE OPTIONS] TABLE",
                           "--std-table", "--table-encoding", "--version", "Exit status"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;

  const auto version = run_program(game.folder(), {"--version"}, "");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.err, "");
  EXPECT_EQ(version.out, std::string("textdump ") + TEXTDUMP_VERSION + "\n");

  // Each misuse names what was wrong, in one line, and points to --help;
  // nothing is written.
  struct Misuse {
    std::vector<std::string> args;
    std::string why; // the first line
  };
  const std::vector<Misuse> misuses = {
      {{"--frobnicate"}, "unknown option --frobnicate"},
      {{"-x", "font.tbl", "o.txt", "0", "7"}, "unknown option -x"},
      {{"game.bin"}, "a dump takes 5 names, ROM TABLE DUMP START END; 1 given"},
      {{"game.bin", "font.tbl", "o.txt", "0"},
       "a dump takes 5 names, ROM TABLE DUMP START END; 4 given"},
      // Options come first: one after the names is a name.
      {{"game.bin", "font.tbl", "o.txt", "0", "7", "--std-table"},
       "a dump takes 5 names, ROM TABLE DUMP START END; 6 given"},
      {{"--check"}, "--check takes 1 name, TABLE; 0 given"},
      {{"--check", "font.tbl", "extra"}, "--check takes 1 name, TABLE; 2 given"},
      {{"--help", "extra"}, "--help takes no names; 1 given"},
      {{"--version", "--help"}, "--help excludes --version"},
      {{"--check", "--script", "font.tbl"}, "--check excludes --script"},
      {{"--help", "--std-table"}, "--help excludes --std-table"},
      {{"--std-table=yes", "game.bin", "font.tbl", "o.txt", "0", "7"},
       "--std-table takes no value"},
      {{"--top"}, "--top needs a value"},
      {{"--script", "game.bin", "font.tbl", "o.txt"}, "--script requires --pointers or --range"},
      {{"--script", "--pointers", "at=0,count=1", "--map", "gb", "game.bin", "font.tbl", "o.txt"},
       "--map with --script places --range, which is not given"},
      {{"--script", "--range", "00:0100", "game.bin", "font.tbl", "o.txt"},
       "--range: END \"\" is not a hexadecimal offset of one to eight digits."},
      {{"--map", "gb", "--check", "font.tbl"}, "--map requires --script or --find-pointers or --find-pointers-to"},
      {{"--find-pointers", "--end", "next", "game.bin", "font.tbl"}, "--end requires --script"},
      {{"--json", "o.txt", "game.bin", "font.tbl", "o.txt", "0", "7"},
       "--json requires --script or --find-pointers or --find-pointers-to or --find-text or --survey"},
      {{"game.bin", "font.tbl", "o.txt", "6A0 junk", "7"},
       "START \"6A0 junk\" is not a hexadecimal offset of one to eight digits."},
      {{"game.bin", "font.tbl", "o.txt", "0x", "7"},
       "START \"0x\" is not a hexadecimal offset of one to eight digits."},
      {{"game.bin", "font.tbl", "o.txt", "$0x0", "7"},
       "START \"$0x0\" is not a hexadecimal offset of one to eight digits."},
      {{"game.bin", "font.tbl", "o.txt", "0", "123456789"},
       "END \"123456789\" is not a hexadecimal offset of one to eight digits."},
      {{"game.bin", "font.tbl", "o.txt", "0", ""},
       "END \"\" is not a hexadecimal offset of one to eight digits."},
      {{"game.bin", "font.tbl", "o.txt", "$7", "0x0"}, "END 0x0 is below START $7."},
  };
  for (const auto& m : misuses) {
    SCOPED_TRACE(m.args[0] + " ... (" + std::to_string(m.args.size()) + " arguments)");
    const auto result = run_program(game.folder(), m.args, "");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "textdump: " + m.why + "\nTry 'textdump --help'.\n");
    EXPECT_FALSE(std::filesystem::exists(game.dir.file("o.txt")));
  }
}

// The usage is made from the options the parser declares; the manual's OPTIONS
// describes exactly those (its tags: `.TP` then `.BI \-\-top " k"`).
TEST(CommandLine, TheManualDescribesEveryOptionOfTheUsage) {
  const TempDir dir;
  const std::string usage = usage_text(dir.path().string());
  std::set<std::string> declared;
  const std::regex in_usage(R"((?:^|[\s\[|(])(--?[a-z][-a-z]*))");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), in_usage);
       it != std::sregex_iterator(); ++it)
    declared.insert((*it)[1].str());

  const std::string manual = read_file_bytes(TEXTDUMP_SOURCE_DIR "/doc/textdump.1");
  const std::size_t from = manual.find("\n.SH OPTIONS\n");
  ASSERT_NE(from, std::string::npos);
  const std::string options = manual.substr(from, manual.find("\n.SH ", from + 1) - from);
  std::set<std::string> described;
  const std::regex tag(R"(\n\.TP\n([^\n]*))"), name(R"(\\-(?:\\-)?[a-z][-a-z\\]*)");
  for (auto t = std::sregex_iterator(options.begin(), options.end(), tag);
       t != std::sregex_iterator(); ++t) {
    const std::string line = (*t)[1].str();
    for (auto n = std::sregex_iterator(line.begin(), line.end(), name);
         n != std::sregex_iterator(); ++n)
      described.insert(std::regex_replace(n->str(), std::regex(R"(\\-)"), "-"));
  }
  EXPECT_EQ(described, declared);
  EXPECT_GE(declared.size(), 17u) << usage;
}

} // namespace
} // namespace textdump
