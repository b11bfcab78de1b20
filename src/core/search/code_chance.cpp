#include "core/search/code_chance.hpp"

#include <algorithm>
#include <cmath>

namespace textdump::code_chances {

namespace {

// Counts the code at every offset where one lies whole; returns how many offsets.
template <unsigned W, bool LE> std::size_t count_codes(const RomView& rom, std::uint64_t* count) {
  const std::size_t n = rom.size >= W ? static_cast<std::size_t>(rom.size) - W + 1 : 0;
  for (std::size_t p = 0; p < n; ++p) ++count[code_in<W, LE>(rom.data, p)];
  return n;
}

} // namespace

CodeFrequencies::CodeFrequencies(const RomView& rom, CodeLayout layout) {
  const std::size_t codes = std::size_t{1} << (8 * layout.width);
  count_.assign(codes, 0);
  const std::size_t n = layout.width == 1               ? count_codes<1, true>(rom, count_.data())
                        : layout.order == ByteOrder::le ? count_codes<2, true>(rom, count_.data())
                                                        : count_codes<2, false>(rom, count_.data());
  total_ = std::max<double>(static_cast<double>(n), 1);
}

double CodeFrequencies::distance(std::uint32_t d) {
  const auto known = distance_.find(d);
  if (known != distance_.end()) return known->second;
  const std::size_t mask = count_.size() - 1;
  double sum = 0;
  for (std::size_t x = 0; x < count_.size(); ++x)
    if (count_[x] != 0)
      sum += static_cast<double>(count_[x]) * static_cast<double>(count_[(x + d) & mask]);
  const double chance = std::max(sum / (total_ * total_), 1 / (total_ * total_));
  distance_.emplace(d, chance);
  return chance;
}

double log_expected_sets(double m, double mu, std::size_t h) {
  const double k = static_cast<double>(h);
  const double per_set = std::max(mu / m, 1e-300);
  const double tail = std::min(0.0, k * std::log10(per_set) - std::lgamma(k + 1) / std::log(10.0));
  return std::log10(m) + tail;
}

} // namespace textdump::code_chances
