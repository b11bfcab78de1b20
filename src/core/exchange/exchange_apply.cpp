// The formats by their names, what a file says of each string, a script's
// own translations, and translations written back into a script's text lines.
#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <variant>

#include "core/exchange/exchange.hpp"
#include "core/exchange/exchange_parts.hpp"

namespace textdump {

namespace exchanging {

std::string id_of(const ScriptEntry& entry) {
  return "$" + hex_number(entry.start);
}

std::string translation_of(const ScriptEntry& entry) {
  return entry.text == entry.original ? std::string() : entry.text;
}

std::string room_of(const ScriptEntry& entry) {
  return entry.held ? std::to_string(*entry.held) : std::string();
}

std::string notes_of(const ScriptEntry& entry) {
  std::string notes;
  for (const std::string& pointer : entry.pointers)
    notes += (notes.empty() ? "pointers at " : ", ") + pointer;
  if (entry.pointers.empty()) notes = entry.referenced ? "no pointer" : "bytes between strings";
  if (entry.block)
    notes += "; block $" + hex_number(entry.block->start) + ", " +
             std::to_string(entry.block->room) + " bytes of room";
  return notes;
}

void check_ids(ExchangeReading& reading) {
  std::map<std::string, std::size_t> first;
  for (const ExchangeRow& row : reading.rows)
    if (const auto [at, fresh] = first.emplace(row.id, row.line); !fresh)
      reading.errors.push_back({ReportId::exchange_id_again, Severity::error, row.line, 0,
                                {row.id, std::to_string(at->second)}});
  if (!reading.errors.empty()) reading.rows.clear();
}

} // namespace exchanging

using namespace exchanging;

std::optional<ExchangeFormat> exchange_format(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  std::string extension(file_name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (extension == "po") return ExchangeFormat::po;
  if (extension == "tsv") return ExchangeFormat::tsv;
  if (extension == "csv") return ExchangeFormat::csv;
  return std::nullopt;
}

std::string write_exchange(ExchangeFormat format, std::span<const ScriptEntry> entries,
                           std::string_view project, std::string_view box) {
  if (format == ExchangeFormat::po) return write_po(entries, project, box);
  return write_table(entries, format == ExchangeFormat::csv, box);
}

ExchangeReading read_exchange(ExchangeFormat format, std::string_view bytes) {
  ExchangeReading reading = format == ExchangeFormat::po
                                ? read_po(bytes)
                                : read_table(bytes, format == ExchangeFormat::csv);
  if (reading.errors.empty()) check_ids(reading);
  return reading;
}

std::vector<ExchangeRow> script_translations(std::span<const ScriptEntry> entries) {
  std::vector<ExchangeRow> rows;
  for (const ScriptEntry& entry : entries)
    rows.push_back({id_of(entry), entry.original, translation_of(entry), entry.line});
  return rows;
}

namespace {

// A translation's lines as the script will hold them, each with the line end;
// or the line that would not read as text.
std::variant<std::string, std::string> lines_of(std::string_view translation,
                                                std::string_view line_end) {
  std::string lines;
  for (TextLines read(translation, LineEnds::any); const auto line = read.next();) {
    if (line->content.empty()) continue;
    if (!script_text_line(line->content)) return std::variant<std::string, std::string>(
        std::in_place_index<1>, std::string(line->content));
    lines += std::string(line->content) + std::string(line_end);
  }
  return std::variant<std::string, std::string>(std::in_place_index<0>, std::move(lines));
}

// The script's own line end: that of its first line (CR LF when it has none).
std::string_view line_end_of(std::string_view script) {
  const std::size_t lf = script.find('\n');
  return lf != std::string_view::npos && (lf == 0 || script[lf - 1] != '\r') ? "\n" : "\r\n";
}

} // namespace

Applied apply_translations(std::string_view script, std::span<const ExchangeRow> rows) {
  const std::vector<ScriptEntry> entries = script_entries(script);
  std::map<std::string, std::size_t> by_id;
  for (std::size_t k = 0; k < entries.size(); ++k) by_id.emplace(id_of(entries[k]), k);
  std::vector<std::optional<std::string>> lines(entries.size());
  Applied applied;
  const auto leave_out = [&](const ExchangeRow& row, ReportId id, std::vector<std::string> args) {
    applied.left_out.push_back({id, Severity::warning, row.line, 0, std::move(args)});
  };
  for (const ExchangeRow& row : rows) {
    if (row.translation.empty()) continue;
    const auto found = by_id.find(row.id);
    if (found == by_id.end()) {
      leave_out(row, ReportId::exchange_unknown_id, {row.id});
      continue;
    }
    if (entries[found->second].original != row.original) {
      leave_out(row, ReportId::exchange_original_changed, {row.id});
      continue;
    }
    auto written = lines_of(row.translation, line_end_of(script));
    if (written.index() == 1) {
      leave_out(row, ReportId::exchange_not_text, {row.id, std::get<1>(written)});
    } else if (!std::get<0>(written).empty()) {
      lines[found->second] = std::move(std::get<0>(written));
      ++applied.written;
    }
  }
  std::size_t at = 0;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const ScriptEntry& entry = entries[k];
    if (!lines[k] && translation_of(entry).empty())
      applied.untranslated.push_back(
          {ReportId::exchange_untranslated, Severity::note, entry.line, 0, {id_of(entry)}});
    if (!lines[k]) continue;
    applied.script.append(script.substr(at, entry.from - at));
    applied.script += *lines[k];
    at = entry.to;
  }
  applied.script.append(script.substr(at));
  return applied;
}

} // namespace textdump
