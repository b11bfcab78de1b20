#include "app/command_line.hpp"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/checker.hpp"
#include "app/console.hpp"
#include "app/dialogue.hpp"
#include "app/finder_command.hpp"
#include "app/messages.hpp"
#include "app/run.hpp"
#include "app/script_command.hpp"
#include "core/address_map.hpp"
#include "core/numbers.hpp"
#include "io/encoding.hpp"
#include "io/streams.hpp"
#include "textdump_version.hpp"

namespace textdump {

namespace {

constexpr std::string_view USAGE =
    "Usage:\n"
    "  textdump                             ask for the five answers on standard input\n"
    "  textdump [TABLE OPTIONS] ROM TABLE DUMP START END\n"
    "                                       dump without asking (DUMP - is standard output)\n"
    "  textdump --check [TABLE OPTIONS] TABLE\n"
    "                                       report what a table file defines and its problems\n"
    "  textdump --script [TABLE OPTIONS] [SCRIPT OPTIONS] --pointers FIELDS... ROM TABLE SCRIPT\n"
    "                                       the strings of pointer tables as an inserter's\n"
    "                                       script (SCRIPT - is standard output)\n"
    "  textdump --find-pointers [TABLE OPTIONS] [FINDER OPTIONS] ROM TABLE\n"
    "                                       the ROM's pointer tables, best first, each with\n"
    "                                       its --pointers argument\n"
    "  textdump --help | --version\n"
    "\n"
    "Table options:\n"
    "  --std-table              TABLE is a standard table file (multi-byte keys, /KEY=label\n"
    "                           ends, $KEY=label,params control codes, # comments)\n"
    "  --table-encoding E       its values are utf-8 (default), windows-1252 or shift-jis\n"
    "\n"
    "Script options:\n"
    "  --pointers FIELDS          a pointer table: at=HEX,count=N[,size=2|3|4][,stride=N]\n"
    "                           [,order=le|be][,map=@MAPS@][,base=HEX]\n"
    "                           [,bank=HEX][,window=HEX][,banksize=HEX]; may be repeated\n"
    "  --end RULE               token (default), next, fixed:N, or token,next\n"
    "  --max-length N           no string is longer (default 4096 bytes)\n"
    "  --atlas-table FILE       the insertion table (default: SCRIPT with .tbl)\n"
    "  --json FILE              the strings and pointers as JSON too\n"
    "\n"
    "Finder options:\n"
    "  --map MAP[,MAP...]       @FINDER_MAPS@ (default: linear\n"
    "                           and the maps the ROM's header suggests)\n"
    "  --size 2,3,4             pointer sizes to try (default all)\n"
    "  --min-count N            the fewest pointers of a table (default 4)\n"
    "  --top K                  how many candidates to show (default 5)\n"
    "  --json FILE              the candidates as JSON too\n"
    "\n"
    "ROM is the game image, TABLE the character table file, DUMP the text file to\n"
    "write; START and END are hexadecimal ROM offsets of up to eight digits, both\n"
    "included. Options come first; -- ends them, for names that begin with -.\n"
    "\n"
    "Exit status: 0 complete run (or a clean table), 1 failure (or a table with\n"
    "reports), 2 command line not understood.\n";

// USAGE with the maps' names, which their registry gives.
std::string usage_text() {
  std::string text(USAGE);
  for (const auto& [mark, names] :
       {std::pair{std::string_view("@MAPS@"), map_names("|")},
        std::pair{std::string_view("@FINDER_MAPS@"), map_names(", ", {}, FinderForms::listed)}})
    text.replace(text.find(mark), mark.size(), names);
  return text;
}

int usage_error(const std::string& why = {}) {
  if (!why.empty()) std::fprintf(stderr, "textdump: %s\n", why.c_str());
  const std::string usage = usage_text();
  std::fwrite(usage.data(), 1, usage.size(), stderr);
  return exit_status(Failure::usage);
}

// An offset argument: one to eight hexadecimal digits, nothing else.
bool parse_offset(std::string_view word, std::uint32_t& value) {
  if (word.empty() || word.size() > 8) return false;
  std::vector<char> bad;
  value = hex_to_int(word, &bad);
  return bad.empty() && word.find('\0') == std::string_view::npos;
}

// The options before the names, and the names.
struct Arguments {
  bool help = false, version = false, check = false, standard = false, script = false;
  std::optional<TableEncoding> encoding;
  std::vector<std::string> names;
  ScriptOptions script_options; // --pointers, --end, --max-length, --json, --atlas-table
  bool script_only = false;     // an option that only --script takes was given
  bool find = false;
  FinderCommand finder;     // --map, --size, --min-count, --top
  bool finder_only = false; // an option that only --find-pointers takes was given
};

// An option's value; a message for the usage error when it is wrong.
std::optional<std::string> take_value(std::string_view name, std::string_view value,
                                      Arguments& parsed) {
  ScriptOptions& script = parsed.script_options;
  if (name == "--table-encoding") {
    parsed.encoding = encoding_named(value);
    if (!parsed.encoding) return usage_bad_encoding(value);
    return std::nullopt;
  }
  if (name == "--map" || name == "--size" || name == "--min-count" || name == "--top") {
    parsed.finder_only = true;
    if (name == "--map") {
      auto maps = parse_map_list(value);
      if (const auto* why = std::get_if<std::string>(&maps)) return *why;
      parsed.finder.maps = std::get<std::vector<FinderMap>>(maps);
    } else if (name == "--size") {
      auto sizes = parse_size_list(value);
      if (const auto* why = std::get_if<std::string>(&sizes)) return *why;
      parsed.finder.options.sizes = std::get<std::vector<unsigned>>(sizes);
    } else {
      std::uint32_t n = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (error != std::errc{} || end != value.data() + value.size() || n == 0)
        return usage_bad_number(name, value);
      if (name == "--min-count")
        parsed.finder.options.min_count = n;
      else
        parsed.finder.options.top = n;
    }
    return std::nullopt;
  }
  if (name == "--json") {
    parsed.script_options.json = std::string(value);
    parsed.finder.json = std::string(value);
    return std::nullopt;
  }
  parsed.script_only = true;
  if (name == "--pointers") {
    auto ptable = parse_pointer_table(value);
    if (const auto* why = std::get_if<std::string>(&ptable)) return *why;
    script.ptables.push_back(std::get<PointerTable>(ptable));
    script.pointer_arguments.emplace_back(value);
  } else if (name == "--end") {
    const std::uint32_t max_length = script.end.max_length;
    auto rule = parse_end_rule(value);
    if (const auto* why = std::get_if<std::string>(&rule)) return *why;
    script.end = std::get<EndRule>(rule);
    script.end.max_length = max_length;
    script.end_text = value;
  } else if (name == "--max-length") {
    std::uint32_t n = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc{} || end != value.data() + value.size() || n == 0)
      return usage_bad_number(name, value);
    script.end.max_length = n;
  } else {
    script.atlas_table = std::string(value);
  }
  return std::nullopt;
}

// Reads the options; a message for the usage error otherwise.
std::optional<std::string> parse_arguments(int argc, char** argv, Arguments& parsed) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') break;
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    // An option's value follows it, or its "=".
    const auto value = [&]() -> std::optional<std::string_view> {
      if (equals != std::string_view::npos) return arg.substr(equals + 1);
      if (i + 1 < argc) return std::string_view(argv[++i]);
      return std::nullopt;
    };
    if (name == "--table-encoding" || name == "--pointers" || name == "--end" ||
        name == "--max-length" || name == "--json" || name == "--atlas-table" || name == "--map" ||
        name == "--size" || name == "--min-count" || name == "--top") {
      const std::optional<std::string_view> given = value();
      if (!given) return usage_needs_value(name);
      if (const std::optional<std::string> why = take_value(name, *given, parsed)) return why;
      continue;
    }
    if (equals != std::string_view::npos) return usage_unknown_option(arg);
    if (arg == "--help" || arg == "-h")
      parsed.help = true;
    else if (arg == "--version")
      parsed.version = true;
    else if (arg == "--check")
      parsed.check = true;
    else if (arg == "--std-table")
      parsed.standard = true;
    else if (arg == "--script")
      parsed.script = true;
    else if (arg == "--find-pointers")
      parsed.find = true;
    else
      return usage_unknown_option(arg);
  }
  for (; i < argc; ++i) parsed.names.emplace_back(argv[i]);
  return std::nullopt;
}

int run_from_arguments(const Arguments& arguments) {
  const std::vector<std::string>& args = arguments.names;
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
  request.standard = arguments.standard;
  request.encoding = arguments.encoding.value_or(TableEncoding::utf8);
  return exit_status(run_dump(request, stream_console(stderr, false, false)));
}

} // namespace

int console_main(int argc, char** argv) {
  use_binary_streams();
  if (argc <= 1) {
    const bool terminal = is_terminal(STANDARD_INPUT);
    const Failure failure = run_dialogue(stdin, terminal, stream_console(stdout, true, terminal));
    std::fflush(stdout);
    return exit_status(failure);
  }
  Arguments arguments;
  if (const std::optional<std::string> why = parse_arguments(argc, argv, arguments))
    return usage_error(*why);
  const std::size_t names = arguments.names.size();
  const int modes = int{arguments.help} + int{arguments.version} + int{arguments.check} +
                    int{arguments.script} + int{arguments.find};
  // The encoding belongs to standard tables only.
  if (arguments.encoding && !arguments.standard) return usage_error();
  if (arguments.script_only && !arguments.script) return usage_error();
  if (arguments.finder_only && !arguments.find) return usage_error();
  if (arguments.finder.json && !arguments.script && !arguments.find) return usage_error();
  if (modes > 1 || ((arguments.help || arguments.version) && (names > 0 || arguments.standard)))
    return usage_error();
  if (arguments.help) {
    const std::string usage = usage_text();
    std::fwrite(usage.data(), 1, usage.size(), stdout);
    return 0;
  }
  if (arguments.version) {
    std::printf("%s%s\n", VERSION_PREFIX.data(), TEXTDUMP_VERSION);
    return 0;
  }
  if (arguments.check) {
    if (names != 1) return usage_error();
    return arguments.standard
               ? check_standard_table(arguments.names[0],
                                      arguments.encoding.value_or(TableEncoding::utf8), stdout)
               : check_table_file(arguments.names[0], stdout);
  }
  if (arguments.script) {
    if (names != 3 || arguments.script_options.ptables.empty()) return usage_error();
    ScriptOptions options = arguments.script_options;
    options.romfile = arguments.names[0];
    options.tablefile = arguments.names[1];
    options.scriptfile = arguments.names[2];
    options.standard = arguments.standard;
    options.encoding = arguments.encoding.value_or(TableEncoding::utf8);
    if (options.scriptfile == "-" && !options.atlas_table)
      return usage_error("a script on standard output needs --atlas-table FILE");
    return run_script_command(options);
  }
  if (arguments.find) {
    if (names != 2) return usage_error();
    FinderCommand command = arguments.finder;
    command.romfile = arguments.names[0];
    command.tablefile = arguments.names[1];
    command.standard = arguments.standard;
    command.encoding = arguments.encoding.value_or(TableEncoding::utf8);
    return run_finder_command(command);
  }
  if (names == 5) return run_from_arguments(arguments);
  return usage_error();
}

} // namespace textdump
