#include "textdump/console_driver.hpp"

#include <cstdlib>
#include <string>
#include <string_view>
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
    "write; START and END are hexadecimal ROM offsets, both included.\n"
    "\n"
    "Exit status: 0 complete run (or a clean table), 1 failure (or a table with\n"
    "reports), 2 command line not understood.\n";

int usage_error() {
  std::fputs(USAGE.data(), stderr);
  return exit_status(Failure::usage);
}

int run_from_arguments(char** argv) {
  const Console console = stream_console(stderr, false, false);
  CodeTable table;
  init_code_table(table);
  RunRequest request;
  request.romfile = argv[1];
  request.tablefile = argv[2];
  request.dumpfile = argv[3];
  request.start_offset = hex_to_int(argv[4], console);
  request.end_offset = hex_to_int(argv[5], console);
  request.dash_is_stdout = true;
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
  const std::string_view first = argv[1];
  if (argc == 2 && (first == "--help" || first == "-h")) {
    std::fputs(USAGE.data(), stdout);
    return 0;
  }
  if (argc == 2 && first == "--version") {
    std::printf("%s%s\n", VERSION_PREFIX.data(), TEXTDUMP_VERSION);
    return 0;
  }
  if (argc == 3 && first == "--check") return check_table_file(argv[2], stdout);
  if (argc == 6 && !(first.size() > 1 && first[0] == '-')) return run_from_arguments(argv);
  return usage_error();
}

} // namespace textdump
