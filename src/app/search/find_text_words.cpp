#include "app/search/find_text_words.hpp"

#include <algorithm>
#include <utility>

#include "app/common/report_text.hpp"

namespace textdump {

namespace {

std::string words_of(ReportId id, std::vector<std::string> args = {}) {
  return report_text(Report{id, Severity::note, 0, 0, std::move(args)});
}

} // namespace

std::string describe(CodeLayout layout) {
  if (layout.width == 1) return "1-byte codes";
  return std::string("2-byte ") + (layout.order == ByteOrder::le ? "le" : "be") + " codes";
}

std::string progress_text(const TextSearchProgress& progress,
                          const std::vector<LetterSystem>& systems,
                          const std::vector<std::string>& words) {
  return describe(progress.layout) + ", " + systems[progress.system].name + ", \"" +
         words[progress.word] + "\"";
}

std::string draft_table_file(const TextCandidate& c, const LetterSystem& system,
                             const std::vector<std::string>& words) {
  std::string found;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const auto hits =
        std::count_if(c.hits.begin(), c.hits.end(), [&](const TextHit& h) { return h.word == i; });
    found += (i == 0 ? "" : ", ") +
             (hits == 0   ? words_of(ReportId::draft_word_no_hit, {words[i]})
              : hits == 1 ? words_of(ReportId::draft_word_hit, {words[i]})
                          : words_of(ReportId::draft_word_hits, {words[i], std::to_string(hits)}));
  }
  std::string text = "# " +
                     words_of(ReportId::draft_heading, {describe(c.layout), system.name, found}) +
                     "\n# " + words_of(ReportId::draft_no_end) + "\n";
  for (const DraftGroup& group : draft_groups(c, system, words)) {
    text += "# " + report_text(group.reason) + "\n";
    for (const auto& [key, value] : group.lines) text += key + "=" + value + "\n";
  }
  return text;
}

} // namespace textdump
