// What only Linux gives the built program: a terminal, names of 4,000
// characters and the C library's texts for them, and file names that are not
// UTF-8. (CI leaves these out when it runs the Windows program under Wine.)
//
// At a terminal the dialogue pauses at its end until Enter is pressed; the
// newline that ended the last answer must not count as that press. A script
// dump never pauses, and there it ends with a line saying what it wrote.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::answers;
using testing::prompts;
using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

// Reads from the terminal until `wanted` has appeared or ten seconds have passed.
bool read_until(int fd, std::string& seen, const std::string& wanted) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (seen.find(wanted) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char chunk[256];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) return false;
    seen.append(chunk, static_cast<std::size_t>(got));
  }
  return true;
}

TEST(OnLinux, TerminalPauseWaitsForEnterAfterTheRun) {
  TempDir dir;
  testing::write_file(dir.file("game.bin"), "A");
  testing::write_file(dir.file("font.tbl"), "41=a\r\n");
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.path().c_str()) == 0) ::execl(TEXTDUMP_EXE, TEXTDUMP_EXE, nullptr);
    ::_exit(127);
  }
  const std::string typed = "game.bin font.tbl out.txt 0 0\n";
  ASSERT_EQ(::write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  std::string seen;
  const bool paused = read_until(terminal, seen, "Press Enter to continue . . .");
  EXPECT_TRUE(paused) << seen;
  EXPECT_NE(seen.find("END PROGRAM."), std::string::npos) << seen;
  // Still waiting: the run has not ended on its own.
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0);
  ASSERT_EQ(::write(terminal, "\n", 1), 1);
  for (int i = 0; i < 1000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) ::usleep(10000);
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    FAIL() << "the program did not end after Enter";
  }
  ::close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testing::read_file_bytes(dir.file("out.txt")), "a");
}

TEST(OnLinux, TerminalPauseNoneAfterAScriptDumpOnlyItsSummary) {
  TempDir dir;
  testing::write_file(dir.file("game.bin"), std::string("\x04\x00\x07\x00"
                                                        "AB\xFF"
                                                        "A\xFF",
                                                        9));
  testing::write_file(dir.file("font.tbl"), "41=A\r\n42=B\r\n/FF\r\n");
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::chdir(dir.path().c_str()) == 0)
      ::execl(TEXTDUMP_EXE, TEXTDUMP_EXE, "--script", "--pointers", "at=0,count=2", "game.bin",
              "font.tbl", "s.txt", nullptr);
    ::_exit(127);
  }
  std::string seen;
  const std::string summary = "2 strings, 2 pointers, 1 block, 5 of 5 bytes of room used; wrote "
                              "the script file \"s.txt\" and the insertion table \"s.tbl\".\r\n";
  EXPECT_TRUE(read_until(terminal, seen, summary)) << seen;
  int status = 0;
  for (int i = 0; i < 1000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) ::usleep(10000);
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    FAIL() << "the script dump waited at the terminal";
  }
  read_until(terminal, seen, "not there");
  ::close(terminal);
  EXPECT_EQ(seen, summary);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Names of 4,000 characters: through nested folders they work; as one name
// they fail with the usual messages, naming the whole name.
TEST(OnLinux, NamesOfFourThousandCharacters) {
  TempDir dir;
  write_file(dir.file("rom.bin"), "AB");
  write_file(dir.file("font.tbl"), "41=a\r\n42=b\r\n");
  std::string folder;
  for (int i = 0; i < 15; ++i) folder += std::string(250, static_cast<char>('a' + i)) + "/";
  fs::create_directories(dir.path() / folder);
  const std::string table = folder + std::string(4000 - folder.size(), 't');
  const std::string dump = folder + std::string(4000 - folder.size(), 'd');
  ASSERT_EQ(table.size(), 4000u);
  write_file(dir.file(table), "41=long\r\n");
  const auto run = [&](const std::string& rom, const std::string& font, const std::string& out) {
    return run_program(dir.path().string(), {}, answers(rom, font, out, "0", "1"));
  };

  auto result = run("rom.bin", table, dump);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, prompts() + "END PROGRAM.\n");
  EXPECT_EQ(read_file_bytes(dir.file(dump)), "long(42)");

  const std::string flat(4000, 'n');
  result = run(flat, "font.tbl", "out.txt");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts() + "Can't open the ROM file \"" + flat + "\".\n");
  result = run("rom.bin", "font.tbl", flat);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            prompts() + "Can't create the dump file \"" + flat + "\": File name too long.\n");
  result = run("rom.bin", flat, "out.txt");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts() + "Can't open the table file \"" + flat + "\".\n");
  EXPECT_EQ(read_file_bytes(dir.file("out.txt")), "");
}

// A ROM named in Latin-1: the script's JSON gives the name's bytes in hex.
TEST(OnLinux, RomNamedInLatin1) {
  TempDir dir;
  std::string rom(0x400, '\xEE');
  rom.replace(0x100, 4, std::string("Bye\0", 4));
  rom.replace(0x300, 2, std::string("\x00\x01", 2));
  write_file(dir.file("Pok\xE9mon.bin"), rom);
  write_file(dir.file("ascii.tbl"), "/00=<END>\r\n42=B\r\n65=e\r\n79=y\r\n");
  const auto result = run_program(dir.path().string(),
                                  {"--script", "--std-table", "--pointers", "at=300,count=1",
                                   "--json", "j.json", "Pok\xE9mon.bin", "ascii.tbl", "s.txt"},
                                  "");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(
      nlohmann::json::parse(read_file_bytes(dir.file("j.json")))["rom"]["name"],
      nlohmann::json::parse(R"({"hex": "506F6BE96D6F6E2E62696E", "shown": "Pok\\xE9mon.bin"})"));
}

} // namespace
} // namespace textdump
