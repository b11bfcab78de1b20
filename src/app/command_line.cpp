#include "app/command_line.hpp"

#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "app/checker.hpp"
#include "app/console.hpp"
#include "app/dialogue.hpp"
#include "app/messages.hpp"
#include "app/run.hpp"
#include "core/numbers.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

constexpr std::string_view USAGE =
    "Usage:\n"
    "  textdump                             ask for the five answers on standard input\n"
    "  textdump ROM TABLE DUMP START END    dump without asking (DUMP - is standard output)\n"
    "  textdump --check TABLE               report what a table file defines and its problems\n"
    "  textdump --help | --version\n"
    "\n"
    "ROM is the game image, TABLE the character table file, DUMP the text file to\n"
    "write; START and END are hexadecimal ROM offsets of up to eight digits, both\n"
    "included. Options come first; -- ends them, for names that begin with -.\n"
    "\n"
    "Exit status: 0 complete run (or a clean table), 1 failure (or a table with\n"
    "reports), 2 command line not understood.\n";

int usage_error(const std::string& why = {}) {
  if (!why.empty()) std::fprintf(stderr, "textdump: %s\n", why.c_str());
  std::fwrite(USAGE.data(), 1, USAGE.size(), stderr);
  return exit_status(Failure::usage);
}

// An offset argument: one to eight hexadecimal digits, nothing else.
bool parse_offset(std::string_view word, std::uint32_t& value) {
  if (word.empty() || word.size() > 8) return false;
  std::vector<char> bad;
  value = hex_to_int(word, &bad);
  return bad.empty() && word.find('\0') == std::string_view::npos;
}

int run_from_arguments(const std::vector<std::string>& args) {
  RunRequest request;
  request.romfile = args[0];
  request.tablefile = args[1];
  request.dumpfile = args[2];
  if (!parse_offset(args[3], request.start_offset))
    return usage_error(usage_bad_offset("START", args[3]));
  if (!parse_offset(args[4], request.end_offset))
    return usage_error(usage_bad_offset("END", args[4]));
  if (request.end_offset < request.start_offset)
    return usage_error(usage_end_below_start(args[4], args[3]));
  request.dash_is_stdout = true;
  request.warnings = true;
  return exit_status(run_dump(request, stream_console(stderr, false, false)));
}

} // namespace

int console_main(int argc, char** argv) {
  if (argc <= 1) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    const Failure failure = run_dialogue(stdin, terminal, stream_console(stdout, true, terminal));
    std::fflush(stdout);
    return exit_status(failure);
  }
  std::vector<std::string> options, args;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--")
      options_done = true;
    else if (!options_done && args.empty() && arg.size() > 1 && arg[0] == '-')
      options.emplace_back(arg);
    else
      args.emplace_back(arg);
  }
  for (const std::string& option : options)
    if (option != "--help" && option != "-h" && option != "--version" && option != "--check")
      return usage_error(usage_unknown_option(option));
  const bool alone = options.size() == 1 && args.empty();
  if (alone && (options[0] == "--help" || options[0] == "-h")) {
    std::fwrite(USAGE.data(), 1, USAGE.size(), stdout);
    return 0;
  }
  if (alone && options[0] == "--version") {
    std::printf("%s%s\n", VERSION_PREFIX.data(), TEXTDUMP_VERSION);
    return 0;
  }
  if (options.size() == 1 && options[0] == "--check" && args.size() == 1)
    return check_table_file(args[0], stdout);
  if (options.empty() && args.size() == 5) return run_from_arguments(args);
  return usage_error();
}

} // namespace textdump
