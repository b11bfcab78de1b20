#include "core/decode/rom_walk.hpp"

#include <string_view>

namespace textdump {

CodeTable::Match longer_key_at(const CodeTable& table, const RomView& rom, std::uint64_t pos,
                               std::size_t longest) {
  if (pos < rom.size && longest <= rom.size - pos)
    return table.longest_match({reinterpret_cast<const char*>(rom.data + pos), longest});
  // A key that reaches past the end of the ROM meets its 0xFF bytes.
  char bytes[MAX_KEY_BYTES];
  for (std::size_t i = 0; i < longest; ++i) bytes[i] = static_cast<char>(rom_byte(rom, pos + i));
  return table.longest_match({bytes, longest});
}

Walk walk_to_end(const CodeTable& table, const RomView& rom, std::uint64_t from,
                 std::uint64_t limit) {
  for (std::uint64_t pos = from; pos < limit;) {
    const WalkStep step = step_at(table, rom, pos, limit);
    if (table.entry(step.index).kind == EntryKind::end) return {WalkEnd::end_entry, step.next};
    pos = step.next;
  }
  return {WalkEnd::limit, limit};
}

} // namespace textdump
