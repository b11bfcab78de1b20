// The byte ranges of a generated ROM that are taken, and random free places
// for new pieces.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "generator/rom_random.hpp"

namespace textdump::testing {

struct ByteRange {
  std::size_t begin = 0;
  std::size_t end = 0; // one past the last byte
};

class Layout {
public:
  void take(ByteRange r) {
    const auto it = std::lower_bound(taken_.begin(), taken_.end(), r.begin,
                                     [](const ByteRange& a, std::size_t b) { return a.begin < b; });
    taken_.insert(it, r);
  }

  // Frees a range that take() was given.
  void give_back(ByteRange r) {
    std::erase_if(taken_, [&](const ByteRange& a) { return a.begin == r.begin && a.end == r.end; });
  }

  std::vector<ByteRange> free_ranges(ByteRange within) const {
    std::vector<ByteRange> gaps;
    std::size_t pos = within.begin;
    for (const ByteRange& t : taken_) {
      if (t.end <= pos) continue;
      if (t.begin >= within.end) break;
      if (t.begin > pos) gaps.push_back({pos, t.begin});
      pos = std::max(pos, t.end);
    }
    if (pos < within.end) gaps.push_back({pos, within.end});
    return gaps;
  }

  // Takes length free bytes at a uniformly drawn start inside within.
  std::optional<std::size_t> place(Rng& rng, std::size_t length, ByteRange within) {
    const std::vector<ByteRange> gaps = free_ranges(within);
    std::size_t starts = 0;
    for (const ByteRange& g : gaps) {
      if (g.end - g.begin >= length) starts += g.end - g.begin - length + 1;
    }
    if (starts == 0 || length == 0) return std::nullopt;
    std::size_t k = static_cast<std::size_t>(rng.below(starts));
    for (const ByteRange& g : gaps) {
      if (g.end - g.begin < length) continue;
      const std::size_t here = g.end - g.begin - length + 1;
      if (k < here) {
        take({g.begin + k, g.begin + k + length});
        return g.begin + k;
      }
      k -= here;
    }
    return std::nullopt;
  }

private:
  std::vector<ByteRange> taken_; // ascending by begin, never overlapping
};

} // namespace textdump::testing
