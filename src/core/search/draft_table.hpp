// What a relative search's candidate gives: a draft standard table, and the
// ROM around a hit read through it.
//
// The draft has every letter of every run the words used at its inferred code,
// then each character of no run that had the same code at every hit (the
// space, punctuation), each group after a "#" comment saying how its lines
// were inferred. A character whose code varied, or fell on another's, is
// left out with a comment. The lines load as a standard table (--std-table);
// there is no end entry, which the hits cannot reveal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/search/letter_runs.hpp"
#include "core/search/relative_search.hpp"
#include "core/base/rom_view.hpp"

namespace textdump {

std::string draft_table(const TextCandidate& candidate, const LetterSystem& system,
                        const std::vector<std::string>& words);

struct ContextLine {
  std::uint64_t offset = 0;
  std::string text; // a code the draft does not give is "·"
};

// lines lines of per_line codes each, the hit's line in the middle (as the ROM allows).
std::vector<ContextLine> context_of(const RomView& rom, const TextCandidate& candidate,
                                    const LetterSystem& system, std::uint64_t at,
                                    std::size_t lines, std::size_t per_line);

} // namespace textdump
