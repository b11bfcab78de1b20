// The output step against real files in a temporary folder: outputs that are
// inputs or each other however they are spelled, a second "-", and commits
// that either put every output in place or leave the folder as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "io/output_set.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::read_file_bytes;
using testing::write_file;

// rom.bin and table.tbl the inputs; old.txt an earlier output; rom.lnk a link
// to the ROM, hard.tbl a second name of the table, dangling.txt a link to the
// missing new.txt, sub a folder.
struct Folder {
  testing::TempDir dir;
  Folder() {
    write_file(dir.file("rom.bin"), "ROM");
    write_file(dir.file("table.tbl"), "41=A\n");
    write_file(dir.file("old.txt"), "old");
    ::chmod(dir.file("old.txt").c_str(), 0640);
    fs::create_symlink("rom.bin", dir.file("rom.lnk"));
    fs::create_hard_link(dir.file("table.tbl"), dir.file("hard.tbl"));
    fs::create_symlink("new.txt", dir.file("dangling.txt"));
    fs::create_directory(dir.file("sub"));
  }
  // Each output named as given (a name with a slash inside the folder).
  OutputSet outputs(const std::vector<std::string>& names) const {
    OutputSet set;
    set.add_input("the ROM file", file_id_of(dir.file("rom.bin")));
    set.add_input("the table file", file_id_of(dir.file("table.tbl")));
    for (const std::string& name : names)
      set.declare("output", name == "-" || name[0] == '/' ? name : dir.file(name));
    return set;
  }
  // Every name in the folder, with what it holds (or where it links).
  std::map<std::string, std::string> contents() const {
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
      const std::string name = entry.path().lexically_relative(dir.path()).string();
      found[name] = entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                    : entry.is_directory() ? "/"
                                           : read_file_bytes(entry.path().string());
    }
    return found;
  }
};

TEST(OutputSet, RefusesOutputsThatAreInputsOrEachOtherBeforeWriting) {
  const struct {
    std::vector<std::string> names;
    OutputProblem problem;
    std::size_t output, other;
    int error;
  } cases[] = {
      {{"s.txt", "s.txt"}, OutputProblem::is_output, 1, 0, 0},
      {{"s.txt", "a.tbl", "./s.txt"}, OutputProblem::is_output, 2, 0, 0},
      {{"s.txt", "sub/../s.txt"}, OutputProblem::is_output, 1, 0, 0},
      {{"dangling.txt", "new.txt"}, OutputProblem::is_output, 1, 0, 0},
      {{"old.txt", "sub/../old.txt"}, OutputProblem::is_output, 1, 0, 0},
      {{"s.txt", "rom.lnk"}, OutputProblem::is_input, 1, 0, 0},
      {{"hard.tbl"}, OutputProblem::is_input, 0, 1, 0},
      {{"-", "s.txt", "-"}, OutputProblem::second_standard_output, 2, 0, 0},
      {{"s.txt", "missing/s.txt"}, OutputProblem::cannot_create, 1, 0, ENOENT},
      {{"sub"}, OutputProblem::cannot_create, 0, 0, EISDIR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names.back());
    const Folder folder;
    const auto before = folder.contents();
    OutputSet set = folder.outputs(c.names);
    const OutputReport report = set.check();
    EXPECT_EQ(report.problem, c.problem);
    EXPECT_EQ(report.output, c.output);
    EXPECT_EQ(report.other, c.other);
    EXPECT_EQ(report.error, c.error);
    EXPECT_EQ(folder.contents(), before);
  }
  const Folder folder;
  EXPECT_TRUE(folder.outputs({"a.txt", "b.txt", "-", "old.txt", "/dev/null"}).check().ok());
}

TEST(OutputSet, CommitPutsEveryOutputInPlaceOrNone) {
  {
    const Folder folder;
    OutputSet set = folder.outputs({"old.txt", "a.txt", "dangling.txt"});
    ASSERT_TRUE(set.check().ok());
    for (std::size_t i = 0; i < 3; ++i) set.set_bytes(i, "new " + std::to_string(i));
    ASSERT_TRUE(set.commit().ok());
    auto expected = Folder().contents();
    expected["old.txt"] = "new 0";
    expected["a.txt"] = "new 1";
    expected["new.txt"] = "new 2"; // through the link, which stays
    EXPECT_EQ(folder.contents(), expected);
    struct stat st {};
    ASSERT_EQ(::stat(folder.dir.file("old.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
  }
  // A device that fails to take its bytes: nothing else changes or appears.
  const Folder folder;
  const auto before = folder.contents();
  OutputSet set = folder.outputs({"old.txt", "/dev/full", "a.txt"});
  ASSERT_TRUE(set.check().ok());
  for (std::size_t i = 0; i < 3; ++i) set.set_bytes(i, "new");
  const OutputReport report = set.commit();
  EXPECT_EQ(report.problem, OutputProblem::cannot_write);
  EXPECT_EQ(report.output, 1u);
  EXPECT_EQ(report.error, ENOSPC);
  EXPECT_EQ(folder.contents(), before);
}

// A run stopped while a FIFO waits for its reader, by any signal that can be
// caught: the temporary file beside old.txt is gone, and the signal ended it.
TEST(OutputSet, ASignalWhileAFifoWaitsLeavesNoTemporaryFile) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(signal);
    const Folder folder;
    const testing::TempDir elsewhere; // its FIFO is never read, even by contents()
    const std::string fifo = fs::absolute(elsewhere.file("fifo")).string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto before = folder.contents();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      OutputSet set = folder.outputs({"old.txt", fifo});
      if (set.check().ok()) {
        set.set_bytes(0, "new");
        set.set_bytes(1, "new");
        set.commit(); // blocks on the FIFO: no reader comes
      }
      ::_exit(0);
    }
    // Once the temporary file is there, the FIFO is next.
    for (int wait = 0; wait < 500 && folder.contents().size() == before.size(); ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(folder.contents().size(), before.size() + 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
    EXPECT_EQ(folder.contents(), before);
  }
}

} // namespace
} // namespace textdump
