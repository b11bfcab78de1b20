#include "app/search/find_text_words.hpp"

#include <algorithm>
#include <utility>

#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"

namespace textdump {

namespace {

std::string words_of(ReportId id, std::vector<std::string> args = {}) {
  return report_text(Report{id, Severity::note, 0, 0, std::move(args)});
}

// Whether a base of the candidate is of a run other than A-Z, a-z and 0-9.
bool beyond_latin(const TextCandidate& c, const LetterSystem& system) {
  return std::any_of(c.bases.begin(), c.bases.end(), [&](const RunBase& rb) {
    const std::string& run = system.runs[rb.run].name;
    return run != "A-Z" && run != "a-z" && run != "0-9";
  });
}

} // namespace

std::string describe(CodeLayout layout) {
  if (layout.width == 1) return text_of(MessageId::layout_one_byte);
  return message_text({MessageId::layout_two_bytes, {layout.order == ByteOrder::le ? "le" : "be"}});
}

std::string order_used(const TextCandidate& c, const LetterSystem& system) {
  if (!beyond_latin(c, system)) return text_of(MessageId::order_alphabetical);
  return message_text(
      {system.file ? MessageId::order_of_file : MessageId::order_named, {system.name}});
}

std::string in_order(const TextCandidate& c, const LetterSystem& system) {
  if (!beyond_latin(c, system)) return "";
  return message_text({MessageId::text_kana_order, {order_used(c, system)}});
}

std::string progress_text(const TextSearchProgress& progress,
                          const std::vector<LetterSystem>& systems,
                          const std::vector<std::string>& words) {
  return message_text(
      {MessageId::progress_text_scan,
       {describe(progress.layout), systems[progress.system].name, words[progress.word]}});
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
  std::string text =
      "# " + words_of(ReportId::draft_heading, {describe(c.layout), order_used(c, system), found}) +
      "\n# " + words_of(ReportId::draft_no_end) + "\n";
  for (const DraftGroup& group : draft_groups(c, system, words)) {
    text += "# " + report_text(group.reason) + "\n";
    for (const auto& [key, value] : group.lines) text += key + "=" + value + "\n";
  }
  return text;
}

} // namespace textdump
