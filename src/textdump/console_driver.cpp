#include "textdump/console_driver.hpp"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>
#include <unistd.h>

#include "hexutil/hexutil.hpp"
#include "table/code_table.hpp"
#include "textdump/messages.hpp"
#include "textdump/run.hpp"
#include "textdump/table_checker.hpp"
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
  std::fputs(USAGE.data(), stderr);
  return exit_status(Failure::usage);
}

// An offset argument: one to eight hexadecimal digits, nothing else.
bool parse_offset(std::string_view word, std::uint32_t& value) {
  if (word.empty() || word.size() > 8) return false;
  value = 0;
  for (const char c : word) {
    if (!is_hex_digit(c)) return false;
    value = (value << 4) + static_cast<std::uint32_t>(hex_return(c, Console{}));
  }
  return true;
}

int run_from_arguments(const std::vector<std::string>& args) {
  RunRequest request;
  request.romfile = args[0];
  request.tablefile = args[1];
  request.dumpfile = args[2];
  const char* const names[] = {"START", "END"};
  std::uint32_t* const offsets[] = {&request.start_offset, &request.end_offset};
  for (int i = 0; i < 2; ++i)
    if (!parse_offset(args[static_cast<std::size_t>(3 + i)], *offsets[i]))
      return usage_error(std::string(names[i]) + " \"" + printable(args[static_cast<std::size_t>(3 + i)]) +
                         "\" is not a hexadecimal offset of one to eight digits.");
  if (request.end_offset < request.start_offset)
    return usage_error("END " + args[4] + " is below START " + args[3] + ".");
  request.dash_is_stdout = true;
  request.warnings = true;
  const Console console = stream_console(stderr, false, false);
  CodeTable table;
  init_code_table(table);
  return exit_status(run_dump(request, table, console));
}

} // namespace

void wait_for_enter(std::FILE* in, std::FILE* out) {
  std::fputs("Press Enter to continue . . .", out);
  std::fflush(out);
  int c = std::getc(in);
  while (c != EOF && c != '\n') c = std::getc(in);
}

void console_pause(bool terminal_input) {
  std::fflush(stdout);
#ifdef _WIN32
  (void)terminal_input;
  (void)std::system("PAUSE");
#else
  if (terminal_input) wait_for_enter(stdin, stdout);
#endif
}

Console stream_console(std::FILE* stream, bool with_pause, bool terminal_input) {
  Console console;
  console.print = [stream](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
  };
  if (with_pause) console.pause = [terminal_input] { console_pause(terminal_input); };
  return console;
}

int console_main(int argc, char** argv) {
  if (argc <= 1) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    const Failure failure = run_dialogue(stdin, terminal, stream_console(stdout, true, terminal));
    std::fflush(stdout);
    return exit_status(failure);
  }
  // Options come first; "--" ends them, so that a file name may begin with "-".
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
      return usage_error("unknown option " + printable(option));
  if (options.size() == 1 && args.empty() && (options[0] == "--help" || options[0] == "-h")) {
    std::fputs(USAGE.data(), stdout);
    return 0;
  }
  if (options.size() == 1 && args.empty() && options[0] == "--version") {
    std::printf("%s%s\n", VERSION_PREFIX.data(), TEXTDUMP_VERSION);
    return 0;
  }
  if (options.size() == 1 && options[0] == "--check" && args.size() == 1)
    return check_table_file(args[0], stdout);
  if (options.empty() && args.size() == 5) return run_from_arguments(args);
  return usage_error();
}

} // namespace textdump
