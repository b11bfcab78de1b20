// The code table: for every key, what the loaded table files say about it.
//
// Keys are the bytes of the ROM that an entry stands for, one to eight of them.
// Loading a table lays its definitions over the code table in file order: a
// later definition of the same key wins, and keys that the file does not
// define keep what an earlier load gave them. Nothing ever clears an entry.
//
// Lookups are direct: one-byte keys through a 256-entry index, two-byte keys
// through a 256-entry index per first byte, and longer keys (rare) through a
// map; longest_match tries only the lengths that keys of its first byte have.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/tables/entry.hpp"

namespace textdump {

// One definition of a table file: its key and what the key stands for.
struct Definition {
  std::string key; // the bytes in ROM order
  Entry entry;
};

// How the table's files are written; it decides how undefined bytes render.
enum class TableFormat : std::uint8_t {
  own,      // the tool's own format: (XX)
  standard, // the community's standard format: <$XX>
};

inline constexpr std::size_t MAX_KEY_BYTES = 8;

class CodeTable {
public:
  // An entry's place in the table; 0 is "no entry".
  using Index = std::uint32_t;

  explicit CodeTable(TableFormat format = TableFormat::own);

  TableFormat format() const { return format_; }

  // The entry of the one-byte key; kind undefined when no table defined it.
  const Entry& at(std::uint8_t byte) const { return entries_[single_[byte]]; }
  Index index_of(std::uint8_t byte) const { return single_[byte]; }
  const Entry& entry(Index index) const { return entries_[index]; }
  std::size_t size() const { return entries_.size(); } // indexes are below this

  void define(const Definition& definition);
  void lay_over(const std::vector<Definition>& definitions);

  // The longest key that keys of byte[0] can have; 0 when byte[0] starts none.
  std::size_t longest_key(std::uint8_t first) const { return longest_[first]; }

  // The index of the two-byte key (first, second); 0 when there is none.
  Index pair(std::uint8_t first, std::uint8_t second) const {
    const std::uint16_t row = pair_rows_[first];
    return row != 0 ? pairs_[row - 1][second] : 0;
  }

  // The arrays behind pair, for loops that keep them at hand.
  const std::uint16_t* pair_rows() const { return pair_rows_.data(); }
  const std::array<Index, 256>* pair_table() const { return pairs_.data(); }

  // The longest key that bytes begins with (at most bytes.size() long), and its
  // length; index 0 and length 1 when no key matches.
  struct Match {
    Index index = 0;
    std::size_t length = 1;
  };
  Match longest_match(std::string_view bytes) const;

  // Every defined key with its entry's index, in no particular order.
  std::vector<std::pair<std::string, Index>> keys() const;

  // True when some key's entry is of the kind.
  bool defines(EntryKind kind) const;

  // True when a SNES entry is defined and no END entry is: every string that
  // a SNES entry points to then runs to the end of the ROM file.
  bool has_snes_without_end() const;

private:
  Index place(Index& slot, const Entry& entry);

  TableFormat format_;
  std::vector<Entry> entries_; // [0] is the undefined entry
  std::array<Index, 256> single_{};
  std::vector<std::array<Index, 256>> pairs_;     // rows of two-byte keys
  std::array<std::uint16_t, 256> pair_rows_{};    // by first byte: its row + 1, or 0
  std::unordered_map<std::string, Index> longer_; // keys of three bytes or more
  std::array<std::uint8_t, 256> longest_{};
};

inline bool has_end_entry(const CodeTable& table) {
  return table.defines(EntryKind::end);
}
inline bool has_switches(const CodeTable& table) {
  return table.defines(EntryKind::frames);
}

} // namespace textdump
