// Dialogue answers, and a run of the built program that cannot hang or fill
// the disk: standard input is a pipe that may stay open (so a read past the
// answers would block), the process is killed after a time limit, and the files
// it writes are capped in size.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/run_program.hpp"
#include "support/test_files.hpp"

namespace textdump::testing {

// The five answers as typed, one per line.
inline std::string answers(std::string_view rom, std::string_view table, std::string_view dump,
                           std::string_view start, std::string_view end) {
  std::string typed;
  for (std::string_view word : {rom, table, dump, start, end}) {
    typed.append(word);
    typed.push_back('\n');
  }
  return typed;
}

// The dialogue's output up to the END OFFSET answer: the banner, the prompts,
// and the reports that each offset prints right after its own prompt.
inline std::string prompts_then(std::string_view start_reports = "",
                                std::string_view end_reports = "") {
  return "Quarvel. v0.03 by Zebrinth\nROM FILE NAME :TABLE FILE NAME :DUMP TO FILE :START OFFSET "
         ":" +
         std::string(start_reports) + "END OFFSET :" + std::string(end_reports);
}

struct LimitedResult : ProgramResult {
  bool timed_out = false;
};

inline constexpr auto RUN_TIME_LIMIT = std::chrono::seconds(30);
inline constexpr rlim_t RUN_FILE_LIMIT = 64u << 20;

// Runs the program in folder with input on a pipe. With keep_input_open the
// pipe is not closed until the program has ended, so any read past the input
// waits for ever (and the run times out). input must fit in the pipe's buffer.
inline LimitedResult run_program_limited(const std::string& folder, std::string_view input,
                                         bool keep_input_open = false) {
  LimitedResult result;
  int pipe_fds[2];
  if (input.size() > 60000 || ::pipe(pipe_fds) != 0) return result;
  // Written before the program starts, so that no write can meet a closed pipe.
  if (::write(pipe_fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    return result;
  }
  if (!keep_input_open) {
    ::close(pipe_fds[1]);
    pipe_fds[1] = -1;
  }

  TempDir io;
  const std::string out_path = io.file("stdout"), err_path = io.file("stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], 0);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  if (pipe_fds[1] >= 0) posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  char* argv[] = {const_cast<char*>(textdump_exe()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, textdump_exe(), &actions, nullptr, argv, environ) == 0) {
    // A runaway dump is stopped by SIGXFSZ instead of filling the disk.
    const struct rlimit cap { RUN_FILE_LIMIT, RUN_FILE_LIMIT };
    ::prlimit(pid, RLIMIT_FSIZE, &cap, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + RUN_TIME_LIMIT;
    int wstatus = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &wstatus, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (done == 0) {
      result.timed_out = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
    } else if (done == pid && WIFEXITED(wstatus)) {
      result.status = WEXITSTATUS(wstatus);
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[0]);
  if (pipe_fds[1] >= 0) ::close(pipe_fds[1]);
  result.out = read_file_bytes(out_path);
  result.err = read_file_bytes(err_path);
  return result;
}

// The names in a folder, sorted, for checks that a run created no file.
inline std::string folder_listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) listing += name + "\n";
  return listing;
}

} // namespace textdump::testing
