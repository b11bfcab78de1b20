#include "app/exchange/exchange_files.hpp"

#include "app/common/report_text.hpp"
#include "io/files.hpp"

namespace textdump {

namespace {

constexpr std::uint64_t MOST_READ = std::uint64_t{1} << 30;

MessageId line_message(Severity severity) {
  return severity == Severity::error     ? MessageId::line_error
         : severity == Severity::warning ? MessageId::line_warning
                                         : MessageId::line_note;
}

} // namespace

Failure read_translations(const std::string& file, const Console& console,
                          std::vector<ExchangeRow>& rows) {
  const std::optional<ExchangeFormat> format = exchange_format(file);
  std::string bytes;
  if (read_file(file, bytes, MOST_READ) != ReadStatus::ok) {
    say(console, {MessageId::exchange_unreadable,
                  {text_of(format ? MessageId::role_exchange_file : MessageId::role_script_file),
                   shown(file)}});
    return Failure::exchange_invalid;
  }
  if (!format) {
    rows = script_translations(script_entries(bytes));
    return Failure::none;
  }
  ExchangeReading reading = read_exchange(*format, bytes);
  if (!reading.errors.empty()) {
    show_reports(console, file, reading.errors);
    say(console, {MessageId::exchange_malformed, {shown(file), std::to_string(reading.errors.size())}});
    return Failure::exchange_invalid;
  }
  rows = std::move(reading.rows);
  return Failure::none;
}

Failure read_script(const std::string& file, const Console& console, std::string& bytes) {
  if (read_file(file, bytes, MOST_READ) == ReadStatus::ok) return Failure::none;
  say(console, {MessageId::script_unreadable, {shown(file)}});
  return Failure::script_unfit;
}

void show_reports(const Console& console, const std::string& file,
                  std::span<const Report> reports) {
  std::vector<ReportId> kinds;
  for (const Report& report : reports) kinds.push_back(report.id);
  const Repeats repeats = repeats_of(std::span<const ReportId>(kinds));
  for (std::size_t k = 0; k < reports.size(); ++k)
    if (repeats.shown[k])
      say(console, {line_message(reports[k].severity),
                    {shown(file), std::to_string(reports[k].line), printable(report_text(reports[k]))}});
  for (const Repeats::More& more : repeats.more)
    say(console, {MessageId::check_more,
                  {std::to_string(more.count), std::to_string(reports[more.first].line),
                   std::to_string(reports[more.last].line)}});
}

} // namespace textdump
