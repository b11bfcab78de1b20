#include "app/common/box_load.hpp"

#include <variant>

#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"
#include "io/files.hpp"

namespace textdump {

std::optional<TextBox> load_box(const BoxOptions& options, const Console& console) {
  TextBox box{options.width, options.lines, {}, options.line_breaks, options.pages};
  if (!options.widths) return box;
  std::string file;
  if (read_file(*options.widths, file) != ReadStatus::ok) {
    say(console, {MessageId::widths_unreadable, {*options.widths}});
    return std::nullopt;
  }
  auto widths = parse_widths(file);
  if (const Report* why = std::get_if<Report>(&widths)) {
    say(console, {MessageId::widths_wrong, {*options.widths, report_text(*why)}});
    return std::nullopt;
  }
  box.widths = std::get<0>(std::move(widths));
  return box;
}

} // namespace textdump
