#include "core/tables/standard_table.hpp"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/base.hpp"
#include "core/tables/standard_switch.hpp"
#include "core/tables/switch_graph.hpp"

namespace textdump {

namespace {

struct Line {
  std::size_t number = 0;
  std::string_view content;
};

class Parser {
public:
  Parser(StandardTable& result, const ValueConverter& convert)
      : result_(result), convert_(convert), defined_on_(1) {
    result_.tables.emplace_back();
  }

  void read(const Line& line) {
    line_ = line;
    const std::string_view text = line.content;
    switch (text[0]) {
    case '#': return;
    case '@': return table_name();
    case '!': return switch_line();
    case '\\':
      return report(1, Severity::error, ReportId::std_backslash);
    case '/': return end_token();
    case '*': return line_break();
    case '$': return control_code();
    default: return text_entry();
    }
  }

  // Room for as many keys as the file is expected to define.
  void expect(std::size_t keys) {
    defined_on_.front().reserve(keys);
    result_.tables.front().definitions.reserve(keys);
  }

  // Notes on keys that a longer key of the same table begins with: the longest
  // match decides.
  void note_prefixes() {
    for (const auto& defined : defined_on_) note_prefixes(defined);
  }

private:
  void note_prefixes(const std::unordered_map<std::string, Line>& defined) {
    std::vector<std::pair<std::string_view, Line>> keys(defined.begin(), defined.end());
    std::sort(keys.begin(), keys.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // The keys that begin with a key sort right after it.
    for (auto it = keys.begin(); it != keys.end(); ++it) {
      const std::string_view key = it->first;
      const auto longer = std::next(it);
      if (longer == keys.end() || !longer->first.starts_with(key)) continue;
      line_ = it->second;
      report(1, Severity::note, ReportId::std_prefix, {hex_bytes(key), hex_bytes(longer->first)});
    }
  }

  void report(std::size_t column, Severity severity, ReportId id,
              std::vector<std::string> args = {}) {
    result_.reports.push_back(
        {{id, severity, line_.number, column, std::move(args)}, line_.content});
    if (severity == Severity::error) ++result_.errors;
    if (severity == Severity::warning) ++result_.warnings;
  }

  // The first "@" line names the first table; every later one starts a table.
  void table_name() {
    const std::string_view name = line_.content.substr(1);
    if (name.empty() || name.find_first_of("<>") != std::string_view::npos)
      return report(2, Severity::error, ReportId::std_name_invalid);
    if (names_.contains(name))
      return report(2, Severity::error, ReportId::std_name_again, {std::string(name)});
    if (named_++ > 0) {
      result_.tables.emplace_back();
      defined_on_.emplace_back();
    }
    result_.tables.back().name.assign(name);
    names_.emplace(name, result_.tables.size() - 1);
    named_on_.resize(result_.tables.size());
    named_on_.back() = line_;
  }

public:
  // After the whole file: the ids that switches name, the tables no switch
  // reaches from the first one, and switches that nest without counting.
  void finish() {
    named_on_.resize(result_.tables.size());
    for (Pending& pending : pending_) {
      const auto found = names_.find(pending.id);
      line_ = pending.line;
      if (found == names_.end()) {
        report(pending.column, Severity::error, ReportId::std_table_unknown,
               {std::string(pending.id)});
        continue;
      }
      result_.tables[pending.table]
          .definitions[pending.definition]
          .entry.params[pending.param]
          .table = static_cast<std::uint32_t>(found->second);
    }
    std::stable_sort(result_.reports.begin(), result_.reports.end(),
                     [](const TableReport& a, const TableReport& b) { return a.line < b.line; });
    if (result_.errors > 0) return;
    const std::size_t count = result_.tables.size();
    // Which tables each table switches to, through switches of weight 0 or any.
    SwitchGraph to(count), light(count);
    for (std::size_t t = 0; t < count; ++t)
      for (const Definition& definition : result_.tables[t].definitions)
        for (const FrameParam& param : definition.entry.params)
          if (param.kind == FrameParam::Kind::table) {
            to[t].push_back(param.table);
            if (definition.entry.weight == 0 && param.count == 0 && param.until.empty())
              light[t].push_back(param.table);
          }
    const std::vector<bool> reached = reached_from(to, 0), loops = on_a_loop(light);
    for (std::size_t t = 1; t < count; ++t)
      if (!reached[t]) {
        line_ = named_on_[t];
        report(1, Severity::note, ReportId::std_table_unused, {result_.tables[t].name});
      }
    for (std::size_t t = 0; t < count; ++t)
      if (loops[t] && !switch_lines_[t].content.empty()) {
        line_ = switch_lines_[t];
        report(1, Severity::warning, ReportId::std_switch_loop, {result_.tables[t].name});
      }
  }

private:
  // The key at [from, to) of the line, or nothing after reporting why.
  std::optional<std::string> key(std::size_t from, std::size_t to,
                                 std::uint32_t* weight = nullptr) {
    std::string_view digits = line_.content.substr(from, to - from);
    if (const std::size_t open = digits.find('<'); open != std::string_view::npos) {
      const std::optional<std::uint32_t> w =
          digits.back() == '>' ? parse_weight(digits.substr(open + 1, digits.size() - open - 2))
                               : std::nullopt;
      if (!w) {
        report(from + open + 1, Severity::error, ReportId::std_weight);
        return std::nullopt;
      }
      if (weight) *weight = *w;
      digits = digits.substr(0, open);
    }
    if (digits.empty()) {
      report(from + 1, Severity::error, ReportId::std_key_missing);
      return std::nullopt;
    }
    const auto bad =
        std::find_if(digits.begin(), digits.end(), [](char c) { return !is_hex_digit(c); });
    if (bad != digits.end()) {
      report(from + 1 + static_cast<std::size_t>(bad - digits.begin()), Severity::error,
             ReportId::std_key_not_hex);
      return std::nullopt;
    }
    if (digits.size() % 2 != 0) {
      report(from + 1, Severity::error, ReportId::std_key_odd);
      return std::nullopt;
    }
    if (digits.size() > 2 * MAX_KEY_BYTES) {
      report(from + 1, Severity::error, ReportId::std_key_long);
      return std::nullopt;
    }
    return bytes_of_hex(digits);
  }

  // The value at column from, converted to UTF-8; nothing after reporting why.
  std::optional<std::string> value(std::size_t from, std::string_view raw) {
    std::string converted(raw);
    if (convert_) {
      std::optional<std::string> utf8 = convert_(raw);
      if (!utf8) {
        report(from + 1, Severity::error, ReportId::std_value_encoding);
        return std::nullopt;
      }
      converted = std::move(*utf8);
    }
    const auto control = std::find_if(converted.begin(), converted.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (control != converted.end())
      report(from + 1, Severity::note, ReportId::std_control_character,
             {hex_byte(static_cast<std::uint8_t>(*control))});
    return converted;
  }

  void define(std::string&& key, Entry&& entry) {
    const auto [it, fresh] = defined_on_.back().try_emplace(key, line_);
    if (!fresh) {
      report(1, Severity::warning, ReportId::std_key_again,
             {hex_bytes(key), std::to_string(it->second.number)});
      it->second = line_;
    }
    result_.tables.back().definitions.push_back({std::move(key), std::move(entry)});
  }

  // "/KEY=LABEL", "/KEY" or an artificial end such as "/<END>".
  void end_token() {
    const std::string_view text = line_.content;
    const std::size_t equals = std::min(text.find('='), text.size());
    std::string_view digits = text.substr(1, equals - 1);
    if (const std::size_t open = digits.find('<');
        open != std::string_view::npos && digits.back() == '>' &&
        parse_weight(digits.substr(open + 1, digits.size() - open - 2)))
      digits = digits.substr(0, open);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), is_hex_digit)) {
      report(1, Severity::note, ReportId::std_artificial_end);
      return;
    }
    labelled(equals, [](std::string_view label) { return standard_end_entry(label); });
  }

  void line_break() {
    const std::size_t equals = std::min(line_.content.find('='), line_.content.size());
    labelled(equals, [](std::string_view label) { return standard_break_entry(label); });
  }

  template <class Make> void labelled(std::size_t equals, Make make) {
    std::uint32_t weight = 1;
    std::optional<std::string> bytes = key(1, equals, &weight);
    if (!bytes) return;
    const std::string_view raw =
        equals < line_.content.size() ? line_.content.substr(equals + 1) : std::string_view{};
    std::optional<std::string> label = value(equals + 1, raw);
    if (!label) return;
    Entry entry = make(*label);
    entry.weight = weight;
    define(std::move(*bytes), std::move(entry));
  }

  // The key of a line that must have "=", read from column from to the "=",
  // with its weight; nothing after reporting why.
  struct Keyed {
    std::string bytes;
    std::uint32_t weight = 1;
    std::size_t equals = 0;
  };
  std::optional<Keyed> keyed(std::size_t from, ReportId no_equals) {
    Keyed keyed;
    keyed.equals = line_.content.find('=');
    if (keyed.equals == std::string_view::npos) {
      report(1, Severity::error, no_equals);
      return std::nullopt;
    }
    std::optional<std::string> bytes = key(from, keyed.equals, &keyed.weight);
    if (!bytes) return std::nullopt;
    keyed.bytes = std::move(*bytes);
    return keyed;
  }

  void define(Keyed&& keyed, Entry&& entry) {
    entry.weight = keyed.weight;
    define(std::move(keyed.bytes), std::move(entry));
  }

  void control_code() {
    const std::string_view text = line_.content;
    std::optional<Keyed> keyed_line = keyed(1, ReportId::std_control_needs_equals);
    if (!keyed_line) return;
    const std::size_t equals = keyed_line->equals;
    const std::string_view rest = text.substr(equals + 1);
    if (rest.empty()) {
      report(equals + 2, Severity::error, ReportId::std_control_empty);
      return;
    }
    const std::size_t comma = std::min(rest.find(','), rest.size());
    std::optional<std::string> label = value(equals + 1, rest.substr(0, comma));
    if (!label) return;
    std::size_t parameters = 0;
    if (comma < rest.size()) {
      const std::string_view fields = rest.substr(comma + 1);
      parameters = static_cast<std::size_t>(std::count(fields.begin(), fields.end(), ',')) + 1;
      if (parameters == 1 && !fields.empty() && fields.size() <= 4 &&
          std::all_of(fields.begin(), fields.end(), [](char c) { return c >= '0' && c <= '9'; }))
        parameters = static_cast<std::size_t>(std::stoul(std::string(fields)));
    }
    if (parameters > 255) {
      report(equals + 2, Severity::error, ReportId::std_control_fields);
      return;
    }
    if (*label == "FIXED" || *label == "SNES" || *label == "TABLE")
      report(equals + 2, Severity::note, ReportId::std_control_directive, {*label});
    define(std::move(*keyed_line), control_entry(*label, static_cast<std::uint8_t>(parameters)));
  }

  // "!KEY[<W>]=[<LABEL>],PARAM[,PARAM...]"
  void switch_line() {
    std::optional<Keyed> keyed_line = keyed(1, ReportId::std_switch_needs_equals);
    if (!keyed_line) return;
    const std::size_t equals = keyed_line->equals;
    auto parsed = parse_switch_value(line_.content.substr(equals + 1));
    if (const auto* fault = std::get_if<SwitchFault>(&parsed))
      return report(equals + 2 + fault->column, Severity::error, fault->id);
    SwitchSyntax& syntax = std::get<SwitchSyntax>(parsed);
    std::optional<std::string> label = value(equals + 1 + syntax.label_column, syntax.label);
    if (!label) return;
    Entry entry = frames_entry(*label, std::move(syntax.params));
    const std::size_t table = result_.tables.size() - 1;
    for (std::size_t i = 0; i < syntax.ids.size(); ++i)
      if (!syntax.ids[i].empty())
        pending_.push_back(
            {line_, equals + 2, syntax.ids[i], table, result_.tables[table].definitions.size(), i});
    switch_lines_.resize(result_.tables.size());
    if (switch_lines_[table].content.empty()) switch_lines_[table] = line_;
    define(std::move(*keyed_line), std::move(entry));
  }

  void text_entry() {
    std::optional<Keyed> keyed_line = keyed(0, ReportId::std_text_needs_equals);
    if (!keyed_line) return;
    const std::size_t equals = keyed_line->equals;
    std::optional<std::string> converted = value(equals + 1, line_.content.substr(equals + 1));
    if (!converted) return;
    define(std::move(*keyed_line), standard_text_entry(*converted));
  }

  StandardTable& result_;
  const ValueConverter& convert_;
  Line line_;
  int named_ = 0;                  // "@" lines read
  std::vector<Line> named_on_;     // by table: its "@" line
  std::vector<Line> switch_lines_; // by table: its first switch line
  struct Pending {                 // a switch's id, resolved once the file is read
    Line line;
    std::size_t column;
    std::string_view id;
    std::size_t table, definition, param;
  };
  std::vector<Pending> pending_;
  std::unordered_map<std::string_view, std::size_t> names_; // each table's name: its index
  // By table: key -> the line that last defined it.
  std::vector<std::unordered_map<std::string, Line>> defined_on_;
};

} // namespace

StandardTable parse_standard_table(std::string_view bytes, const ValueConverter& convert) {
  StandardTable result;
  Parser parser(result, convert);
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  // At most one definition a line; a file of blank lines reserves no more than
  // all one- and two-byte keys would need.
  parser.expect(std::min<std::size_t>(
      static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1, 256 + 65536));
  for (TextLines lines(bytes); const std::optional<TextLine> line = lines.next();)
    if (!line->content.empty()) parser.read({line->number, line->content});
  parser.finish();
  parser.note_prefixes();
  return result;
}

std::optional<std::size_t> table_named(const StandardTable& file, std::string_view name) {
  for (std::size_t i = 0; i < file.tables.size(); ++i)
    if (file.tables[i].name == name) return i;
  return std::nullopt;
}

} // namespace textdump
