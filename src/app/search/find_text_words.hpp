// The words --find-text writes of a search: a code layout as its report and
// draft table name it, the letter order a candidate used, what its progress
// line says is scanned, and the draft table's file: a "#" heading of the
// layout, the letter order and each word's hits, a "#" line on the end entry
// it lacks, then each group of core's draft (core/search/draft_table.hpp) as a
// "#" line of its reason above its KEY=TEXT lines. Every word of them comes
// from the catalogue (app/common/messages.hpp, app/common/report_text.hpp).
#pragma once

#include <string>
#include <vector>

#include "core/search/relative_search.hpp"

namespace textdump {

// "1-byte codes", "2-byte le codes".
std::string describe(CodeLayout layout);

// The order of the letters a candidate used: "gojuon order", "iroha order",
// "the order of "FILE"" when a base is of a run of kana or of a user's file;
// "alphabetical order" when they are all of A-Z, a-z and 0-9.
std::string order_used(const TextCandidate& candidate, const LetterSystem& system);

// ", gojuon order" as the report's heading names it; "" for A-Z, a-z and 0-9 alone.
std::string in_order(const TextCandidate& candidate, const LetterSystem& system);

// "2-byte le codes, gojuon, "Potion"": the layout, the letter system and the
// word scanned for.
std::string progress_text(const TextSearchProgress& progress,
                          const std::vector<LetterSystem>& systems,
                          const std::vector<std::string>& words);

// The draft table of a candidate found for the words, lines ending in LF.
std::string draft_table_file(const TextCandidate& candidate, const LetterSystem& system,
                             const std::vector<std::string>& words);

} // namespace textdump
