// Every option of the command line but the mode flags, declared once, by the
// group of the usage it is first listed under; those of the group "Fit and
// insert options" are insert_options.cpp's.
#include <algorithm>
#include <charconv>
#include <cstdint>

#include "app/cli/option_readers.hpp"
#include "core/base/base.hpp"
#include "core/maps/maps.hpp"

namespace textdump::cli {

namespace {

using enum Mode;

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

// "its values are utf-8 (default), windows-1252, ... or utf-16be", in lines.
std::string encodings_text() {
  const std::vector<std::string_view> names = encoding_names();
  std::string text = "its values are";
  std::size_t line = 0; // where the last line begins
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string word = std::string(names[i]) + (i == 0 ? " (default)" : "") +
                       (i + 2 < names.size() ? "," : i + 1 < names.size() ? " or" : "");
    if (text.size() - line + 1 + word.size() > 50) {
      text += "\n";
      line = text.size();
    } else {
      text += " ";
    }
    text += word;
  }
  return text;
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
       encodings_text(),
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

// --range START-END[,end=RULE], each an offset or an address, placed once
// the ROM is open; RULE is the rest of the words, commas and all.
std::optional<Message> read_range(OptionValues& values, std::string_view argument) {
  const std::size_t own = argument.find(",end=");
  const std::string_view text = argument.substr(0, own);
  std::optional<EndRule> rule;
  std::string rule_text;
  if (own != std::string_view::npos) {
    rule_text = std::string(argument.substr(own + 5));
    auto parsed = parse_end_rule(rule_text);
    if (const auto* why = std::get_if<Report>(&parsed))
      return Message{MessageId::usage_in_option, {"--range", report_text(*why)}};
    rule = std::get<EndRule>(parsed);
  }
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
  values.ranges.push_back({*first, *last, std::string(start), std::string(end), nullptr, rule,
                           rule_text, std::string(argument)});
  return std::nullopt;
}

// "field=8:2": an offset in the record and a length above 0, both decimal.
bool read_decimal(std::string_view digits, std::uint32_t& n) {
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  return error == std::errc{} && end == digits.data() + digits.size() && !digits.empty();
}

// --records at=HEX,count=N,stride=N,field=OFFSET:LENGTH[,field=...]
std::optional<Message> read_records(OptionValues& values, std::string_view text) {
  RecordFields records;
  records.text = std::string(text);
  bool at = false;
  const std::vector<std::string_view> given = comma_fields(text);
  if (const auto twice = repeated_field(given, '=', "field"))
    return Message{MessageId::usage_records_repeated, {printable(*twice)}};
  for (const std::string_view field : given) {
    const auto bad = Message{MessageId::usage_records_field, {printable(field)}};
    const std::size_t equals = field.find('=');
    const std::string_view name = field.substr(0, equals),
                           value = equals == std::string_view::npos ? "" : field.substr(equals + 1);
    std::uint32_t n = 0;
    if (name == "at") {
      const std::string_view digits = without_hex_prefix(value);
      std::vector<char> wrong;
      if (digits.empty() || digits.size() > 8) return bad;
      records.at = hex_to_int(digits, &wrong);
      if (!wrong.empty()) return bad;
      at = true;
    } else if ((name == "count" || name == "stride") && read_decimal(value, n) && n > 0) {
      (name == "count" ? records.count : records.stride) = n;
    } else if (name == "field") {
      const std::size_t colon = value.find(':');
      std::uint32_t length = 0;
      if (colon == std::string_view::npos || !read_decimal(value.substr(0, colon), n) ||
          !read_decimal(value.substr(colon + 1), length) || length == 0)
        return bad;
      records.fields.emplace_back(n, length);
    } else {
      return bad;
    }
  }
  if (!at || records.count == 0 || records.stride == 0 || records.fields.empty())
    return Message{MessageId::usage_records_required};
  const auto field_text = [](std::pair<std::uint32_t, std::uint32_t> f) {
    return "field=" + std::to_string(f.first) + ":" + std::to_string(f.second);
  };
  auto sorted = records.fields;
  std::sort(sorted.begin(), sorted.end());
  for (std::size_t f = 0; f < sorted.size(); ++f) {
    if (std::uint64_t{sorted[f].first} + sorted[f].second > records.stride)
      return Message{MessageId::usage_records_field_past,
                     {field_text(sorted[f]), std::to_string(records.stride)}};
    if (f > 0 && sorted[f - 1].first + sorted[f - 1].second > sorted[f].first)
      return Message{MessageId::usage_records_fields_overlap,
                     {field_text(sorted[f - 1]), field_text(sorted[f])}};
  }
  values.records.push_back(std::move(records));
  return std::nullopt;
}

std::vector<OptionDeclaration> script_options() {
  return {
      {"--pointers", "FIELDS", {script}, {SCRIPT},
       "a pointer table: at=HEX,count=N[,size=2|3|4][,stride=N]\n"
       "[,offset=N][,length=OFFSET:SIZE][,order=le|be]\n"
       "[,map=" + map_names("|") + "][,base=HEX]\n"
       "[,bank=HEX][,window=HEX][,banksize=HEX][,null=HEX|none];\n"
       "may be repeated",
       parsed_by<PointerTable>(parse_pointer_table, [](OptionValues& values, PointerTable&& table,
                                                       std::string_view text) {
         values.ptables.push_back(table);
         values.pointer_arguments.emplace_back(text);
       }),
       true},
      {"--range", "START-END[,end=RULE]", {script}, {SCRIPT},
       "strings of START to END that no pointer reaches,\neach written back in place, ended by RULE\n"
       "(default --end's); ranges may not overlap; may be\nrepeated",
       read_range, true},
      {"--records", "FIELDS", {script}, {SCRIPT},
       "records that no pointer reaches: at=HEX,count=N,\nstride=N,field=OFFSET:LENGTH[,field=...],\n"
       "each field a fixed-length string written in\nplace; may be repeated",
       read_records, true},
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
      {"--translations", "OLD", {script}, {SCRIPT},
       "an edited script or exchange file whose translations\nthe new dump carries over",
       kept(&OptionValues::translations)},
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
      {"--letter-order", "FILE", {find_text}, {SEARCH},
       "the letters in code order, a run a line, for any\nscript (A-Z, a-z and 0-9 are tried "
       "after them)",
       kept(&OptionValues::letter_order)},
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
      {"--json", "FILE", {script, insert, find, find_to, find_text, survey},
       {SCRIPT, INSERT, FINDER, SEARCH, SURVEY},
       "the strings and pointers (--script), the blocks,\npointers and checksums (--insert), the\n"
       "candidates (--find-pointers, --find-text) or\nthe spans (--survey) as JSON too",
       kept(&OptionValues::json)},
      {"--draft-table", "FILE", {find_text}, {SEARCH}, "the best candidate as a standard table",
       kept(&OptionValues::draft_table)},
      {"--svg", "FILE", {survey}, {SURVEY}, "the map as an SVG picture", kept(&OptionValues::svg)},
  };
}

} // namespace

const std::vector<Group> GROUPS = {{"Table options", "TABLE OPTIONS", {}},
                                   {"Script options", "SCRIPT OPTIONS", {script}},
                                   {"Fit and insert options", "INSERT OPTIONS", {fit, insert}},
                                   {"Finder options", "FINDER OPTIONS", {find, find_to}},
                                   {"Search options", "SEARCH OPTIONS", {find_text}},
                                   {"Survey options", "SURVEY OPTIONS", {survey}}};

const std::vector<OptionDeclaration>& option_declarations() {
  static const std::vector<OptionDeclaration> options = [] {
    std::vector<OptionDeclaration> all;
    for (auto group : {table_options, script_options, insert_options, finder_options,
                       search_options, shared_options})
      for (OptionDeclaration& option : group()) all.push_back(std::move(option));
    return all;
  }();
  return options;
}

bool belongs(const OptionDeclaration& option, Mode mode) {
  return std::find(option.modes.begin(), option.modes.end(), mode) != option.modes.end();
}

} // namespace textdump::cli
