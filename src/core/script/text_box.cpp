// A script dump's strings measured against their text box: the insertion
// table read as the fitter reads it, each string's original and text cut into
// table texts, those into lines and pages.
#include "core/script/text_box.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>

#include "core/script/script.hpp"
#include "core/script/script_fit_reading.hpp"

namespace textdump {

namespace {

using namespace fitting;

// "21" of "21x3", a decimal number above 0 and nothing else.
std::optional<std::uint32_t> positive(std::string_view text) {
  std::uint32_t n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc{} || end != text.data() + text.size() || n == 0) return std::nullopt;
  return n;
}

std::size_t characters(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// A label or a raw byte: writes no character of its own.
bool control_like(std::string_view text, bool raw) {
  return raw || (text.size() >= 2 && ((text.front() == '<' && text.back() == '>') ||
                                      (text.front() == '[' && text.back() == ']')));
}

struct Piece {
  std::string_view text;
  std::size_t line = 0, column = 0;
  bool raw = false;
  bool line_end = false; // the script's line ends after it
};

// The table texts of a string's lines (joined by LF), the first on line first.
std::vector<Piece> pieces(std::string_view s, const TextEncoder& encoder, std::size_t first) {
  std::vector<Piece> out;
  std::size_t line = first, column = 1;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == '\n') {
      if (!out.empty()) out.back().line_end = true;
      ++line;
      column = 1;
      ++i;
      continue;
    }
    const std::optional<TextEncoder::Step> step = encoder.step(s, i);
    std::size_t length = step ? step->length : std::max<std::size_t>(1, utf8_sequence_at(s, i));
    length = std::min(length, s.size() - i);
    out.push_back({s.substr(i, length), line, column, step && !step->text_bytes, false});
    column += characters(s.substr(i, length));
    i += length;
  }
  if (!out.empty()) out.back().line_end = true;
  return out;
}

class Measure {
public:
  Measure(const TextBox& box, const FitTable& table, std::set<std::string, std::less<>> breaks)
      : box_(box), table_(table), breaks_(std::move(breaks)) {
    pages_.insert(box.pages.begin(), box.pages.end());
    pages_.insert("[WAIT]");
    pages_.insert("<WAIT>");
  }

  struct Line {
    std::uint64_t width = 0;
    std::size_t line = 0, column = 0; // of its first text
  };
  // The lines of a string, each page's after the one before; a page's lines
  // are the count in pages.
  void lines_of(const std::vector<Piece>& text, std::vector<Line>& lines,
                std::vector<std::pair<Line, std::size_t>>& pages);
  std::uint64_t width_of(const Piece& piece);
  std::vector<Report> reports;

private:
  const TextBox& box_;
  const FitTable& table_;
  std::set<std::string, std::less<>> breaks_, pages_, unmeasured_;
};

std::uint64_t Measure::width_of(const Piece& piece) {
  const bool control = control_like(piece.text, piece.raw);
  if (box_.widths.empty()) return control ? 0 : characters(piece.text);
  if (const auto found = box_.widths.find(piece.text); found != box_.widths.end())
    return found->second;
  if (control) return 0;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < piece.text.size();) {
    const std::size_t n = std::max<std::size_t>(1, utf8_sequence_at(piece.text, i));
    const auto one = box_.widths.find(piece.text.substr(i, n));
    if (one == box_.widths.end()) {
      if (unmeasured_.emplace(piece.text).second)
        reports.push_back({ReportId::fit_text_no_width, Severity::warning, piece.line,
                           piece.column, {std::string(piece.text)}});
      return 0;
    }
    sum += one->second;
    i += n;
  }
  return sum;
}

void Measure::lines_of(const std::vector<Piece>& text, std::vector<Line>& lines,
                       std::vector<std::pair<Line, std::size_t>>& pages) {
  std::optional<Line> line;
  std::size_t in_page = 0;
  std::optional<Line> page_first;
  const auto end_line = [&](bool counted) {
    if (!line && !counted) return;
    if (!line) line = Line{};
    lines.push_back(*line);
    if (!page_first) page_first = *line;
    ++in_page;
    line.reset();
  };
  const auto end_page = [&] {
    end_line(false);
    if (page_first) pages.push_back({*page_first, in_page});
    page_first.reset();
    in_page = 0;
  };
  for (const Piece& piece : text) {
    if (!line) line = Line{0, piece.line, piece.column};
    if (table_.ends.contains(std::string(piece.text)) || pages_.contains(piece.text)) {
      end_page();
    } else if (breaks_.contains(piece.text)) {
      end_line(true);
    } else {
      line->width += width_of(piece);
    }
  }
  end_page();
}

// The table texts that end a line of the dump's original text, and the
// insertion table's line breaks.
std::set<std::string, std::less<>> line_breaks(const std::vector<ScriptEntry>& entries,
                                               std::string_view file, const FitTable& table,
                                               const TextBox& box) {
  std::set<std::string, std::less<>> breaks(box.line_breaks.begin(), box.line_breaks.end());
  for (TextLines lines(file, LineEnds::lf); const std::optional<TextLine> read = lines.next();)
    if (read->content.starts_with('*')) {
      const std::string_view line = read->content;
      const std::size_t eq = line.find('=');
      breaks.emplace(eq == npos ? LINE_LABEL : line.substr(eq + 1));
      // Its byte typed as a raw form breaks the line too.
      if (const std::string_view key = line.substr(1, eq == npos ? npos : eq - 1); key.size() == 2)
        breaks.emplace("<$" + trimmed(key) + ">");
    }
  for (const ScriptEntry& e : entries)
    for (const Piece& piece : pieces(e.original, table.encoder, 0))
      if (piece.line_end && control_like(piece.text, piece.raw) &&
          !table.ends.contains(std::string(piece.text)))
        breaks.emplace(piece.text);
  return breaks;
}

} // namespace

std::variant<std::pair<std::uint32_t, std::uint32_t>, Report> parse_box(std::string_view text) {
  const std::size_t x = text.find('x');
  const std::optional<std::uint32_t> width = positive(text.substr(0, x));
  const std::optional<std::uint32_t> lines =
      x == npos ? std::optional<std::uint32_t>(0) : positive(text.substr(x + 1));
  if (!width || !lines)
    return Report{ReportId::box_form, Severity::error, 0, 0, {std::string(text)}};
  return std::pair{*width, *lines};
}

std::variant<std::map<std::string, std::uint32_t, std::less<>>, Report>
parse_widths(std::string_view file) {
  std::map<std::string, std::uint32_t, std::less<>> widths;
  for (TextLines lines(file, LineEnds::any); const std::optional<TextLine> read = lines.next();) {
    const std::string_view line = read->content;
    if (line.empty()) continue;
    const std::size_t eq = line.rfind('=');
    std::uint32_t width = 0;
    const std::string_view digits = eq == npos ? line : line.substr(eq + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), width);
    if (eq == npos || eq == 0 || error != std::errc{} || end != digits.data() + digits.size())
      return Report{ReportId::box_widths_line,
                    Severity::error, 0, 0, {std::to_string(read->number), std::string(line)}};
    widths[std::string(line.substr(0, eq))] = width;
  }
  return widths;
}

std::string box_text(const TextBox& box) {
  if (box.width == 0) return {};
  std::string text = std::to_string(box.width) + (box.widths.empty() ? " characters" : " pixels") +
                     " a line";
  if (box.lines != 0) text += ", " + std::to_string(box.lines) + " lines a page";
  return text;
}

std::vector<Report> check_box(std::string_view script, const FitTableReader& read_table,
                              const TextBox& box) {
  std::string file;
  const std::optional<FitTable> read = first_insertion_table(script, read_table, &file);
  if (!read) return {};
  const FitTable& table = *read;
  const std::vector<ScriptEntry> entries = script_entries(script);
  Measure measure(box, table, line_breaks(entries, file, table, box));
  const bool pixels = !box.widths.empty();
  // Without a box: the widest original line of each block.
  std::map<std::uint64_t, std::uint64_t> widest;
  std::vector<Measure::Line> lines;
  std::vector<std::pair<Measure::Line, std::size_t>> pages;
  if (box.width == 0) {
    for (const ScriptEntry& e : entries) {
      if (!e.referenced) continue;
      measure.lines_of(pieces(e.original, table.encoder, 0), lines, pages);
      std::uint64_t& w = widest[e.block ? e.block->start : e.start];
      for (const Measure::Line& line : lines) w = std::max(w, line.width);
      lines.clear();
    }
    measure.reports.clear();
  }
  for (const ScriptEntry& e : entries) {
    if (!e.referenced) continue;
    // Measured against its own block's widest original line, an unedited line
    // of characters cannot be wider.
    if (box.width == 0 && !pixels && e.text == e.original) continue;
    lines.clear();
    pages.clear();
    measure.lines_of(pieces(e.text, table.encoder, e.line), lines, pages);
    const std::uint64_t most = box.width != 0 ? box.width : widest[e.block ? e.block->start : e.start];
    for (const Measure::Line& line : lines) {
      if (line.width <= most) continue;
      const ReportId id = box.width != 0
                              ? (pixels ? ReportId::fit_line_over_box_pixels : ReportId::fit_line_over_box)
                              : (pixels ? ReportId::fit_line_over_original_pixels
                                        : ReportId::fit_line_over_original);
      measure.reports.push_back({id, box.width != 0 ? Severity::error : Severity::warning,
                                 line.line, line.column,
                                 {std::to_string(line.width), std::to_string(line.width - most),
                                  std::to_string(most)}});
    }
    for (const auto& [first, count] : pages)
      if (box.width != 0 && box.lines != 0 && count > box.lines)
        measure.reports.push_back({ReportId::fit_page_over_box, Severity::error, first.line,
                                   first.column,
                                   {std::to_string(count), std::to_string(count - box.lines),
                                    std::to_string(box.lines)}});
  }
  return std::move(measure.reports);
}

} // namespace textdump
