// The fitter's reading of a script dump's text: its lines, the strings its
// text makes under the string type in force, and the blocks that hold them.
#include "core/script/script.hpp"

#include <algorithm>
#include <utility>

#include "core/base/base.hpp"
#include "core/script/script_fitter.hpp"

namespace textdump {

bool FitReport::fits() const {
  return std::none_of(diagnostics.begin(), diagnostics.end(),
                      [](const Report& d) { return d.severity == Severity::error; });
}

FitReport fit_script(std::string_view script, const FitTableReader& read_table,
                     FitFor judged_for) {
  FitReport report = fitting::Fitter(script, read_table, judged_for).run();
  std::stable_sort(report.diagnostics.begin(), report.diagnostics.end(),
                   [](const Report& a, const Report& b) { return a.line < b.line; });
  return report;
}

namespace fitting {

FitReport Fitter::run() {
  for (TextLines lines(without_bom(script_), LineEnds::lf); const std::optional<TextLine> read = lines.next();) {
    const std::string_view line = read->content;
    const std::size_t number = read->number;
    const std::size_t first = line.find_first_not_of(" \t");
    const ScriptLine kind = line_kind(line);
    if (kind == ScriptLine::command) {
      end_text();
      command(line.substr(first), number, first);
    } else if (kind == ScriptLine::comment) {
      comment(line.substr(first));
    } else if (kind == ScriptLine::text) {
      // A character's column: the characters (not bytes) before it, plus one.
      std::size_t column = 1;
      for (std::size_t i = 0; i < line.size(); ++i) {
        text_.chars += line[i];
        text_.line.push_back(number);
        text_.column.push_back(column);
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
      }
    }
  }
  end_text();
  no_text_awaited();
  close_block();
  return std::move(report_);
}

void Fitter::end_text() {
  if (text_.chars.empty()) return;
  const Text text = std::move(text_);
  text_ = {};
  if (!table_) {
    if (!unread_active_) error(text.line[0], text.column[0], ReportId::fit_text_without_table);
    return;
  }
  if (!block_) {
    error(text.line[0], text.column[0], ReportId::fit_text_before_jmp);
    return;
  }
  // A string of a Pascal or fixed type ends at every command and end token.
  const bool whole = pascal_ != 0 || fixed_ != 0;
  if (string_break_ || strings_.empty() || whole) begin_string(text.line[0]);
  string_break_ = false;
  bool ended = false; // an end token ended the string, and text follows
  const std::string_view s = text.chars;
  for (std::size_t i = 0; i < s.size();) {
    if (ended) begin_string(text.line[i]);
    ended = false;
    const std::optional<TextEncoder::Step> step = read_step(text, i);
    typed_line_break(text, i, step);
    // A table text of the form's five characters, or more, is the table's.
    if (looks_like_raw_form(s, i) && (!step || (step->text_bytes != nullptr && step->length < 5)))
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
    const bool is_end = step->text_bytes != nullptr &&
                        table_->ends.contains(std::string(s.substr(i, step->length)));
    const bool end_token = whole && is_end;
    if (!end_token || pascal_ == 0) {
      strings_.back().bytes += step->bytes().size();
      put(step->bytes());
      report_.plan.blocks.back().text += s.substr(i, step->length);
    }
    i += step->length;
    if (end_token) {
      finish_string(strings_.back());
      ended = true;
    } else if (is_end) {
      report_.plan.blocks.back().ends.push_back(position());
      report_.plan.blocks.back().end_texts.push_back(report_.plan.blocks.back().text.size());
      string_start_ = true;
    }
  }
  if (whole && !ended) finish_string(strings_.back());
}

// Judged for the Atlas inserter, the step it takes; where --insert would take
// a longer table text there, a warning names it.
std::optional<TextEncoder::Step> Fitter::read_step(const Text& text, std::size_t i) {
  const std::string_view s = text.chars;
  if (for_ != FitFor::atlas) return table_->encoder.step(s, i);
  const auto step = table_->encoder.step(s, i, TextEncoder::Reading::atlas);
  const auto sound = table_->encoder.step(s, i);
  if (sound && (!step || step->length < sound->length)) {
    constexpr std::size_t SHOWN = 24; // characters of a long text named
    std::string shown(s.substr(i, std::min(sound->length, SHOWN)));
    if (sound->length > SHOWN) shown += "...";
    say(Severity::warning, text.line[i], text.column[i], ReportId::fit_atlas_reads_shorter,
        {shown, std::to_string(sound->length)});
  }
  return step;
}

// A "\n" that no table text takes as a whole is the two characters: a
// translator's line break that the inserter would write as them (unless the
// string's original text, on its comment line, holds "\n" too: the game's own
// backslash and n).
void Fitter::typed_line_break(const Text& text, std::size_t i,
                              const std::optional<TextEncoder::Step>& step) {
  if (text.chars.compare(i, 2, "\\n") != 0 || (step && step->length >= 2) ||
      original_breaks_)
    return;
  error(text.line[i], text.column[i], ReportId::fit_typed_line_break);
}

void Fitter::begin_string(std::size_t line) {
  awaited_.reset();
  strings_.push_back({line, 0, original_, pascal_, fixed_, held_, field_, pad_, swapped_});
  original_.reset();
  held_ = false;
  field_.reset();
}

void Fitter::put(std::string_view bytes) {
  align_string();
  string_start_ = false;
  if (pascal_ != 0 || fixed_ != 0)
    whole_ += bytes;
  else
    report_.plan.blocks.back().bytes += bytes;
}

void Fitter::align_string() {
  if (!string_start_ || align_ < 2 || !whole_.empty()) return;
  const std::uint64_t pad = (align_ - position() % align_) % align_;
  report_.plan.blocks.back().bytes.append(pad, '\0');
  block_->used += pad;
}

std::uint64_t Fitter::position() const {
  const PlanBlock& block = report_.plan.blocks.back();
  return block.start + block.bytes.size();
}

void Fitter::no_text_awaited() {
  if (!awaited_) return;
  // An empty string is its end token alone: the advice when the table has one.
  error(awaited_->first, 1,
        table_ && table_->ends.empty() ? ReportId::fit_set_length_no_end
                                       : ReportId::fit_set_length_no_text);
  awaited_.reset();
}

void Fitter::finish_string(FitString& string) {
  const std::uint64_t bytes = string.bytes;
  PlanBlock& block = report_.plan.blocks.back();
  PlanString planned{string.line, position(), 0, string.pascal, string.big_endian, std::nullopt};
  std::string written = std::exchange(whole_, {});
  // --insert writes a held string's new length into its field, when it knows the field.
  const bool rewritten = string.held && string.field && for_ == FitFor::insert;
  if (rewritten) {
    string.field->line = string.line;
    string.field->value = bytes;
    if (string.field->size < 4 && bytes >> (8 * string.field->size) != 0)
      error(string.line, 1, ReportId::fit_length_field_small,
            {std::to_string(bytes), std::to_string(string.field->size)});
    planned.length = report_.plan.lengths.size();
    report_.plan.lengths.push_back(*string.field);
  } else if (string.fixed != 0) {
    if (string.held && bytes != string.fixed)
      error(string.line, 1, ReportId::fit_held_length_changed,
            {std::to_string(string.fixed), std::to_string(bytes)});
    else if (bytes > string.fixed)
      error(string.line, 1, ReportId::fit_fixed_cut,
            {std::to_string(bytes), std::to_string(string.fixed)});
    string.bytes = string.fixed;
    written.resize(string.fixed, static_cast<char>(string.pad));
  } else {
    if (string.pascal < 4 && bytes >> (8 * string.pascal) != 0)
      error(string.line, 1, ReportId::fit_pascal_too_long,
            {std::to_string(bytes), std::to_string(string.pascal)});
    string.bytes += string.pascal;
    std::string length(string.pascal, '\0');
    for (unsigned k = 0; k < string.pascal; ++k)
      length[string.big_endian ? string.pascal - 1 - k : k] =
          static_cast<char>((bytes >> (8 * k)) & 0xFF);
    written.insert(0, length);
  }
  block.bytes += written;
  planned.bytes = written.size();
  report_.plan.strings.push_back(planned);
  block.ends.push_back(position());
  block.end_texts.push_back(block.text.size());
  string_start_ = true;
}

// A #JMP without a bound that no text follows writes nothing: the one that
// closes a script dump's last block, so that the inserter counts no overflow.
bool Fitter::closing_jump() const {
  return block_ && !block_->last && strings_.empty();
}

void Fitter::close_block() {
  if (!block_ || closing_jump()) {
    // Nor does the plan hold it, unless a pointer is written for its place.
    InsertPlan& plan = report_.plan;
    if (block_ && plan.blocks.back().bytes.empty() &&
        (plan.pointers.empty() || plan.pointers.back().block + 1 != plan.blocks.size()))
      plan.blocks.pop_back();
    block_.reset();
    original_end_.reset();
    return;
  }
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

void Fitter::comment(std::string_view line) {
  if (line.starts_with("//LENGTH ")) {
    held_ = true;
    field_ = length_field(line);
  } else if (line.starts_with("//POINTER ") && line.find(" - STRING #") != npos) {
    pointed_ = last_hex(line);
  } else if (const auto block = dumped_block(line)) {
    next_end_ = block->start + block->used;
  } else if (line.find("\\n") != npos) {
    original_breaks_ = true;
  }
}

void Fitter::name_grown_strings() {
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

} // namespace fitting

} // namespace textdump
