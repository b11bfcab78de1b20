#include "app/command_options.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "app/messages.hpp"
#include "core/address_map.hpp"
#include "core/pointer_table.hpp"
#include "core/script.hpp"

namespace textdump {

namespace {

// The modes as bits, so that an option names every mode it belongs to.
constexpr unsigned bit(Mode mode) {
  return 1u << static_cast<unsigned>(mode);
}
constexpr unsigned TABLE_MODES = bit(Mode::dump) | bit(Mode::check) | bit(Mode::script) |
                                 bit(Mode::find) | bit(Mode::find_to) | bit(Mode::survey);

struct ModeDeclaration {
  Mode mode;
  std::string_view flag;    // its option ("--help,-h"); none for the dialogue and the dump
  std::string_view names;   // the names it takes
  std::string_view summary; // its lines of the usage, split at '\n'
  std::string_view value = {}; // the flag's value ("OFFSET"), if it takes one
};

// The group of options a mode's usage line names: its own, or the finder's.
constexpr Mode options_of(Mode mode) {
  return mode == Mode::find_to ? Mode::find : mode;
}

constexpr ModeDeclaration MODES[] = {
    {Mode::dialogue, "", "", "ask for the five answers on standard input"},
    {Mode::dump, "", "ROM TABLE DUMP START END", "dump without asking (DUMP - is standard output)"},
    {Mode::check, "--check", "TABLE", "report what a table file defines and its problems"},
    {Mode::script, "--script", "ROM TABLE SCRIPT",
     "the strings of pointer tables as an inserter's\nscript (SCRIPT - is standard output)"},
    {Mode::fit, "--fit", "SCRIPT",
     "whether an edited script fits its blocks, from\nthe script and its insertion table alone"},
    {Mode::find, "--find-pointers", "ROM TABLE",
     "the ROM's pointer tables, best first, each with\nits --pointers argument"},
    {Mode::find_to, "--find-pointers-to", "ROM TABLE",
     "every place where a pointer of each map and\nsize to OFFSET is stored", "OFFSET"},
    {Mode::find_text, "--find-text", "ROM WORD...",
     "the encodings in which the ROM holds the words,\nbest first: a relative search"},
    {Mode::survey, "--survey", "ROM TABLE",
     "where the ROM's text, pointer tables and free\nspace lie, in ROM order, and their totals"},
    {Mode::help, "--help,-h", "", "this text, on standard output"},
    {Mode::version, "--version", "", "the program's name and version"},
};

// The usage lists an option under the first group of a mode it belongs to:
// "Table options" are those of the plain dump (and of every mode); any other
// option is listed under each of the other groups it belongs to.
struct Group {
  std::string_view heading, label;
  Mode mode;
};
constexpr Group GROUPS[] = {{"Table options", "TABLE OPTIONS", Mode::dump},
                            {"Script options", "SCRIPT OPTIONS", Mode::script},
                            {"Finder options", "FINDER OPTIONS", Mode::find},
                            {"Search options", "SEARCH OPTIONS", Mode::find_text},
                            {"Survey options", "SURVEY OPTIONS", Mode::survey}};

constexpr std::string_view FOOTER =
    "ROM is the game image, TABLE the character table file, DUMP the text file to\n"
    "write; START and END are hexadecimal ROM offsets of up to eight digits (0x or\n"
    "$ may lead), both included, or with --map MAP addresses as MAP writes them\n"
    "(C1:013D); WORD is text seen on screen (? any one code).\n"
    "Options come first; -- ends them, for names that begin with -.\n"
    "\n"
    "Exit status: 0 complete run (or a clean table, or an encoding found), 1 failure\n"
    "(or a table with reports, or no encoding found), 2 command line not understood.\n";

// Where the usage's summaries and the options' descriptions begin.
constexpr std::size_t MODE_COLUMN = 39, OPTION_COLUMN = 27;

// What an option's value becomes; a message for the usage error when it is wrong.
using Reader = std::function<std::optional<std::string>(std::string_view)>;

struct Declared {
  CLI::Option* option;
  unsigned modes;
};

struct ModeFlag {
  const ModeDeclaration* mode;
  CLI::Option* option; // nullptr for the dialogue and the dump
};

// Every option, built into a CLI11 App that writes into the values it is given.
class Declarations {
public:
  explicit Declarations(OptionValues& values);
  Declarations(const Declarations&) = delete;
  Declarations& operator=(const Declarations&) = delete;

  CLI::App app{"", "textdump"};
  std::vector<Declared> options; // every option but the mode flags, as declared
  std::vector<ModeFlag> modes;   // as MODES

  static bool belongs(const Declared& option, Mode mode) { return (option.modes & bit(mode)) != 0; }
  // The table options are those of the plain dump and of scripts.
  static bool table_option(const Declared& option) {
    return belongs(option, Mode::dump) && belongs(option, Mode::script);
  }
  static bool listed(const Declared& option, const Group& group) {
    return &group == GROUPS ? table_option(option)
                            : belongs(option, group.mode) && !table_option(option);
  }

private:
  CLI::Option* mode_flag(Mode mode) const;
  CLI::Option* flag(std::string_view name, unsigned in, std::string_view description, bool& into);
  CLI::Option* value(std::string_view name, std::string_view label, unsigned in,
                     std::string_view description, Reader read);
};

// "--pointers" or "--help | -h".
std::string names_of(const CLI::Option& option) {
  std::string text;
  for (const std::string& name : option.get_lnames()) text += (text.empty() ? "--" : " | --") + name;
  for (const std::string& name : option.get_snames()) text += (text.empty() ? "-" : " | -") + name;
  return text;
}

std::string option_usage(const CLI::Option& option) {
  std::string text = names_of(option);
  if (!option.get_type_name().empty()) text += " " + option.get_type_name();
  if (option.get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll) text += "...";
  return text;
}

// head, then the lines of text from column: beside it when there is room.
std::string in_columns(std::string head, std::string_view text, std::size_t column) {
  std::string out = std::move(head);
  for (std::size_t line = 0; !text.empty(); ++line) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (line > 0 || out.size() + 1 > column) out += "\n";
    out.append(column - std::min(out.size() - (out.rfind('\n') + 1), column), ' ');
    out.append(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return out + "\n";
}

// The usage in the shape of a manual's synopsis: the modes, the groups, the footer.
class UsageFormatter : public CLI::FormatterBase {
public:
  explicit UsageFormatter(const Declarations& declarations) : declarations_(declarations) {}
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const override {
    std::string text = "Usage:\n";
    for (const ModeFlag& mode : declarations_.modes) {
      std::string line = "  " + name;
      if (mode.option != nullptr) line += " " + option_usage(*mode.option);
      // The table options go with every mode that takes them; another group
      // goes with its own mode.
      const auto takes = [&](const Declared& option) {
        return Declarations::listed(option, GROUPS[0]) &&
               Declarations::belongs(option, mode.mode->mode);
      };
      for (const Group& group : GROUPS)
        if (&group == GROUPS ? std::any_of(declarations_.options.begin(),
                                           declarations_.options.end(), takes)
                             : group.mode == options_of(mode.mode->mode))
          line += " [" + std::string(group.label) + "]";
      if (mode.option != nullptr)
        for (const CLI::Option* needed : mode.option->get_needs())
          line += " " + option_usage(*needed);
      if (!mode.mode->names.empty()) line += " " + std::string(mode.mode->names);
      text += in_columns(line, mode.mode->summary, MODE_COLUMN);
    }
    for (const Group& group : GROUPS) {
      text += "\n" + std::string(group.heading) + ":\n";
      for (const Declared& option : declarations_.options)
        if (Declarations::listed(option, group))
          text += in_columns("  " + option_usage(*option.option),
                             option.option->get_description(), OPTION_COLUMN);
    }
    return text + "\n" + app->get_footer();
  }

private:
  const Declarations& declarations_;
};

// "--min-count 4": a decimal number above 0 that fits 32 bits.
template <typename Number>
Reader positive_number(std::string_view name, Number& into) {
  return [name, &into](std::string_view value) -> std::optional<std::string> {
    std::uint32_t n = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc{} || end != value.data() + value.size() || n == 0)
      return usage_bad_number(name, value);
    into = n;
    return std::nullopt;
  };
}

// A value read by parse (a T, or a message) and handed to into with the words given.
template <typename T, typename Parse>
Reader parsed_by(Parse parse, std::function<void(T&&, std::string_view)> into) {
  return [parse, into](std::string_view value) -> std::optional<std::string> {
    auto result = parse(value);
    if (auto* why = std::get_if<std::string>(&result)) return std::move(*why);
    into(std::get<T>(std::move(result)), value);
    return std::nullopt;
  };
}

Declarations::Declarations(OptionValues& values) {
  app.set_help_flag(); // --help is a mode of its own, below
  app.formatter(std::make_shared<UsageFormatter>(*this));
  for (const ModeDeclaration& mode : MODES) {
    CLI::Option* option = nullptr;
    if (!mode.value.empty())
      option = app.add_option(std::string(mode.flag), values.finder.pointed, std::string(mode.summary))
                   ->type_name(std::string(mode.value));
    else if (!mode.flag.empty())
      option = app.add_flag(std::string(mode.flag))->description(std::string(mode.summary));
    for (const ModeFlag& other : modes)
      if (option != nullptr && other.option != nullptr) option->excludes(other.option);
    modes.push_back({&mode, option});
  }
  const unsigned script = bit(Mode::script), find = bit(Mode::find) | bit(Mode::find_to),
                 search = bit(Mode::find_text), survey = bit(Mode::survey);
  ScriptOptions& s = values.script;
  FinderCommand& f = values.finder;
  FindTextCommand& t = values.text;
  SurveyCommand& v = values.survey;

  CLI::Option* standard =
      flag("--std-table", TABLE_MODES,
           "TABLE is a standard table file (multi-byte keys, /KEY=label\n"
           "ends, $KEY=label,params control codes, # comments)",
           values.standard);
  value("--table-encoding", "E", TABLE_MODES,
        "its values are utf-8 (default), windows-1252 or shift-jis",
        [&values](std::string_view name) -> std::optional<std::string> {
          values.encoding = encoding_named(name);
          if (!values.encoding) return usage_bad_encoding(name);
          return std::nullopt;
        })
      ->needs(standard);
  value("--table", "NAME", bit(Mode::dump) | script | find | bit(Mode::survey),
        "the @NAME table of TABLE where strings start (default\nthe first)",
        [&values](std::string_view name) -> std::optional<std::string> {
          values.start_table = std::string(name);
          return std::nullopt;
        })
      ->needs(standard);

  CLI::Option* pointers = value(
      "--pointers", "FIELDS", script,
      "a pointer table: at=HEX,count=N[,size=2|3|4][,stride=N]\n"
      "[,order=le|be][,map=" + map_names("|") + "][,base=HEX]\n"
      "[,bank=HEX][,window=HEX][,banksize=HEX][,null=HEX|none];\n"
      "may be repeated",
      parsed_by<PointerTable>(parse_pointer_table,
                              [&s](PointerTable&& ptable, std::string_view text) {
                                s.ptables.push_back(ptable);
                                s.pointer_arguments.emplace_back(text);
                              }));
  pointers->multi_option_policy(CLI::MultiOptionPolicy::TakeAll); // each one a table
  mode_flag(Mode::script)->needs(pointers);
  value("--end", "RULE", script, "token (default), next, fixed:N, token,next or\npascal:N",
        parsed_by<EndRule>(parse_end_rule, [&s](EndRule&& rule, std::string_view text) {
          rule.max_length = s.end.max_length; // --max-length stays, before or after
          s.end = rule;
          s.end_text = text;
        }));
  value("--max-length", "N", script, "no string is longer (default 4096 bytes)",
        positive_number("--max-length", s.end.max_length));
  value("--atlas-table", "FILE", script, "the insertion table (default: SCRIPT with .tbl)",
        [&s](std::string_view name) -> std::optional<std::string> {
          s.atlas_table = std::string(name);
          return std::nullopt;
        });
  value("--map", "MAP[,MAP...]", find | bit(Mode::dump),
        map_names(", ", {}, FinderForms::listed) +
            " (default: linear\nand the maps the ROM's header suggests); one\n"
            "map: OFFSET, START and END may be its addresses",
        parsed_by<std::vector<FinderMap>>(
            parse_map_list,
            [&f](std::vector<FinderMap>&& maps, std::string_view) { f.maps = std::move(maps); }));
  value("--size", "2,3,4", find, "pointer sizes to try (default all)",
        parsed_by<std::vector<unsigned>>(parse_size_list,
                                         [&f](std::vector<unsigned>&& sizes, std::string_view) {
                                           f.options.sizes = std::move(sizes);
                                         }));
  value("--min-count", "N", bit(Mode::find), "the fewest pointers of a table (default 4)",
        positive_number("--min-count", f.options.min_count));
  value("--width", "1|2", search, "bytes a code (default both)",
        [&t](std::string_view width) -> std::optional<std::string> {
          if (width != "1" && width != "2") return "--width \"" + std::string(width) + "\": 1 or 2";
          t.widths = {static_cast<unsigned>(width[0] - '0')};
          return std::nullopt;
        });
  value("--order", "le|be", search, "the byte order of 2-byte codes (default both)",
        [&t](std::string_view order) -> std::optional<std::string> {
          if (order != "le" && order != "be") return "--order \"" + std::string(order) + "\": le or be";
          t.orders = {order == "le" ? ByteOrder::le : ByteOrder::be};
          return std::nullopt;
        });
  value("--kana", "ORDER", search,
        "gojuon (default), iroha, or a file of characters\nin code order, a run a line",
        [&t](std::string_view order) -> std::optional<std::string> {
          t.kana = std::string(order);
          return std::nullopt;
        });
  const Reader top = positive_number("--top", f.options.top);
  value("--top", "K", bit(Mode::find) | search, "how many candidates to show (default 5)",
        [top, &f, &t](std::string_view k) -> std::optional<std::string> {
          std::optional<std::string> why = top(k);
          t.top = f.options.top;
          return why;
        });
  value("--bank", "HEX", find,
        "the bank 16-bit pointers of lorom, hirom, gb and\nnes point into (default: their table's)",
        [&f](std::string_view text) -> std::optional<std::string> {
          MapFields fields;
          if (const auto why = parse_map_field("bank", text, fields)) return "--bank: " + *why;
          f.options.bank = fields.bank;
          return std::nullopt;
        });
  value("--json", "FILE", script | find | search | survey,
        "the strings and pointers (--script), the\ncandidates (--find-pointers, --find-text) or\nthe spans (--survey) as JSON too",
        [&s, &f, &t, &v](std::string_view name) -> std::optional<std::string> {
          s.json = f.json = t.json = v.json = std::string(name);
          return std::nullopt;
        });
  value("--draft-table", "FILE", search, "the best candidate as a standard table",
        [&t](std::string_view name) -> std::optional<std::string> {
          t.draft_table = std::string(name);
          return std::nullopt;
        });

  value("--svg", "FILE", survey, "the map as an SVG picture",
        [&v](std::string_view name) -> std::optional<std::string> {
          v.svg = std::string(name);
          return std::nullopt;
        });

  app.footer(std::string(FOOTER));
}

CLI::Option* Declarations::mode_flag(Mode mode) const {
  for (const ModeFlag& flag : modes)
    if (flag.mode->mode == mode) return flag.option;
  return nullptr;
}

CLI::Option* Declarations::flag(std::string_view name, unsigned in, std::string_view description,
                                bool& into) {
  CLI::Option* option = app.add_flag(std::string(name), into)->description(std::string(description));
  options.push_back({option, in});
  return option;
}

CLI::Option* Declarations::value(std::string_view name, std::string_view label, unsigned in,
                                 std::string_view description, Reader read) {
  // Read at once, in the order given, so that a later one wins (or, with
  // TakeAll, adds) and the first wrong value is the one reported.
  CLI::Option* option = app.add_option_function<std::string>(
      std::string(name),
      [read](const std::string& given) {
        if (std::optional<std::string> why = read(given)) throw CLI::ValidationError(*why);
      },
      std::string(description));
  option->type_name(std::string(label))
      ->trigger_on_parse()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  options.push_back({option, in});
  return option;
}

// The option words, each value its own word, and the names after them.
struct Words {
  std::vector<std::string> options, names;
};

std::variant<Words, UsageError> split_words(const CLI::App& app,
                                            const std::vector<std::string>& words) {
  Words split;
  std::size_t i = 0;
  for (; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "--") {
      ++i;
      break;
    }
    if (word.size() < 2 || word[0] != '-') break;
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    const CLI::Option* option = app.get_option_no_throw(name);
    if (option == nullptr) return UsageError{usage_unknown_option(word)};
    split.options.push_back(name);
    if (option->get_items_expected_max() == 0) { // a flag
      if (equals != std::string::npos) return UsageError{usage_takes_no_value(name)};
      continue;
    }
    if (equals != std::string::npos)
      split.options.push_back(word.substr(equals + 1));
    else if (i + 1 < words.size())
      split.options.push_back(words[++i]);
    else
      return UsageError{usage_needs_value(name)};
  }
  split.names.assign(words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
  return split;
}

// "--script or --find-pointers": the modes an option belongs to, by their flags.
std::string flags_of(const Declarations& declarations, const Declared& option) {
  std::string text;
  for (const ModeFlag& mode : declarations.modes)
    if (mode.option != nullptr && Declarations::belongs(option, mode.mode->mode))
      text += (text.empty() ? "" : " or ") + mode.option->get_name();
  return text;
}

} // namespace

std::variant<ParsedOptions, UsageError> parse_options(const std::vector<std::string>& words) {
  ParsedOptions parsed;
  if (words.empty()) return parsed;
  Declarations declarations(parsed.values);
  auto split = split_words(declarations.app, words);
  if (auto* error = std::get_if<UsageError>(&split)) return std::move(*error);
  Words& given = std::get<Words>(split);
  try {
    declarations.app.parse(std::vector<std::string>(given.options.rbegin(), given.options.rend()));
  } catch (const CLI::Error& error) {
    return UsageError{error.what()};
  }
  // The mode given (CLI11 has refused two), else the dump.
  const auto mode = std::find_if(
      declarations.modes.rbegin(), declarations.modes.rend(), [](const ModeFlag& flag) {
        return flag.option != nullptr ? flag.option->count() > 0 : flag.mode->mode == Mode::dump;
      });
  parsed.mode = mode->mode->mode;
  for (const Declared& option : declarations.options) {
    if (option.option->count() == 0 || Declarations::belongs(option, parsed.mode)) continue;
    if (parsed.mode == Mode::help || parsed.mode == Mode::version) // they take nothing else
      return UsageError{usage_excludes(mode->option->get_name(), option.option->get_name())};
    return UsageError{usage_requires(option.option->get_name(), flags_of(declarations, option))};
  }
  const std::string_view names = mode->mode->names;
  const std::size_t wanted =
      names.empty() ? 0 : static_cast<std::size_t>(std::count(names.begin(), names.end(), ' ')) + 1;
  const bool or_more = names.ends_with("...");
  if (or_more ? given.names.size() < wanted : given.names.size() != wanted)
    return UsageError{usage_names(mode->option != nullptr ? mode->option->get_name() : "a dump",
                                  names, wanted, given.names.size())};
  parsed.names = std::move(given.names);
  return parsed;
}

std::string usage_text() {
  OptionValues values;
  const Declarations declarations(values);
  return declarations.app.help();
}

} // namespace textdump
