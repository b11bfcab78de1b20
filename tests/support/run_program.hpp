// Runs the built textdump in a folder, as the end-to-end tests run it: given
// arguments and standard input, its standard output, standard error and exit
// status collected. A run cannot hang or fill the disk: it is killed after a
// time limit, and the files it writes are capped in size.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/test_files.hpp"

extern char** environ;

namespace textdump::testing {

// The program under test: $TEXTDUMP_EXE when set (the Windows build under
// Wine, through a wrapper script), else the one this build made.
inline const char* textdump_exe() {
  const char* chosen = std::getenv("TEXTDUMP_EXE");
  return chosen != nullptr && *chosen != '\0' ? chosen : TEXTDUMP_EXE;
}

struct ProgramResult {
  int status = -1; // exit status; -1 when the program did not exit normally
  bool timed_out = false;
  std::string out;
  std::string err;
};

inline constexpr auto RUN_TIME_LIMIT = std::chrono::seconds(60);
inline constexpr rlim_t RUN_FILE_LIMIT = 64u << 20;

// Runs the program in folder with input on standard input, read from a file;
// with keep_input_open, from a pipe that stays open until the program has
// ended, so that a read past the input waits for ever and the run times out
// (input must then fit in the pipe's buffer). With output_to, standard output
// goes to that file (a device) and is not collected.
inline ProgramResult run_program(const std::string& folder, const std::vector<std::string>& args,
                                 std::string_view input, bool keep_input_open = false,
                                 const std::string& output_to = "") {
  ProgramResult result;
  TempDir io;
  const std::string in_path = io.file("stdin"), out_path = io.file("stdout"),
                    err_path = io.file("stderr");
  int pipe_fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (keep_input_open) {
    // Written before the program starts, so that no write can meet a closed pipe.
    if (input.size() > 60000 || ::pipe(pipe_fds) != 0 ||
        ::write(pipe_fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
      return result;
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[1]);
  } else {
    write_file(in_path, input);
    posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 1, output_to.empty() ? out_path.c_str()
                                                                  : output_to.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<std::string> argv_strings{textdump_exe()};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_strings) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, textdump_exe(), &actions, nullptr, argv.data(), environ) == 0) {
    // A runaway dump is stopped by SIGXFSZ instead of filling the disk.
    const struct rlimit cap { RUN_FILE_LIMIT, RUN_FILE_LIMIT };
    ::prlimit(pid, RLIMIT_FSIZE, &cap, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + RUN_TIME_LIMIT;
    int wstatus = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &wstatus, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (done == 0) {
      result.timed_out = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
    } else if (done == pid && WIFEXITED(wstatus)) {
      result.status = WEXITSTATUS(wstatus);
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  for (const int fd : pipe_fds)
    if (fd >= 0) ::close(fd);
  result.out = read_file_bytes(out_path);
  result.err = read_file_bytes(err_path);
  return result;
}

// The five dialogue answers as typed, one a line.
inline std::string answers(std::string_view rom, std::string_view table, std::string_view dump,
                           std::string_view start, std::string_view end) {
  std::string typed;
  for (std::string_view word : {rom, table, dump, start, end}) {
    typed.append(word);
    typed.push_back('\n');
  }
  return typed;
}

// The dialogue's output up to the END OFFSET answer: the banner and the prompts.
inline std::string prompts() {
  return "Quarvel. v0.03 by Zebrinth\nROM FILE NAME :TABLE FILE NAME :DUMP TO FILE :START OFFSET "
         ":END OFFSET :";
}

} // namespace textdump::testing
