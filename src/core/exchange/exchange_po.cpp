// PO files: a header entry, then an entry a string (msgctxt its id, msgid its
// original, msgstr its translation); read back as gettext's tools read them.
#include <optional>
#include <utility>

#include "core/exchange/exchange_parts.hpp"

namespace textdump::exchanging {

namespace {

// text as one PO string's contents.
std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c == '\n' ? std::string("\\n") : c == '\t' ? "\\t" : c == '\r' ? "\\r" : std::string(1, c);
  }
  return out;
}

// keyword "text", or keyword "" and a line a text line when it has more than one.
std::string po_field(std::string_view keyword, std::string_view text) {
  if (text.find('\n') == std::string_view::npos)
    return std::string(keyword) + " \"" + escaped(text) + "\"\n";
  std::string out = std::string(keyword) + " \"\"\n";
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t lf = std::min(text.find('\n', from), text.size());
    out += "\"" + escaped(text.substr(from, lf - from)) + (lf < text.size() ? "\\n" : "") + "\"\n";
    from = lf + 1;
  }
  return out;
}

} // namespace

std::string write_po(std::span<const ScriptEntry> entries, std::string_view project,
                     std::string_view box) {
  std::string out = "msgid \"\"\nmsgstr \"\"\n\"Project-Id-Version: " + escaped(project) +
                    "\\n\"\n"
                    "\"PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\\n\"\n"
                    "\"Last-Translator: FULL NAME <EMAIL@ADDRESS>\\n\"\n"
                    "\"Language-Team: LANGUAGE <LL@li.org>\\n\"\n"
                    "\"Language: \\n\"\n"
                    "\"MIME-Version: 1.0\\n\"\n"
                    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                    "\"Content-Transfer-Encoding: 8bit\\n\"\n";
  for (const ScriptEntry& entry : entries) {
    out += "\n#. " + entry.where + "\n#. " + notes_of(entry) + "\n";
    if (entry.held) out += "#. room: " + room_of(entry) + " bytes\n";
    if (!box.empty() && entry.referenced) out += "#. box: " + std::string(box) + "\n";
    out += po_field("msgctxt", id_of(entry));
    out += po_field("msgid", entry.original);
    out += po_field("msgstr", translation_of(entry));
  }
  return out;
}

namespace {

// The contents of a PO string that begins the text ("..." and nothing after
// it but blanks), or nothing when it is not one.
std::optional<std::string> po_string(std::string_view text) {
  if (text.empty() || text[0] != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  for (; i < text.size() && text[i] != '"'; ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    const char c = text[i];
    if (c == 'n' || c == 't' || c == 'r')
      out += c == 'n' ? '\n' : c == 't' ? '\t' : '\r';
    else if (c == '\\' || c == '"')
      out += c;
    else
      return std::nullopt;
  }
  if (i == text.size() || text.find_first_not_of(" \t", i + 1) != std::string_view::npos)
    return std::nullopt;
  return out;
}

class PoReader {
public:
  void line(std::string_view line, std::size_t number);
  ExchangeReading done();

private:
  void finish();
  void wrong(ReportId id, std::size_t number, std::vector<std::string> args = {}) {
    reading_.errors.push_back({id, Severity::error, number, 0, std::move(args)});
  }

  ExchangeReading reading_;
  // The entry being read: its keywords' strings, the one the next line adds to.
  std::optional<std::string> context_, id_, str_;
  std::optional<std::string>* last_ = nullptr;
  std::size_t first_ = 0; // its first line
  bool fuzzy_ = false;
};

void PoReader::line(std::string_view line, std::size_t number) {
  if (line.find_first_not_of(" \t") == std::string_view::npos) return finish();
  if (line.starts_with("#~")) return;
  if (line.starts_with("#,") && line.find("fuzzy") != std::string_view::npos) {
    if (str_) finish();
    fuzzy_ = true;
  }
  if (line.starts_with("#")) return;
  if (line.starts_with("\"")) {
    const auto more = po_string(line);
    if (!more) return wrong(ReportId::exchange_bad_string, number);
    if (last_ == nullptr) return wrong(ReportId::exchange_bad_line, number, {std::string(line)});
    **last_ += *more;
    return;
  }
  if (line.starts_with("msgid_plural") || line.starts_with("msgstr["))
    return wrong(ReportId::exchange_plural, number);
  const std::size_t space = line.find(' ');
  const std::string_view keyword = line.substr(0, space);
  std::optional<std::string>* field = keyword == "msgctxt" ? &context_
                                      : keyword == "msgid" ? &id_
                                      : keyword == "msgstr" ? &str_
                                                            : nullptr;
  if (field == nullptr || space == std::string_view::npos)
    return wrong(ReportId::exchange_bad_line, number, {std::string(line)});
  if (str_ || field->has_value()) finish(); // the next entry, without a blank line between
  const auto text = po_string(line.substr(space + 1));
  if (!text) return wrong(ReportId::exchange_bad_string, number);
  if (!context_ && !id_ && !str_) first_ = number;
  *field = *text;
  last_ = field;
}

void PoReader::finish() {
  if (context_ || id_ || str_) {
    if (!id_ || !str_)
      wrong(ReportId::exchange_bad_line, first_, {context_ ? "msgctxt" : id_ ? "msgid" : "msgstr"});
    else if (!context_ && !id_->empty())
      wrong(ReportId::exchange_no_id, first_);
    else if (context_)
      reading_.rows.push_back({*context_, *id_, fuzzy_ ? std::string() : *str_, first_});
  }
  context_.reset();
  id_.reset();
  str_.reset();
  last_ = nullptr;
  fuzzy_ = false;
}

ExchangeReading PoReader::done() {
  finish();
  if (!reading_.errors.empty()) reading_.rows.clear();
  return std::move(reading_);
}

} // namespace

ExchangeReading read_po(std::string_view bytes) {
  PoReader reader;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  for (TextLines lines(bytes); const std::optional<TextLine> line = lines.next();)
    reader.line(line->content, line->number);
  return reader.done();
}

} // namespace textdump::exchanging
