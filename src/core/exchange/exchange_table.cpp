// TSV and CSV files: a row naming the columns, then a row a string; read
// back by the columns' names, as spreadsheets write them.
#include <array>
#include <optional>
#include <utility>

#include "core/exchange/exchange_parts.hpp"

namespace textdump::exchanging {

namespace {

constexpr std::array<std::string_view, 6> COLUMNS{"id",   "address", "original", "translation",
                                                  "room", "notes"};

std::string tsv_field(std::string_view text) {
  std::string out;
  for (const char c : text)
    out += c == '\\' ? std::string("\\\\") : c == '\t' ? "\\t" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

std::string csv_field(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  return out + "\"";
}

// A record as it is read: its fields and the line it begins on.
struct Record {
  std::vector<std::string> fields;
  std::size_t line = 0;
};

struct Records {
  std::vector<Record> records;
  std::vector<Report> errors;
  void wrong(ReportId id, std::size_t line, std::vector<std::string> args = {}) {
    errors.push_back({id, Severity::error, line, 0, std::move(args)});
  }
};

Records tsv_records(std::string_view bytes) {
  Records read;
  for (TextLines lines(bytes, LineEnds::lf); const std::optional<TextLine> line = lines.next();) {
    Record record{{std::string()}, line->number};
    const std::string_view text = line->content;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\t') {
        record.fields.emplace_back();
      } else if (text[i] != '\\') {
        record.fields.back() += text[i];
      } else {
        const char c = i + 1 < text.size() ? text[++i] : '\0';
        if (c != '\\' && c != 't' && c != 'n')
          read.wrong(ReportId::exchange_bad_escape, line->number, {"\\" + std::string(1, c)});
        record.fields.back() += c == 't' ? '\t' : c == 'n' ? '\n' : c;
      }
    }
    read.records.push_back(std::move(record));
  }
  return read;
}

// RFC 4180, with LF alone ending a row too; a line break in a field is LF.
Records csv_records(std::string_view bytes) {
  Records read;
  Record record{{std::string()}, 1};
  std::size_t line = 1;
  bool quoted = false, closed = false; // in a quoted field; after its closing quote
  const auto line_break = [&](std::size_t& i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    ++line;
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    std::string& field = record.fields.back();
    if (quoted && c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
      field += '"';
      ++i;
    } else if (quoted && c == '"') {
      quoted = false;
      closed = true;
    } else if (quoted) {
      if (c == '\r' || c == '\n') line_break(i);
      field += c == '\r' ? '\n' : c;
    } else if (c == ',') {
      record.fields.emplace_back();
      closed = false;
    } else if (c == '\r' || c == '\n') {
      line_break(i);
      read.records.push_back(std::exchange(record, Record{{std::string()}, line}));
      closed = false;
    } else if (c == '"' && field.empty() && !closed) {
      quoted = true;
    } else if (c == '"' || closed) {
      read.wrong(ReportId::exchange_quote, line);
      return read;
    } else {
      field += c;
    }
  }
  if (quoted) read.wrong(ReportId::exchange_open_quote, record.line);
  if (record.fields.size() > 1 || !record.fields[0].empty() || closed)
    read.records.push_back(std::move(record));
  return read;
}

} // namespace

std::string write_table(std::span<const ScriptEntry> entries, bool csv, std::string_view box) {
  const std::string_view separator = csv ? "," : "\t", row_end = csv ? "\r\n" : "\n";
  std::string out;
  for (const std::string_view column : COLUMNS)
    out += std::string(column == COLUMNS[0] ? "" : separator) + std::string(column);
  out += row_end;
  for (const ScriptEntry& entry : entries) {
    const std::array<std::string, 6> fields{id_of(entry),          entry.where, entry.original,
                                            translation_of(entry), room_of(entry),
                                            notes_of(entry) +
                                                (box.empty() || !entry.referenced
                                                     ? std::string()
                                                     : "; box " + std::string(box))};
    for (std::size_t k = 0; k < fields.size(); ++k)
      out += std::string(k == 0 ? "" : separator) + (csv ? csv_field(fields[k]) : tsv_field(fields[k]));
    out += row_end;
  }
  return out;
}

ExchangeReading read_table(std::string_view bytes, bool csv) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  Records read = csv ? csv_records(bytes) : tsv_records(bytes);
  ExchangeReading reading;
  reading.errors = std::move(read.errors);
  if (!reading.errors.empty()) return reading;
  // Where the columns the rows need are.
  std::array<std::optional<std::size_t>, 3> at; // id, original, translation
  const std::vector<std::string> names =
      read.records.empty() ? std::vector<std::string>{} : read.records[0].fields;
  for (std::size_t k = 0; k < names.size(); ++k)
    for (std::size_t c = 0; c < 3; ++c)
      if (names[k] == COLUMNS[c == 0 ? 0 : c + 1]) at[c] = k;
  std::string lacking;
  for (std::size_t c = 0; c < 3; ++c)
    if (!at[c]) lacking += (lacking.empty() ? "" : ", ") + std::string(COLUMNS[c == 0 ? 0 : c + 1]);
  if (!lacking.empty()) {
    reading.errors.push_back({ReportId::exchange_columns, Severity::error, 1, 0, {lacking}});
    return reading;
  }
  for (std::size_t r = 1; r < read.records.size(); ++r) {
    const Record& record = read.records[r];
    if (record.fields.size() == 1 && record.fields[0].empty()) continue; // an empty line
    if (record.fields.size() != names.size()) {
      reading.errors.push_back({ReportId::exchange_fields, Severity::error, record.line, 0,
                                {std::to_string(record.fields.size()),
                                 std::to_string(names.size())}});
      continue;
    }
    reading.rows.push_back(
        {record.fields[*at[0]], record.fields[*at[1]], record.fields[*at[2]], record.line});
  }
  if (!reading.errors.empty()) reading.rows.clear();
  return reading;
}

} // namespace textdump::exchanging
