// The chances a relative search's score is made of: how often each code is
// read in a ROM at any offset, and how many base sets would get as many hits
// by chance (core/search/relative_search.hpp says how a score is counted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "core/base/rom_view.hpp"
#include "core/search/search_types.hpp"

namespace textdump::code_chances {

class CodeFrequencies {
public:
  CodeFrequencies(const RomView& rom, CodeLayout layout);
  double offsets() const { return total_; }
  double codes() const { return static_cast<double>(count_.size()); }
  // That a code read anywhere is this one (at least one in the ROM's offsets).
  double of(std::uint32_t code) const {
    return std::max<double>(static_cast<double>(count_[code & (count_.size() - 1)]), 1) / total_;
  }
  // That two codes read anywhere differ by d.
  double distance(std::uint32_t d);

private:
  std::vector<std::uint64_t> count_;
  double total_ = 1;
  std::map<std::uint32_t, double> distance_;
};

// log10 of about how many of m equally likely base sets would get at least h
// hits by chance, when mu hits are expected over all of them.
double log_expected_sets(double m, double mu, std::size_t h);

} // namespace textdump::code_chances
