// A run that needs more memory than it may have ends with one line and status
// 1, in the dialogue and on the command line, instead of an abort.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/run_program.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file;

// The built program under a 150 MB address space, through the shell's ulimit.
testing::ProgramResult run_in_little_memory(const std::string& folder, const std::string& args,
                                            const std::string& input) {
  write_file(folder + "/stdin", input);
  const std::string command = "cd '" + folder + "' && ulimit -v 150000 && exec '" +
                              testing::textdump_exe() + "' " + args +
                              " <stdin >stdout 2>stderr";
  testing::ProgramResult result;
  const int status = std::system(command.c_str());
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  result.out = read_file_bytes(folder + "/stdout");
  result.err = read_file_bytes(folder + "/stderr");
  return result;
}

TEST(OutOfMemory, OneLineAndStatusOne) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
  if (read_file_bytes(testing::textdump_exe()).substr(0, 4) != "\x7F" "ELF")
    GTEST_SKIP() << "the program is run through a wrapper";
  TempDir dir;
  write_file(dir.file("t.tbl"), "41=A\n/00\n");
  // A ROM too large for the limit, read whole as a mapping fails under it.
  write_file(dir.file("big.bin"), "");
  std::filesystem::resize_file(dir.file("big.bin"), std::uintmax_t{300} << 20);
  const std::string line = "Out of memory: the run was stopped.\n";

  const auto command_line = run_in_little_memory(dir.path().string(), "big.bin t.tbl o.txt 0 F", "");
  EXPECT_EQ(command_line.status, 1);
  EXPECT_EQ(command_line.err, line);

  const auto dialogue = run_in_little_memory(dir.path().string(), "", "big.bin t.tbl o.txt 0 F\n");
  EXPECT_EQ(dialogue.status, 1);
  EXPECT_EQ(dialogue.out, testing::prompts() + line);
}

} // namespace
} // namespace textdump
