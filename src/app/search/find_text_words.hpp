// The words --find-text writes of a search: what its progress line says is
// scanned.
#pragma once

#include <string>
#include <vector>

#include "core/search/relative_search.hpp"

namespace textdump {

// "2-byte le codes, gojuon, "Potion"": the layout, the letter system and the
// word scanned for.
std::string progress_text(const TextSearchProgress& progress,
                          const std::vector<LetterSystem>& systems,
                          const std::vector<std::string>& words);

} // namespace textdump
