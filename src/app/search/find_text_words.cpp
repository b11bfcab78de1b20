#include "app/search/find_text_words.hpp"

namespace textdump {

std::string progress_text(const TextSearchProgress& progress,
                          const std::vector<LetterSystem>& systems,
                          const std::vector<std::string>& words) {
  return describe(progress.layout) + ", " + systems[progress.system].name + ", \"" +
         words[progress.word] + "\"";
}

} // namespace textdump
