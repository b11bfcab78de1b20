// The string starts of a ROM, as the pointer-table finder sees them (see
// core/finder/finder.hpp for what a string start and an empty string are).
//
// Held in about 2.3 bytes a ROM byte: a bit for each offset that is a string
// start, a bit for each that is an empty string, and the length of the text
// from each offset up to its end entry (strings are at most FINDER_MAX_STRING
// bytes long).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/base/base.hpp"
#include "core/finder/finder_types.hpp"
#include "core/tables/tables.hpp"

namespace textdump {

// A bit for each offset of a ROM.
class OffsetBits {
public:
  explicit OffsetBits(std::size_t size = 0) : words_((size + 63) / 64, 0) {}
  bool operator[](std::uint64_t p) const { return ((words_[p >> 6] >> (p & 63)) & 1) != 0; }
  void set(std::uint64_t p) { words_[p >> 6] |= std::uint64_t{1} << (p & 63); }
  void reset(std::uint64_t p) { words_[p >> 6] &= ~(std::uint64_t{1} << (p & 63)); }
  void clear() { std::fill(words_.begin(), words_.end(), std::uint64_t{0}); }
  const std::vector<std::uint64_t>& words() const { return words_; }

private:
  std::vector<std::uint64_t> words_;
};

class SwitchWalker;

class Starts {
public:
  // With switches, a switch of the starting table and its frames are one key
  // that carries the text keys and unknown bytes its frames read, and an end
  // met in a frame ends the string where the frames end.
  Starts(const RomView& rom, const CodeTable& table, SwitchWalker* switches = nullptr);

  bool is_start(std::uint64_t p) const { return start_[p]; }
  // An empty string: the end entry of a string that starts at a start, or an
  // end entry right after one.
  bool is_empty(std::uint64_t p) const { return empty_[p]; }
  // Where the text with at least three text keys from p ends (after its end
  // entry), or 0: set at every start, and at offsets inside strings.
  std::uint64_t end(std::uint64_t p) const { return length_[p] == 0 ? 0 : p + length_[p]; }
  // The starts in ascending order.
  const std::vector<std::uint32_t>& list() const { return list_; }
  // The bytes that lie inside the strings of the starts.
  std::uint64_t inside() const { return inside_; }
  std::uint64_t size() const { return length_.size(); }

private:
  OffsetBits start_, empty_;
  std::uint64_t inside_ = 0;
  std::vector<std::uint16_t> length_;
  std::vector<std::uint32_t> list_;
};

} // namespace textdump
