#include "core/script_fit.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <utility>

#include "core/numbers.hpp"
#include "core/text_encoder.hpp"

namespace textdump {

bool FitReport::fits() const {
  return std::none_of(diagnostics.begin(), diagnostics.end(),
                      [](const Report& d) { return d.severity == Severity::error; });
}

namespace {

constexpr auto npos = std::string_view::npos;

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::vector<std::string_view> lines_of(std::string_view s) {
  std::vector<std::string_view> lines;
  while (!s.empty()) {
    const std::size_t end = s.find('\n');
    std::string_view line = s.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == npos) break;
    s.remove_prefix(end + 1);
  }
  return lines;
}

std::string trimmed(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// The characters (not bytes) of UTF-8 text before byte i, plus one.
std::size_t column_of(std::string_view line, std::size_t i) {
  std::size_t column = 1;
  for (std::size_t j = 0; j < i && j < line.size(); ++j)
    if ((static_cast<unsigned char>(line[j]) & 0xC0) != 0x80) ++column;
  return column;
}

// A report without its place: the command's line and column are added to it.
Report fault(ReportId id, std::vector<std::string> args) {
  return {id, Severity::error, 0, 0, std::move(args)};
}

// An insertion table as the inserter reads it; a report naming the file's line
// otherwise (arguments: the file, the line, then the id's own).
std::optional<Report> load_table(const std::string& name, std::string_view file,
                                 TextEncoder& encoder) {
  std::size_t number = 0;
  for (const std::string_view line : lines_of(file)) {
    ++number;
    const auto wrong = [&](ReportId id, std::string_view shown = {}) {
      return fault(id, {name, std::to_string(number), std::string(shown)});
    };
    if (line.empty() || std::string_view("([{$!@").find(line[0]) != npos) continue;
    if (line[0] == '#') return wrong(ReportId::fit_table_comment);
    const std::size_t eq = line.find('=');
    if (eq == npos && line[0] != '*') return wrong(ReportId::fit_table_no_equals, line);
    const std::size_t from = line[0] == '/' || line[0] == '*' ? 1 : 0;
    const std::string_view digits = line.substr(from, eq == npos ? npos : eq - from);
    std::string key;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
      const int high = hex_value(digits[i]), low = hex_value(digits[i + 1]);
      if (high < 0 || low < 0) break;
      key += static_cast<char>(high * 16 + low);
    }
    if (key.empty() || key.size() * 2 != digits.size())
      return wrong(ReportId::fit_table_bad_key, digits);
    encoder.add(eq == npos ? std::string_view("<LINE>") : line.substr(eq + 1), key);
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

// Text lines with no command between them, and where each character stood.
struct Text {
  std::string chars;
  std::vector<std::size_t> line;   // of each character
  std::vector<std::size_t> column; // of each character
};

struct FitString {
  std::size_t line = 0; // where its text begins
  std::uint64_t bytes = 0;
  std::optional<std::uint64_t> original; // where the dumped string began, from its // line
};

// The last $HEX number of a line: 6C10 of "//POINTER #0 @ $6D00 - STRING #0 @ $6C10",
// and of the same line with the addresses in brackets after the offsets.
std::optional<std::uint64_t> last_hex(std::string_view line) {
  if (line.ends_with(')') && line.rfind(" (") != npos) line = line.substr(0, line.rfind(" ("));
  const std::size_t dollar = line.rfind('$');
  if (dollar == npos) return std::nullopt;
  const std::size_t end = line.find_first_not_of("0123456789ABCDEF", dollar + 1);
  const std::string_view digits = line.substr(dollar + 1, end == npos ? npos : end - dollar - 1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  return hex_to_int(digits);
}

class Fitter {
public:
  Fitter(std::string_view script, const FitTableReader& read_table)
      : script_(script), read_table_(read_table) {}

  FitReport run() {
    std::size_t number = 0;
    for (const std::string_view line : lines_of(script_)) {
      ++number;
      const std::size_t first = line.find_first_not_of(" \t");
      if (first != npos && line[first] == '#') {
        end_text();
        command(line.substr(first), number, first);
      } else if (first != npos && line.substr(first, 2) == "//") {
        comment(line.substr(first));
      } else if (!line.empty()) {
        for (std::size_t i = 0; i < line.size(); ++i) {
          text_.chars += line[i];
          text_.line.push_back(number);
          text_.column.push_back(column_of(line, i));
        }
      }
    }
    end_text();
    close_block();
    return std::move(report_);
  }

private:
  void say(Severity severity, std::size_t line, std::size_t column, ReportId id,
           std::vector<std::string> args = {}) {
    report_.diagnostics.push_back({id, severity, line, column, std::move(args)});
  }
  void error(std::size_t line, std::size_t column, ReportId id,
             std::vector<std::string> args = {}) {
    say(Severity::error, line, column, id, std::move(args));
  }
  void error(std::size_t line, std::size_t column, Report why) {
    why.line = line;
    why.column = column;
    report_.diagnostics.push_back(std::move(why));
  }

  // Encodes the text gathered since the last command into the current string.
  void end_text() {
    if (text_.chars.empty()) return;
    const Text text = std::move(text_);
    text_ = {};
    if (!table_) {
      error(text.line[0], text.column[0], ReportId::fit_text_without_table);
      return;
    }
    if (!block_) {
      error(text.line[0], text.column[0], ReportId::fit_text_before_jmp);
      return;
    }
    if (string_break_ || strings_.empty()) {
      strings_.push_back({text.line[0], 0, original_});
      original_.reset();
    }
    string_break_ = false;
    const std::string_view s = text.chars;
    for (std::size_t i = 0; i < s.size();) {
      const std::optional<TextEncoder::Step> step = table_->step(s, i);
      if (looks_like_raw_form(s, i) && (!step || step->text_bytes != nullptr))
        error(text.line[i], text.column[i], ReportId::fit_raw_misread,
              {std::string(s.substr(i, 5))});
      if (!step) {
        std::size_t width = 1;
        while (i + width < s.size() && (static_cast<unsigned char>(s[i + width]) & 0xC0) == 0x80)
          ++width;
        if (!looks_like_raw_form(s, i))
          error(text.line[i], text.column[i], ReportId::fit_not_in_table,
                {std::string(s.substr(i, width))});
        i += looks_like_raw_form(s, i) ? 5 : width;
        continue;
      }
      for (std::size_t j = i + 1; j < i + step->length; ++j)
        if (looks_like_raw_form(s, j))
          error(text.line[j], text.column[j], ReportId::fit_raw_taken,
                {std::string(s.substr(j, 5)), std::string(s.substr(i, step->length))});
      strings_.back().bytes += step->bytes().size();
      i += step->length;
    }
  }

  void close_block() {
    if (!block_) return;
    FitBlock& block = *block_;
    for (const FitString& s : strings_) block.used += s.bytes;
    if (block.last && block.used > *block.last - block.start + 1) {
      const std::uint64_t room = *block.last - block.start + 1;
      error(block.line, 1, ReportId::fit_block_overflow,
            {hex_number(block.start), hex_number(*block.last), std::to_string(block.used),
             std::to_string(block.used - room), std::to_string(room)});
      name_grown_strings();
      std::uint64_t pos = 0;
      for (const FitString& s : strings_) {
        if (s.bytes > 0 && pos + s.bytes > room)
          say(Severity::note, s.line, 1,
              pos >= room ? ReportId::fit_string_left_empty : ReportId::fit_string_cut,
              {std::to_string(room - std::min(pos, room)), std::to_string(s.bytes)});
        pos += s.bytes;
      }
    } else if (!block.last) {
      say(Severity::warning, block.line, 1, ReportId::fit_jmp_without_end,
          {hex_number(block.start)});
    }
    report_.blocks.push_back(block);
    block_.reset();
    strings_.clear();
    original_end_.reset();
  }

  // The dump's own // lines say where each string began and how many bytes
  // the block's text held: what an edit made longer can be named.
  void comment(std::string_view line) {
    if (line.starts_with("//POINTER ") && line.find(" - STRING #") != npos) {
      pointed_ = last_hex(line);
    } else if (line.starts_with("// BLOCK ") && line.ends_with(" used")) {
      const std::size_t comma = line.rfind(", ");
      std::uint64_t used = 0;
      const auto [end, error] =
          std::from_chars(line.data() + comma + 2, line.data() + line.size() - 5, used);
      const auto start = last_hex(line.substr(0, line.find('-')));
      if (comma != npos && error == std::errc{} && start) next_end_ = *start + used;
    }
  }

  // Each string that needs more bytes than it held when dumped, when the
  // strings after it start where the dump left them.
  void name_grown_strings() {
    for (std::size_t k = 0; k < strings_.size(); ++k) {
      const FitString& s = strings_[k];
      const std::optional<std::uint64_t> next =
          k + 1 < strings_.size() ? strings_[k + 1].original : original_end_;
      if (!s.original || !next || *next <= *s.original || s.bytes <= *next - *s.original)
        continue;
      const std::uint64_t held = *next - *s.original;
      say(Severity::note, s.line, 1, ReportId::fit_string_grew,
          {std::to_string(s.bytes), std::to_string(s.bytes - held), std::to_string(held)});
    }
  }

  void command(std::string_view line, std::size_t number, std::size_t at) {
    const std::size_t column = at + 1;
    const std::size_t open = line.find('('), close = line.rfind(')');
    if (open == npos || close == npos || close < open ||
        line.find_first_not_of(" \t", close + 1) != npos) {
      error(number, column, ReportId::fit_command_form);
      return;
    }
    const std::string name(line.substr(1, open - 1));
    std::vector<std::string> args;
    bool quoted = false;
    std::size_t from = open + 1;
    for (std::size_t i = open + 1; i <= close; ++i) {
      if (i < close && line[i] == '"') quoted = !quoted;
      if (i < close && (quoted || line[i] != ',')) continue;
      args.push_back(trimmed(line.substr(from, i - from)));
      from = i + 1;
    }
    if (args.size() == 1 && args[0].empty()) args.clear();
    const auto want = [&](std::size_t low, std::size_t high) {
      if (args.size() >= low && args.size() <= high) return true;
      error(number, column, high > low ? ReportId::fit_arguments_either : ReportId::fit_arguments,
            {name, std::to_string(low), std::to_string(high), std::to_string(args.size())});
      return false;
    };
    const auto number_of = [&](const std::string& arg) -> std::optional<std::int64_t> {
      std::optional<Report> why;
      const auto value = atlas_number(arg, why);
      if (!value) error(number, column, std::move(*why));
      return value;
    };
    const auto quoted_arg = [&](const std::string& arg) -> std::optional<std::string> {
      if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"')
        return arg.substr(1, arg.size() - 2);
      error(number, column, ReportId::fit_not_quoted, {arg});
      return std::nullopt;
    };
    const auto variable = [&](const std::string& arg, bool table) -> bool {
      const auto it = variables_.find(arg);
      if (it == variables_.end() || it->second != table) {
        error(number, column, ReportId::fit_not_that_variable,
              {arg, table ? "TABLE" : "CUSTOMPOINTER"});
        return false;
      }
      return true;
    };
    if (name == "VAR") {
      if (!want(2, 2)) return;
      if (const auto why = bad_name(args[0])) return error(number, column, *why);
      if (args[1] != "TABLE" && args[1] != "CUSTOMPOINTER")
        return error(number, column, ReportId::fit_variable_kind);
      variables_[args[0]] = args[1] == "TABLE";
    } else if (name == "ADDTBL") {
      if (!want(2, 2)) return;
      const auto file = quoted_arg(args[0]);
      if (!file || !variable(args[1], true)) return;
      const std::optional<std::string> bytes = read_table_(*file);
      if (!bytes) return error(number, column, ReportId::fit_table_unreadable, {*file});
      auto table = std::make_shared<TextEncoder>();
      if (auto why = load_table(*file, *bytes, *table)) return error(number, column, std::move(*why));
      tables_[args[1]] = std::move(table);
    } else if (name == "ACTIVETBL") {
      if (!want(1, 1) || !variable(args[0], true)) return;
      const auto it = tables_.find(args[0]);
      if (it == tables_.end())
        return error(number, column, ReportId::fit_table_never_added, {args[0]});
      table_ = it->second;
    } else if (name == "CREATEPTR") {
      if (!want(4, 4) || !variable(args[0], false) || !quoted_arg(args[1])) return;
      const auto bits = number_of(args[3]);
      if (!number_of(args[2]) || !bits) return;
      if (*bits != 8 && *bits != 16 && *bits != 24 && *bits != 32)
        return error(number, column, ReportId::fit_pointer_bits);
      pointers_.push_back(args[0]);
    } else if (name == "HDR") {
      if (want(1, 1)) number_of(args[0]);
    } else if (name == "SMA" || name == "ENDIANSWAP") {
      if (want(1, 1)) quoted_arg(args[0]);
    } else if (name == "JMP") {
      if (!want(1, 2)) return;
      const auto start = number_of(args[0]);
      const auto last = args.size() == 2 ? number_of(args[1]) : std::optional<std::int64_t>(0);
      if (!start || !last) return;
      if (*start < 0 || (args.size() == 2 && *last < *start))
        return error(number, column, ReportId::fit_jmp_backwards);
      close_block();
      block_ = FitBlock{number, static_cast<std::uint64_t>(*start), std::nullopt, 0};
      original_end_ = std::exchange(next_end_, std::nullopt);
      original_ = block_->start; // a block's first string begins there, written in place or not
      if (args.size() == 2) block_->last = static_cast<std::uint64_t>(*last);
    } else if (name == "WRITE" || name == "W16" || name == "W24" || name == "W32") {
      const bool custom = name == "WRITE";
      if (!want(custom ? 2 : 1, custom ? 2 : 1)) return;
      if (custom && (!variable(args[0], false) ||
                     std::find(pointers_.begin(), pointers_.end(), args[0]) == pointers_.end()))
        return error(number, column, ReportId::fit_pointer_never_created, {args[0]});
      number_of(args.back());
      string_break_ = true;
      original_ = pointed_;
    } else {
      error(number, column, ReportId::fit_unknown_command, {name});
    }
  }

  std::string_view script_;
  const FitTableReader& read_table_;
  FitReport report_;
  Text text_;
  std::map<std::string, bool> variables_; // name -> is a table
  std::map<std::string, std::shared_ptr<const TextEncoder>> tables_;
  std::vector<std::string> pointers_; // created
  std::shared_ptr<const TextEncoder> table_;
  std::optional<FitBlock> block_;
  std::vector<FitString> strings_;
  bool string_break_ = false; // a pointer was written since the last text
  std::optional<std::uint64_t> pointed_;  // the string start the last //POINTER line names
  std::optional<std::uint64_t> original_; // of the string the last #WRITE points at
  std::optional<std::uint64_t> original_end_; // of the block's dumped text
  std::optional<std::uint64_t> next_end_;     // of the next #JMP's block
};

} // namespace

FitReport fit_script(std::string_view script, const FitTableReader& read_table) {
  FitReport report = Fitter(script, read_table).run();
  std::stable_sort(report.diagnostics.begin(), report.diagnostics.end(),
                   [](const Report& a, const Report& b) { return a.line < b.line; });
  return report;
}

} // namespace textdump
