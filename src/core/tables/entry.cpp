#include "core/tables/entry.hpp"

#include "core/base/base.hpp"

namespace textdump {

namespace {

Entry rendered(EntryKind kind, std::string_view bytes) {
  Entry entry;
  entry.kind = kind;
  entry.rendering.assign(bytes);
  return entry;
}

} // namespace

Entry text_entry(std::string_view bytes) {
  return rendered(EntryKind::text, bytes);
}
Entry line_break_entry() {
  return rendered(EntryKind::line_break, "\r\n");
}
Entry wait_entry() {
  return rendered(EntryKind::wait, std::string(WAIT_TEXT) + "\r\n");
}
Entry end_entry() {
  return rendered(EntryKind::end, std::string(END_TEXT) + "\r\n");
}

Entry fixed_entry(std::uint32_t base, std::uint8_t length, std::uint8_t arguments) {
  Entry entry;
  entry.kind = EntryKind::fixed;
  entry.base = base;
  entry.length = length;
  entry.arguments = arguments;
  return entry;
}

Entry snes_entry(SnesMap map, std::uint32_t base, std::uint8_t pointer_size,
                 std::uint8_t arguments) {
  Entry entry;
  entry.kind = EntryKind::snes;
  entry.map = map;
  entry.base = base;
  entry.pointer_size = pointer_size;
  entry.arguments = arguments;
  return entry;
}

Entry switch_entry(std::uint8_t member) {
  Entry entry;
  entry.kind = EntryKind::table_switch;
  entry.table = member;
  return entry;
}

namespace {

// Every "\n" of a standard value as CR LF.
std::string with_line_breaks(std::string_view value) {
  std::string bytes;
  bytes.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == 'n') {
      bytes += "\r\n";
      ++i;
    } else {
      bytes += value[i];
    }
  }
  return bytes;
}

bool ends_with_break(std::string_view label) {
  return label.size() >= 2 && label.substr(label.size() - 2) == "\\n";
}

Entry labelled(EntryKind kind, std::string_view label, std::string rendering) {
  Entry entry;
  entry.kind = kind;
  entry.label.assign(label);
  entry.rendering = std::move(rendering);
  return entry;
}

} // namespace

Entry standard_text_entry(std::string_view value) {
  return labelled(EntryKind::text, value, with_line_breaks(value));
}

Entry standard_end_entry(std::string_view label) {
  const std::string_view shown = label.empty() ? END_LABEL : label;
  return labelled(EntryKind::end, label,
                  with_line_breaks(shown) + (ends_with_break(shown) ? "" : "\r\n"));
}

Entry standard_break_entry(std::string_view label) {
  const std::string_view shown = label.empty() ? LINE_LABEL : label;
  return labelled(EntryKind::line_break, label, with_line_breaks(shown) + "\r\n");
}

Entry control_entry(std::string_view label, std::uint8_t parameters) {
  std::string_view head = label;
  std::string after;
  while (ends_with_break(head)) {
    head.remove_suffix(2);
    after += "\r\n";
  }
  Entry entry = labelled(EntryKind::control, label, with_line_breaks(head));
  entry.after = std::move(after);
  entry.arguments = parameters;
  return entry;
}

Entry frames_entry(std::string_view label, std::vector<FrameParam> params) {
  Entry entry = labelled(EntryKind::frames, label, with_line_breaks(label));
  entry.params = std::move(params);
  return entry;
}

std::string undefined_rendering(std::uint8_t byte, bool standard) {
  return standard ? raw_byte_rendering(byte) : "(" + hex_byte(byte) + ")";
}

std::string raw_byte_rendering(std::uint8_t byte) {
  return "<$" + hex_byte(byte) + ">";
}

} // namespace textdump
