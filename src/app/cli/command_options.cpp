#include "app/cli/command_options.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>
#include <variant>

#include "app/cli/command_declarations.hpp"
#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"
#include "core/maps/address_map.hpp"
#include "core/maps/map_address.hpp"
#include "core/maps/pointer_table.hpp"
#include "core/script/script.hpp"

namespace textdump {

using namespace command_declarations;

namespace {

// "--min-count 4": a decimal number above 0 that fits 32 bits.
template <typename Number>
Reader positive_number(std::string_view name, Number& into) {
  return [name, &into](std::string_view value) -> std::optional<Message> {
    std::uint32_t n = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc{} || end != value.data() + value.size() || n == 0)
      return Message{MessageId::usage_bad_number, {std::string(name), printable(value)}};
    into = n;
    return std::nullopt;
  };
}

// A value read by parse (a T, or a message) and handed to into with the words given.
template <typename T, typename Parse>
Reader parsed_by(Parse parse, std::function<void(T&&, std::string_view)> into) {
  return [parse, into](std::string_view value) -> std::optional<Message> {
    auto result = parse(value);
    if constexpr (std::is_same_v<std::variant_alternative_t<1, decltype(result)>, Report>) {
      if (const auto* why = std::get_if<Report>(&result))
        return Message{MessageId::usage_report, {report_text(*why)}};
    } else {
      if (auto* why = std::get_if<Message>(&result)) return std::move(*why);
    }
    into(std::get<T>(std::move(result)), value);
    return std::nullopt;
  };
}

} // namespace

namespace command_declarations {

Declarations::Declarations(OptionValues& values) {
  app.set_help_flag(); // --help is a mode of its own, below
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
        [&values](std::string_view name) -> std::optional<Message> {
          values.encoding = encoding_named(name);
          if (!values.encoding) return Message{MessageId::usage_bad_encoding, {printable(name)}};
          return std::nullopt;
        })
      ->needs(standard);
  value("--table", "NAME", bit(Mode::dump) | script | find | bit(Mode::survey),
        "the @NAME table of TABLE where strings start (default\nthe first)",
        [&values](std::string_view name) -> std::optional<Message> {
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
  CLI::Option* range = value(
      "--range", "START-END", script,
      "strings of START to END that no pointer reaches,\neach written back in place",
      [&s](std::string_view text) -> std::optional<Message> {
        const std::size_t dash = text.find('-');
        const std::string_view start = text.substr(0, dash),
                               end = dash == std::string_view::npos ? "" : text.substr(dash + 1);
        const auto first = parse_position(start), last = parse_position(end);
        const auto bad = [](std::string_view which, std::string_view word) {
          return Message{MessageId::usage_in_option,
                         {"--range", message_text({MessageId::usage_bad_offset,
                                                   {std::string(which), printable(word)}})}};
        };
        if (!first) return bad("START", start);
        if (!last) return bad("END", end);
        s.range = ScriptRange{*first, *last, std::string(start), std::string(end), nullptr};
        return std::nullopt;
      });
  one_of.push_back({Mode::script, {pointers, range}});
  value("--end", "RULE", script, "token (default), next, fixed:N, token,next or\npascal:N",
        parsed_by<EndRule>(parse_end_rule, [&s](EndRule&& rule, std::string_view text) {
          rule.max_length = s.end.max_length; // --max-length stays, before or after
          s.end = rule;
          s.end_text = text;
        }));
  value("--max-length", "N", script, "no string is longer (default 4096 bytes)",
        positive_number("--max-length", s.end.max_length));
  value("--atlas-table", "FILE", script, "the insertion table (default: SCRIPT with .tbl)",
        [&s](std::string_view name) -> std::optional<Message> {
          s.atlas_table = std::string(name);
          return std::nullopt;
        });
  value("--map", "MAP[,MAP...]", find | bit(Mode::dump) | script,
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
        [&t](std::string_view width) -> std::optional<Message> {
          if (width != "1" && width != "2") return Message{MessageId::usage_width, {std::string(width)}};
          t.widths = {static_cast<unsigned>(width[0] - '0')};
          return std::nullopt;
        });
  value("--order", "le|be", search, "the byte order of 2-byte codes (default both)",
        [&t](std::string_view order) -> std::optional<Message> {
          if (order != "le" && order != "be") return Message{MessageId::usage_order, {std::string(order)}};
          t.orders = {order == "le" ? ByteOrder::le : ByteOrder::be};
          return std::nullopt;
        });
  value("--kana", "ORDER", search,
        "gojuon (default), iroha, or a file of characters\nin code order, a run a line",
        [&t](std::string_view order) -> std::optional<Message> {
          t.kana = std::string(order);
          return std::nullopt;
        });
  const Reader top = positive_number("--top", f.options.top);
  value("--top", "K", bit(Mode::find) | search, "how many candidates to show (default 5)",
        [top, &f, &t](std::string_view k) -> std::optional<Message> {
          std::optional<Message> why = top(k);
          t.top = f.options.top;
          return why;
        });
  value("--bank", "HEX", find,
        "the bank 16-bit pointers of lorom, hirom, gb and\nnes point into (default: their table's)",
        [&f](std::string_view text) -> std::optional<Message> {
          MapFields fields;
          if (const auto why = parse_map_field("bank", text, fields))
            return Message{MessageId::usage_in_option, {"--bank", report_text(*why)}};
          f.options.bank = fields.bank;
          return std::nullopt;
        });
  value("--json", "FILE", script | find | search | survey,
        "the strings and pointers (--script), the\ncandidates (--find-pointers, --find-text) or\nthe spans (--survey) as JSON too",
        [&s, &f, &t, &v](std::string_view name) -> std::optional<Message> {
          s.json = f.json = t.json = v.json = std::string(name);
          return std::nullopt;
        });
  value("--draft-table", "FILE", search, "the best candidate as a standard table",
        [&t](std::string_view name) -> std::optional<Message> {
          t.draft_table = std::string(name);
          return std::nullopt;
        });

  value("--svg", "FILE", survey, "the map as an SVG picture",
        [&v](std::string_view name) -> std::optional<Message> {
          v.svg = std::string(name);
          return std::nullopt;
        });

  describe_usage(*this);
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
        if (std::optional<Message> why = read(given))
          throw CLI::ValidationError(message_text(*why));
      },
      std::string(description));
  option->type_name(std::string(label))
      ->trigger_on_parse()
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  options.push_back({option, in});
  return option;
}

} // namespace command_declarations

namespace {

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
    if (option == nullptr) return UsageError{{MessageId::usage_unknown_option, {printable(word)}}};
    split.options.push_back(name);
    if (option->get_items_expected_max() == 0) { // a flag
      if (equals != std::string::npos) return UsageError{{MessageId::usage_takes_no_value, {name}}};
      continue;
    }
    if (equals != std::string::npos)
      split.options.push_back(word.substr(equals + 1));
    else if (i + 1 < words.size())
      split.options.push_back(words[++i]);
    else
      return UsageError{{MessageId::usage_needs_value, {name}}};
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
    return UsageError{{MessageId::usage_report, {error.what()}}};
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
      return UsageError{{MessageId::usage_excludes,
                         {mode->option->get_name(), option.option->get_name()}}};
    return UsageError{{MessageId::usage_requires,
                       {option.option->get_name(), flags_of(declarations, option)}}};
  }
  for (const OneOf& needed : declarations.one_of)
    if (needed.mode == parsed.mode &&
        std::none_of(needed.options.begin(), needed.options.end(),
                     [](const CLI::Option* option) { return option->count() > 0; })) {
      std::string names;
      for (const CLI::Option* option : needed.options)
        names += (names.empty() ? "" : " or ") + option->get_name();
      return UsageError{{MessageId::usage_requires, {mode->option->get_name(), names}}};
    }
  const std::string_view names = mode->mode->names;
  const std::size_t wanted =
      names.empty() ? 0 : static_cast<std::size_t>(std::count(names.begin(), names.end(), ' ')) + 1;
  const bool or_more = names.ends_with("...");
  if (or_more ? given.names.size() < wanted : given.names.size() != wanted)
    return UsageError{
        wanted == 0
            ? Message{MessageId::usage_takes_no_names,
                      {mode->option != nullptr ? mode->option->get_name() : "a dump",
                       std::to_string(given.names.size())}}
            : Message{MessageId::usage_takes_names,
                      {mode->option != nullptr ? mode->option->get_name() : "a dump",
                       std::to_string(wanted), std::string(names),
                       std::to_string(given.names.size())}}};
  parsed.names = std::move(given.names);
  return parsed;
}

std::string usage_text() {
  OptionValues values;
  const Declarations declarations(values);
  return declarations.app.help();
}

} // namespace textdump
