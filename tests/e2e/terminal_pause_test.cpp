// At a terminal the dialogue pauses at its end until Enter is pressed; the
// newline that ended the last answer must not count as that press. A script
// dump never pauses, and there it ends with a line saying what it wrote.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/test_files.hpp"

namespace textdump {
namespace {

using testing::TempDir;

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

TEST(TerminalPause, WaitsForEnterAfterTheRun) {
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

TEST(TerminalPause, NoneAfterAScriptDumpOnlyItsSummary) {
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

} // namespace
} // namespace textdump
