// The random draws of the ROM generator: std::mt19937_64, whose output the
// standard fixes, with uniform draws and shuffles of its own, so that a seed
// gives the same numbers with every standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace textdump::testing {

class Rng {
public:
  explicit Rng(std::uint64_t seed) : engine_(seed) {}

  // Uniform in [0, n); n must not be 0.
  std::uint64_t below(std::uint64_t n) {
    const std::uint64_t reject_under = (0 - n) % n; // 2^64 mod n
    for (;;) {
      const std::uint64_t x = engine_();
      if (x >= reject_under) return x % n;
    }
  }
  // Uniform in [lo, hi], both included.
  std::size_t range(std::size_t lo, std::size_t hi) {
    return lo + static_cast<std::size_t>(below(static_cast<std::uint64_t>(hi - lo) + 1));
  }
  bool percent(unsigned p) { return below(100) < p; }
  std::uint8_t byte() { return static_cast<std::uint8_t>(engine_() & 0xFF); }

  template <class T> const T& pick(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(below(items.size()))];
  }
  template <class T, std::size_t N> const T& pick(const T (&items)[N]) {
    return items[static_cast<std::size_t>(below(N))];
  }
  // Fisher-Yates.
  template <class T> void shuffle(std::vector<T>& items) {
    for (std::size_t i = items.size(); i > 1; --i) {
      std::swap(items[i - 1], items[static_cast<std::size_t>(below(i))]);
    }
  }

private:
  std::mt19937_64 engine_;
};

} // namespace textdump::testing
