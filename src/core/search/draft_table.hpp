// What a relative search's candidate gives: the lines of a draft standard
// table, and the ROM around a hit read through them.
//
// The draft has every letter of every run the words used at its inferred code,
// then each character of no run that had the same code at every hit (the
// space, punctuation), each group with a report that says how its lines were
// inferred (the file writes it as a "#" comment above them). A character
// whose code varied, or fell on another's, is left out: a group of no lines
// with its reason. A character read as two 1-byte codes is a line of a 2-byte
// key. As a standard table (--std-table) the lines have no end entry, which
// the hits cannot reveal.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/base/base.hpp"
#include "core/search/letter_runs.hpp"
#include "core/search/search_types.hpp"

namespace textdump {

// One group of the draft's lines, and how they were inferred.
struct DraftGroup {
  Report reason; // a draft_ id of core/base/report.hpp (not draft_heading, nor a word's)
  std::vector<std::pair<std::string, std::string>> lines; // each one's key ("8341") and text
};

// In the order of the candidate's runs, then of the characters it saw.
std::vector<DraftGroup> draft_groups(const TextCandidate& candidate, const LetterSystem& system,
                                     const std::vector<std::string>& words);

struct ContextLine {
  std::uint64_t offset = 0;
  std::string text; // a code the draft does not give is "·"
};

// The ROM around a hit read through the draft: lines lines of per_line codes
// each, the hit's line in the middle (as the ROM allows); a character of two
// codes where both are its.
std::vector<ContextLine> context_of(const RomView& rom, const TextCandidate& candidate,
                                    const LetterSystem& system, std::uint64_t at,
                                    std::size_t lines, std::size_t per_line);

} // namespace textdump
