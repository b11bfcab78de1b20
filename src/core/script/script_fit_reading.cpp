// Reading a script dump and its insertion tables as the inserter reads them:
// lines, numbers, names and tables.
#include "core/script/script_fit_reading.hpp"

#include <algorithm>
#include <charconv>

#include "core/base/base.hpp"
#include "core/tables/tables.hpp"

namespace textdump::fitting {

std::string_view without_bom(std::string_view file) {
  return file.starts_with("\xEF\xBB\xBF") ? file.substr(3) : file;
}

std::string trimmed(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// A report without its place: the command's line and column are added to it.
Report fault(ReportId id, std::vector<std::string> args) {
  return {id, Severity::error, 0, 0, std::move(args)};
}

// An insertion table as the inserter reads it; a report naming the file's line
// otherwise (arguments: the file, the line, then the id's own).
std::optional<Report> load_table(const std::string& name, std::string_view file, FitTable& table) {
  for (TextLines lines(without_bom(file), LineEnds::lf); const std::optional<TextLine> read = lines.next();) {
    const std::string_view line = read->content;
    const std::size_t number = read->number;
    const auto wrong = [&](ReportId id, std::string_view shown = {}) {
      return fault(id, {name, std::to_string(number), std::string(shown)});
    };
    if (line.empty() || std::string_view("([{$!@").find(line[0]) != npos) continue;
    if (line[0] == '#') return wrong(ReportId::fit_table_comment);
    const std::size_t eq = line.find('=');
    if (eq == npos && line[0] != '*') return wrong(ReportId::fit_table_no_equals, line);
    const std::size_t from = line[0] == '/' || line[0] == '*' ? 1 : 0;
    const std::string_view digits = line.substr(from, eq == npos ? npos : eq - from);
    const std::optional<std::string> key = bytes_of_hex(digits);
    if (!key || key->empty()) return wrong(ReportId::fit_table_bad_key, digits);
    // A bare line break's <LINE> is read only where a longer text starting
    // with '<' lets the Atlas inserter look that far.
    const std::string_view text = eq == npos ? LINE_LABEL : line.substr(eq + 1);
    if (table.encoder.add(text, *key, eq != npos) && line[0] == '/') table.ends.emplace(text);
    Entry entry = text_entry(text);
    if (line[0] == '/') entry.kind = EntryKind::end;
    // A key's first text is the one it decodes to.
    if (const CodeTable::Match m = table.decoder->longest_match(*key);
        m.index == 0 || m.length != key->size())
      table.decoder->define({*key, std::move(entry)});
  }
  return std::nullopt;
}

// A number as the inserter reads it: "$" and upper-case hex, or decimal, either with a "-".
std::optional<std::int64_t> atlas_number(std::string_view s, std::optional<Report>& why) {
  const std::string shown(s);
  const bool hex = !s.empty() && s[0] == '$';
  if (hex) s.remove_prefix(1);
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  if (s.empty() || s.size() > 9) {
    why = fault(ReportId::fit_not_number, {shown});
    return std::nullopt;
  }
  if (!hex && negative && s.size() == 1) {
    why = fault(ReportId::fit_one_digit_negative, {shown});
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (const char c : s) {
    const int digit = hex ? hex_value(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
    if (hex && c >= 'a' && c <= 'f') {
      why = fault(ReportId::fit_hex_lower_case, {shown});
      return std::nullopt;
    }
    if (digit < 0) {
      why = fault(ReportId::fit_not_number, {shown});
      return std::nullopt;
    }
    value = value * (hex ? 16 : 10) + digit;
  }
  return negative ? -value : value;
}

// A variable name the inserter takes for a name.
std::optional<Report> bad_name(std::string_view name) {
  const auto word = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  };
  if (name.empty() || !std::all_of(name.begin(), name.end(), word) ||
      (name[0] >= '0' && name[0] <= '9'))
    return fault(ReportId::fit_not_a_name, {std::string(name)});
  if (std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return fault(ReportId::fit_name_is_number, {std::string(name)});
  if (name.find_first_of("Kk") != npos)
    return fault(ReportId::fit_name_with_k, {std::string(name)});
  return std::nullopt;
}

// The offset that a dump's line names last: the first $HEX after its last " @ ".
std::optional<std::uint64_t> last_hex(std::string_view line) {
  const std::size_t at = line.rfind(" @ ");
  if (at != npos) line.remove_prefix(at + 3);
  const std::size_t dollar = line.find('$');
  if (dollar == npos) return std::nullopt;
  const std::size_t end = line.find_first_not_of("0123456789ABCDEF", dollar + 1);
  const std::string_view digits = line.substr(dollar + 1, end == npos ? npos : end - dollar - 1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  return hex_to_int(digits);
}

ScriptLine line_kind(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t");
  if (first == npos) return ScriptLine::empty; // blanks alone are dropped
  if (line[first] == '#') return ScriptLine::command;
  if (line.substr(first, 2) == "//") return ScriptLine::comment;
  return ScriptLine::text;
}

std::optional<DumpedBlock> dumped_block(std::string_view line) {
  if (!line.starts_with("// BLOCK ") || !line.ends_with(" used")) return std::nullopt;
  const std::size_t comma = line.rfind(", "), room = line.rfind(" bytes of room");
  const std::size_t before = room == npos ? npos : line.rfind(", ", room);
  const auto start = last_hex(line.substr(0, line.find('-')));
  DumpedBlock block;
  const auto number = [&](std::size_t from, std::size_t to, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(line.data() + from, line.data() + to, value);
    return error == std::errc{} && end == line.data() + to;
  };
  if (comma == npos || before == npos || !start || !number(comma + 2, line.size() - 5, block.used) ||
      !number(before + 2, room, block.room))
    return std::nullopt;
  block.start = *start;
  return block;
}

std::optional<PlanLength> length_field(std::string_view line) {
  constexpr std::string_view lead = "//LENGTH @ $";
  if (!line.starts_with(lead)) return std::nullopt;
  line.remove_prefix(lead.size());
  const std::size_t digits = line.find_first_not_of("0123456789ABCDEF");
  if (digits == 0 || digits == npos || digits > 8 || !line.substr(digits).starts_with(", "))
    return std::nullopt;
  PlanLength field;
  field.at = hex_to_int(line.substr(0, digits));
  line.remove_prefix(digits + 2);
  if (line.empty() || line[0] < '1' || line[0] > '4') return std::nullopt;
  field.size = static_cast<unsigned>(line[0] - '0');
  line.remove_prefix(1);
  for (const std::string_view word : {" BYTES ", " BYTE "})
    if (line.starts_with(word)) line.remove_prefix(word.size());
  if (!line.starts_with("LE - ") && !line.starts_with("BE - ")) return std::nullopt;
  field.big_endian = line[0] == 'B';
  return field;
}

std::optional<FitTable> first_insertion_table(std::string_view script,
                                              const FitTableReader& read_table,
                                              std::string* file) {
  for (TextLines lines(script, LineEnds::lf); const std::optional<TextLine> read = lines.next();) {
    const std::string line = trimmed(read->content);
    if (!line.starts_with("#ADDTBL(")) continue;
    const std::size_t open = line.find('"'), close = line.find('"', open + 1);
    if (open == npos || close == npos) return std::nullopt;
    const std::string name = line.substr(open + 1, close - open - 1);
    const std::optional<std::string> bytes = read_table(name);
    FitTable table;
    if (!bytes || load_table(name, *bytes, table)) return std::nullopt;
    if (file != nullptr) *file = *bytes;
    return table;
  }
  return std::nullopt;
}

} // namespace textdump::fitting
