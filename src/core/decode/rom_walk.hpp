// Walking a ROM through a code table: the key at an offset, one step past it,
// and the way from an offset to the end entry that closes its string. Every
// reader of ROM text (the decoder, the script builder, the pointer finder)
// takes its keys here.
//
//   key_at       the longest key whose bytes all lie before limit; at least
//                one byte (pos < limit): the one-byte key's entry, undefined
//                when no table defined it, when no longer key matches. A byte
//                that starts no key longer than one byte takes one lookup.
//   step_at      key_at, and where the next key begins: past a control code's
//                parameter bytes, never past limit.
//   walk_to_end  steps from an offset until an end entry (the offset after it)
//                or the limit (the limit), and which of the two was met.
//
// Offsets at or past the end of the ROM read as 0xFF, as rom_byte does; the
// callers choose a limit inside the ROM where that matters to them.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/tables/tables.hpp"
#include "core/base/base.hpp"

namespace textdump {

// The longest match of the bytes at pos, at most longest (2 or more) of them.
CodeTable::Match longer_key_at(const CodeTable& table, const RomView& rom, std::uint64_t pos,
                               std::size_t longest);

inline CodeTable::Match key_at(const CodeTable& table, const RomView& rom, std::uint64_t pos,
                               std::uint64_t limit) {
  const std::uint8_t first = rom_byte(rom, pos);
  const std::size_t longest =
      static_cast<std::size_t>(std::min<std::uint64_t>(table.longest_key(first), limit - pos));
  if (longest <= 1) return {table.index_of(first), 1};
  return longer_key_at(table, rom, pos, longest);
}

struct WalkStep {
  CodeTable::Index index = 0;
  std::uint64_t next = 0; // where the next key begins
};

inline WalkStep step_at(const CodeTable& table, const RomView& rom, std::uint64_t pos,
                        std::uint64_t limit) {
  const CodeTable::Match match = key_at(table, rom, pos, limit);
  const Entry& entry = table.entry(match.index);
  std::uint64_t next = pos + match.length;
  if (entry.kind == EntryKind::control)
    next = std::min<std::uint64_t>(next + entry.arguments, limit);
  return {match.index, next};
}

enum class WalkEnd : std::uint8_t { end_entry, limit };

struct Walk {
  WalkEnd met = WalkEnd::limit;
  std::uint64_t reached = 0; // after the end entry, or the limit
};

Walk walk_to_end(const CodeTable& table, const RomView& rom, std::uint64_t from,
                 std::uint64_t limit);

} // namespace textdump
