// Runs the built textdump in a folder with given standard input, collecting its
// standard output, standard error and exit status.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
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
  std::string out;
  std::string err;
};

// stdin_path empty: standard input is /dev/null.
inline ProgramResult run_program_with_input_file(const std::string& folder,
                                                 const std::vector<std::string>& args,
                                                 const std::string& stdin_path) {
  TempDir io;
  const std::string out_path = io.file("stdout"), err_path = io.file("stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(
      &actions, 0, stdin_path.empty() ? "/dev/null" : stdin_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::vector<std::string> argv_strings{textdump_exe()};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_strings) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ProgramResult result;
  if (posix_spawn(&pid, textdump_exe(), &actions, nullptr, argv.data(), environ) == 0) {
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0) {
    }
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = read_file_bytes(out_path);
  result.err = read_file_bytes(err_path);
  return result;
}

// Runs the program in folder with the given text on standard input.
inline ProgramResult run_program(const std::string& folder, const std::vector<std::string>& args,
                                 std::string_view input) {
  TempDir io;
  const std::string in_path = io.file("stdin");
  write_file(in_path, input);
  return run_program_with_input_file(folder, args, in_path);
}

// The dialogue's console output for a run that completes, up to END PROGRAM.
inline std::string dialogue_output(std::string_view between = "") {
  return "Quarvel. v0.03 by Zebrinth\nROM FILE NAME :TABLE FILE NAME :DUMP TO FILE :START OFFSET :"
         "END OFFSET :" +
         std::string(between) + "END PROGRAM.\n";
}

} // namespace textdump::testing
