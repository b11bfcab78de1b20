#include "core/entry.hpp"

#include "core/numbers.hpp"

namespace textdump {

namespace {

Entry rendered(EntryKind kind, std::string_view bytes) {
  Entry entry;
  entry.kind = kind;
  entry.rendering.assign(bytes);
  return entry;
}

} // namespace

Entry text_entry(std::string_view bytes) { return rendered(EntryKind::text, bytes); }
Entry line_break_entry() { return rendered(EntryKind::line_break, "\r\n"); }
Entry wait_entry() { return rendered(EntryKind::wait, "[WAIT]\r\n"); }
Entry end_entry() { return rendered(EntryKind::end, "[END]\r\n"); }

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

std::string undefined_rendering(std::uint8_t byte) {
  return "(" + hex_byte(byte) + ")";
}

} // namespace textdump
