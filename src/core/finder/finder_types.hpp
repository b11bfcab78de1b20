// The finder's vocabulary, below every part of it: the maps it searches, its
// options, a candidate table, and the limits its parts share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/tables/tables.hpp"

namespace textdump {

// The longest string the finder takes: a string start's text reaches its end
// entry within it, and a string of set length is at most this long.
inline constexpr std::uint32_t FINDER_MAX_STRING = JUDGED_STRING_MOST;
// Entries are searched at strides from the pointer size up to this.
inline constexpr unsigned FINDER_MAX_STRIDE = 32;

struct FinderMap {
  AddressMap map = AddressMap::linear;
  std::int64_t base = 0; // linear only
};

// What the finder begins to search: the strings of set length of one pointer
// size and byte order, or the pointers of one map, size and byte order.
struct FinderProgress {
  bool set_length = false;
  AddressMap map = AddressMap::linear; // not set_length
  unsigned size = 2;
  ByteOrder order = ByteOrder::le;
};

struct FinderOptions {
  std::vector<FinderMap> maps;
  std::vector<unsigned> sizes{2, 3, 4};
  std::uint32_t min_count = 4;
  std::size_t top = 5;
  double min_score = 3.0;            // the expected number of such runs by chance is at most 10^-3
  std::optional<std::uint32_t> bank; // the bank 16-bit pointers of banked maps point into
  // Told as each part of the search begins, from either of its two threads,
  // one call at a time.
  std::function<void(const FinderProgress&)> progress;
  // A standard file's tables: text read through the starting table's
  // switches counts as text read through it.
  const std::vector<CodeTable>* tables = nullptr;
};

struct Candidate {
  PointerTable ptable;
  double score = 0;
  std::vector<std::uint64_t> targets; // in table order, of the entries that are not null
  std::uint64_t first_target = 0, last_target = 0;
  std::uint32_t null_entries = 0;  // inside the table, counted in its count
  std::uint32_t empty_strings = 0; // pointers to an end entry
  unsigned pascal = 0;             // Pascal strings: the bytes of the length before each
  bool reverse =
      false; // strings of set length: each entry's string ends where the one before begins
  // The other pointer columns of the same records, each a table of its own, by offset.
  std::vector<Candidate> columns;
  // The table's other pieces, back to back after it, each pointing into another bank.
  std::vector<Candidate> pieces;
};

// Whether the finder reads a map's pointers of this size in this byte order
// (big-endian only where the map's descriptor says so).
inline bool searched_as(const MapDescriptor& map, unsigned size, ByteOrder order) {
  return map.takes_size(size) && (order == ByteOrder::le || map.searched_big_endian);
}

// The offset after a table's last pointer.
inline std::uint64_t end_of(const PointerTable& ptable) {
  return std::uint64_t{ptable.at} + std::uint64_t{ptable.count - 1} * ptable.stride + ptable.size;
}

// The offset after the last pointer of a candidate's last piece.
inline std::uint64_t end_of(const Candidate& c) {
  return end_of(c.pieces.empty() ? c.ptable : c.pieces.back().ptable);
}

} // namespace textdump
