// Every option of the command line but the mode flags, declared once, by the
// group of the usage it is first listed under.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <type_traits>

#include "app/cli/declarations.hpp"
#include "app/common/report_text.hpp"
#include "core/maps/maps.hpp"

namespace textdump::cli {

namespace {

using enum Mode;

constexpr std::size_t TABLE = 0, SCRIPT = 1, FINDER = 2, SEARCH = 3, SURVEY = 4;

// "--min-count 4": a decimal number above 0 that fits 32 bits.
auto positive_number(std::string_view name) {
  return [name](std::string_view value) -> std::variant<std::uint32_t, Message> {
    std::uint32_t n = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (error != std::errc{} || end != value.data() + value.size() || n == 0)
      return Message{MessageId::usage_bad_number, {std::string(name), printable(value)}};
    return n;
  };
}

// A value read by parse (a T, or a Report or Message on what is wrong) and
// handed to into with the words given.
template <typename T, typename Parse>
Reader parsed_by(Parse parse, std::function<void(OptionValues&, T&&, std::string_view)> into) {
  return [parse, into](OptionValues& values, std::string_view text) -> std::optional<Message> {
    auto result = parse(text);
    if constexpr (std::is_same_v<std::variant_alternative_t<1, decltype(result)>, Report>) {
      if (const auto* why = std::get_if<Report>(&result))
        return Message{MessageId::usage_report, {report_text(*why)}};
    } else {
      if (auto* why = std::get_if<Message>(&result)) return std::move(*why);
    }
    into(values, std::get<T>(std::move(result)), text);
    return std::nullopt;
  };
}

// A file name or a word, kept as given.
Reader kept(std::optional<std::string> OptionValues::*into) {
  return [into](OptionValues& values, std::string_view text) -> std::optional<Message> {
    values.*into = std::string(text);
    return std::nullopt;
  };
}

std::vector<OptionDeclaration> table_options() {
  return {
      {"--std-table", "", {dump, check, script, find, find_to, survey}, {TABLE},
       "TABLE is a standard table file (multi-byte keys, /KEY=label\n"
       "ends, $KEY=label,params control codes, # comments)",
       [](OptionValues& values, std::string_view) -> std::optional<Message> {
         values.standard = true;
         return std::nullopt;
       }},
      {"--table-encoding", "E", {dump, check, script, find, find_to, survey}, {TABLE},
       "its values are utf-8 (default), windows-1252 or shift-jis",
       [](OptionValues& values, std::string_view name) -> std::optional<Message> {
         values.encoding = encoding_named(name);
         if (!values.encoding) return Message{MessageId::usage_bad_encoding, {printable(name)}};
         return std::nullopt;
       },
       false, "--std-table"},
      {"--table", "NAME", {dump, script, find, find_to, survey}, {TABLE},
       "the @NAME table of TABLE where strings start (default\nthe first)",
       [](OptionValues& values, std::string_view name) -> std::optional<Message> {
         values.start_table = std::string(name);
         return std::nullopt;
       },
       false, "--std-table"},
  };
}

// --range START-END, each an offset or an address, placed once the ROM is open.
std::optional<Message> read_range(OptionValues& values, std::string_view text) {
  const std::size_t dash = text.find('-');
  const std::string_view start = text.substr(0, dash),
                         end = dash == std::string_view::npos ? "" : text.substr(dash + 1);
  const auto bad = [](std::string_view which, std::string_view word) {
    return Message{MessageId::usage_in_option,
                   {"--range", message_text({MessageId::usage_bad_offset,
                                             {std::string(which), printable(word)}})}};
  };
  const auto first = parse_position(start), last = parse_position(end);
  if (!first) return bad("START", start);
  if (!last) return bad("END", end);
  values.range = ScriptRange{*first, *last, std::string(start), std::string(end), nullptr};
  return std::nullopt;
}

std::vector<OptionDeclaration> script_options() {
  return {
      {"--pointers", "FIELDS", {script}, {SCRIPT},
       "a pointer table: at=HEX,count=N[,size=2|3|4][,stride=N]\n"
       "[,order=le|be][,map=" + map_names("|") + "][,base=HEX]\n"
       "[,bank=HEX][,window=HEX][,banksize=HEX][,null=HEX|none];\n"
       "may be repeated",
       parsed_by<PointerTable>(parse_pointer_table, [](OptionValues& values, PointerTable&& table,
                                                       std::string_view text) {
         values.ptables.push_back(table);
         values.pointer_arguments.emplace_back(text);
       }),
       true},
      {"--range", "START-END", {script}, {SCRIPT},
       "strings of START to END that no pointer reaches,\neach written back in place", read_range},
      {"--end", "RULE", {script}, {SCRIPT},
       "token (default), next, fixed:N, token,next or\npascal:N",
       parsed_by<EndRule>(parse_end_rule,
                          [](OptionValues& values, EndRule&& rule, std::string_view text) {
                            rule.max_length = values.end.max_length; // before or after
                            values.end = rule;
                            values.end_text = text;
                          })},
      {"--max-length", "N", {script}, {SCRIPT}, "no string is longer (default 4096 bytes)",
       parsed_by<std::uint32_t>(positive_number("--max-length"),
                                [](OptionValues& values, std::uint32_t&& n, std::string_view) {
                                  values.end.max_length = n; // before or after --end
                                })},
      {"--atlas-table", "FILE", {script}, {SCRIPT},
       "the insertion table (default: SCRIPT with .tbl)", kept(&OptionValues::atlas_table)},
  };
}

std::vector<OptionDeclaration> finder_options() {
  return {
      {"--map", "MAP[,MAP...]", {find, find_to, dump, script}, {SCRIPT, FINDER},
       map_names(", ", {}, FinderForms::listed) +
           " (default: linear\nand the maps the ROM's header suggests); one\n"
           "map: OFFSET, START and END may be its addresses",
       parsed_by<std::vector<FinderMap>>(
           parse_map_list, [](OptionValues& values, std::vector<FinderMap>&& maps,
                              std::string_view) { values.maps = std::move(maps); })},
      {"--size", "2,3,4", {find, find_to}, {FINDER}, "pointer sizes to try (default all)",
       parsed_by<std::vector<unsigned>>(
           parse_size_list, [](OptionValues& values, std::vector<unsigned>&& sizes,
                               std::string_view) { values.sizes = std::move(sizes); })},
      {"--min-count", "N", {find}, {FINDER}, "the fewest pointers of a table (default 4)",
       parsed_by<std::uint32_t>(positive_number("--min-count"),
                                [](OptionValues& values, std::uint32_t&& n, std::string_view) {
                                  values.min_count = n;
                                })},
  };
}

std::vector<OptionDeclaration> search_options() {
  return {
      {"--width", "1|2", {find_text}, {SEARCH}, "bytes a code (default both)",
       [](OptionValues& values, std::string_view width) -> std::optional<Message> {
         if (width != "1" && width != "2")
           return Message{MessageId::usage_width, {std::string(width)}};
         values.widths = {static_cast<unsigned>(width[0] - '0')};
         return std::nullopt;
       }},
      {"--order", "le|be", {find_text}, {SEARCH}, "the byte order of 2-byte codes (default both)",
       [](OptionValues& values, std::string_view order) -> std::optional<Message> {
         if (order != "le" && order != "be")
           return Message{MessageId::usage_order, {std::string(order)}};
         values.orders = {order == "le" ? ByteOrder::le : ByteOrder::be};
         return std::nullopt;
       }},
      {"--kana", "ORDER", {find_text}, {SEARCH},
       "gojuon (default), iroha, or a file of characters\nin code order, a run a line",
       [](OptionValues& values, std::string_view order) -> std::optional<Message> {
         values.kana = std::string(order);
         return std::nullopt;
       }},
  };
}

// Options of several groups, and those listed last.
std::vector<OptionDeclaration> shared_options() {
  return {
      {"--top", "K", {find, find_text}, {FINDER, SEARCH}, "how many candidates to show (default 5)",
       parsed_by<std::uint32_t>(positive_number("--top"),
                                [](OptionValues& values, std::uint32_t&& n, std::string_view) {
                                  values.top = n;
                                })},
      {"--bank", "HEX", {find, find_to}, {FINDER},
       "the bank 16-bit pointers of lorom, hirom, gb and\nnes point into (default: their table's)",
       [](OptionValues& values, std::string_view text) -> std::optional<Message> {
         MapFields fields;
         if (const auto why = parse_map_field("bank", text, fields))
           return Message{MessageId::usage_in_option, {"--bank", report_text(*why)}};
         values.bank = fields.bank;
         return std::nullopt;
       }},
      {"--json", "FILE", {script, find, find_to, find_text, survey}, {SCRIPT, FINDER, SEARCH, SURVEY},
       "the strings and pointers (--script), the\ncandidates (--find-pointers, --find-text) or\n"
       "the spans (--survey) as JSON too",
       kept(&OptionValues::json)},
      {"--draft-table", "FILE", {find_text}, {SEARCH}, "the best candidate as a standard table",
       kept(&OptionValues::draft_table)},
      {"--svg", "FILE", {survey}, {SURVEY}, "the map as an SVG picture", kept(&OptionValues::svg)},
  };
}

} // namespace

const std::vector<Group> GROUPS = {{"Table options", "TABLE OPTIONS", {}},
                                   {"Script options", "SCRIPT OPTIONS", {script}},
                                   {"Finder options", "FINDER OPTIONS", {find, find_to}},
                                   {"Search options", "SEARCH OPTIONS", {find_text}},
                                   {"Survey options", "SURVEY OPTIONS", {survey}}};

const std::vector<OptionDeclaration>& option_declarations() {
  static const std::vector<OptionDeclaration> options = [] {
    std::vector<OptionDeclaration> all;
    for (auto group : {table_options, script_options, finder_options, search_options,
                       shared_options})
      for (OptionDeclaration& option : group()) all.push_back(std::move(option));
    return all;
  }();
  return options;
}

bool belongs(const OptionDeclaration& option, Mode mode) {
  return std::find(option.modes.begin(), option.modes.end(), mode) != option.modes.end();
}

} // namespace textdump::cli
