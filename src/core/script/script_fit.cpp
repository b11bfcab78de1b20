#include "core/script/script_fit.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <utility>

#include "core/base/numbers.hpp"
#include "core/base/text_lines.hpp"
#include "core/script/script_fit_reading.hpp"

namespace textdump {

bool FitReport::fits() const {
  return std::none_of(diagnostics.begin(), diagnostics.end(),
                      [](const Report& d) { return d.severity == Severity::error; });
}

namespace {

using fitting::atlas_number;
using fitting::bad_name;
using fitting::column_of;
using fitting::fault;
using fitting::FitTable;
using fitting::last_hex;
using fitting::load_table;
using fitting::npos;
using fitting::trimmed;

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
  // How the inserter writes it: its length first in so many bytes (Pascal);
  // in exactly so many bytes (fixed), which it must keep when held.
  unsigned pascal = 0;
  std::uint64_t fixed = 0;
  bool held = false;
};

class Fitter {
public:
  Fitter(std::string_view script, const FitTableReader& read_table)
      : script_(script), read_table_(read_table) {}

  FitReport run() {
    for (TextLines lines(script_, LineEnds::lf); const std::optional<TextLine> read = lines.next();) {
      const std::string_view line = read->content;
      const std::size_t number = read->number;
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
    no_text_awaited();
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
    // A string of a Pascal or fixed type ends at every command and end token.
    const bool whole = pascal_ != 0 || fixed_ != 0;
    const auto begin_string = [&](std::size_t line) {
      awaited_.reset();
      strings_.push_back({line, 0, original_, pascal_, fixed_, held_});
      original_.reset();
      held_ = false;
    };
    if (string_break_ || strings_.empty() || whole) begin_string(text.line[0]);
    string_break_ = false;
    bool ended = false; // an end token ended the string, and text follows
    const std::string_view s = text.chars;
    for (std::size_t i = 0; i < s.size();) {
      if (ended) begin_string(text.line[i]);
      ended = false;
      const std::optional<TextEncoder::Step> step = table_->encoder.step(s, i);
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
      const bool end_token = whole && step->text_bytes != nullptr &&
                             table_->ends.contains(std::string(s.substr(i, step->length)));
      if (!end_token || pascal_ == 0) strings_.back().bytes += step->bytes().size();
      i += step->length;
      if (end_token) {
        finish_string(strings_.back());
        ended = true;
      }
    }
    if (whole && !ended) finish_string(strings_.back());
  }

  // A pointer written for a Pascal or fixed string that has no text: the
  // inserter writes no string there, not even its length.
  void no_text_awaited() {
    if (!awaited_) return;
    error(awaited_->first, 1, ReportId::fit_set_length_no_text);
    awaited_.reset();
  }

  // The bytes a Pascal or fixed string takes; a fixed one that would be cut,
  // or whose held length would change, is an error.
  void finish_string(FitString& string) {
    const std::uint64_t bytes = string.bytes;
    if (string.fixed != 0) {
      if (string.held && bytes != string.fixed)
        error(string.line, 1, ReportId::fit_held_length_changed,
              {std::to_string(string.fixed), std::to_string(bytes)});
      else if (bytes > string.fixed)
        error(string.line, 1, ReportId::fit_fixed_cut,
              {std::to_string(bytes), std::to_string(string.fixed)});
      string.bytes = string.fixed;
    } else {
      string.bytes += string.pascal;
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
    if (line.starts_with("//LENGTH ")) {
      held_ = true;
    } else if (line.starts_with("//POINTER ") && line.find(" - STRING #") != npos) {
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
      if (!s.original || !next || *next <= *s.original || s.bytes <= *next - *s.original) continue;
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
    const bool write = name == "WRITE" || name == "W16" || name == "W24" || name == "W32";
    if (!write) no_text_awaited();
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
      auto table = std::make_shared<FitTable>();
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
    } else if (name == "STRTYPE") {
      if (!want(1, 1)) return;
      const auto type = quoted_arg(args[0]);
      if (type && *type != "PASCAL" && *type != "ENDTERM")
        return error(number, column, ReportId::fit_strtype_value);
      if (type) pascal_ = *type == "PASCAL" ? pascal_length_ : 0;
    } else if (name == "PASCALLEN") {
      if (!want(1, 1)) return;
      const auto bytes = number_of(args[0]);
      if (bytes && (*bytes < 1 || *bytes > 4))
        return error(number, column, ReportId::fit_pascal_length);
      if (bytes) pascal_length_ = static_cast<unsigned>(*bytes);
      if (bytes && pascal_ != 0) pascal_ = pascal_length_;
    } else if (name == "FIXEDLENGTH") {
      if (!want(2, 2)) return;
      const auto length = number_of(args[0]), pad = number_of(args[1]);
      if (!length || !pad) return;
      if (*length < 0 || *pad < 0 || *pad > 0xFF)
        return error(number, column, ReportId::fit_fixedlength_args);
      fixed_ = static_cast<std::uint64_t>(*length);
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
    } else if (write) {
      const bool custom = name == "WRITE";
      if (!want(custom ? 2 : 1, custom ? 2 : 1)) return;
      if (custom && (!variable(args[0], false) ||
                     std::find(pointers_.begin(), pointers_.end(), args[0]) == pointers_.end()))
        return error(number, column, ReportId::fit_pointer_never_created, {args[0]});
      number_of(args.back());
      string_break_ = true;
      original_ = pointed_;
      // Another string's pointer (by the dump's //POINTER lines) before any text.
      if (awaited_ && awaited_->second != original_) no_text_awaited();
      if ((pascal_ != 0 || fixed_ != 0) && !awaited_) awaited_ = {number, original_};
    } else {
      error(number, column, ReportId::fit_unknown_command, {name});
    }
  }

  std::string_view script_;
  const FitTableReader& read_table_;
  FitReport report_;
  Text text_;
  std::map<std::string, bool> variables_; // name -> is a table
  std::map<std::string, std::shared_ptr<const FitTable>> tables_;
  std::vector<std::string> pointers_; // created
  std::shared_ptr<const FitTable> table_;
  std::optional<FitBlock> block_;
  std::vector<FitString> strings_;
  bool string_break_ = false; // a pointer was written since the last text
  unsigned pascal_ = 0;       // the #PASCALLEN of #STRTYPE("PASCAL"); 0 for ENDTERM
  unsigned pascal_length_ = 1;
  std::uint64_t fixed_ = 0; // the #FIXEDLENGTH in force
  bool held_ = false;       // a //LENGTH line names the next string's held length
  // The line of a #WRITE whose Pascal or fixed string has no text yet, and where it began.
  std::optional<std::pair<std::size_t, std::optional<std::uint64_t>>> awaited_;
  std::optional<std::uint64_t> pointed_;      // the string start the last //POINTER line names
  std::optional<std::uint64_t> original_;     // of the string the last #WRITE points at
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
