#include "core/survey/survey.hpp"

#include <algorithm>
#include <memory>

#include "core/decode/decode.hpp"
#include "core/survey/free_space.hpp"
#include "core/survey/text_reading.hpp"

namespace textdump {

namespace {

void add_free_runs(const RomView& rom, std::vector<Span>& spans) {
  for (const FreeRun& run : free_runs(rom, {}))
    spans.push_back({.kind = SpanKind::free, .at = run.at, .end = run.end, .byte = run.byte});
}

bool overlaps(const Span& span, const std::vector<Span>& spans) {
  return std::any_of(spans.begin(), spans.end(),
                     [&](const Span& s) { return s.at < span.end && span.at < s.end; });
}

// Each table that overlaps neither free space nor a better table.
void add_tables(const RomView& rom, const CodeTable& table, const std::vector<Candidate>& tables,
                const std::vector<CodeTable>* file_tables, std::vector<Span>& spans) {
  const std::vector<Span> taken = spans;
  std::vector<Span> added;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const PointerTable& ptable = tables[i].ptable;
    const std::vector<std::uint64_t>& targets = tables[i].targets;
    if (ptable.count == 0 || targets.empty()) continue;
    Span span;
    span.kind = SpanKind::pointers;
    span.at = ptable.at;
    span.end = std::min<std::uint64_t>(end_of(ptable), rom.size);
    span.table = i;
    span.target_at = *std::min_element(targets.begin(), targets.end());
    const std::uint64_t last = *std::max_element(targets.begin(), targets.end());
    span.target_end =
        std::max(string_end_at(rom, table, last, last + FINDER_MAX_STRING, file_tables), last + 1);
    if (overlaps(span, taken) || overlaps(span, added)) continue;
    added.push_back(span);
  }
  spans.insert(spans.end(), added.begin(), added.end());
}

// The text runs between from and limit.
void add_text_runs(const RomView& rom, const CodeTable& table, SwitchWalker* switches,
                   std::uint64_t from, std::uint64_t limit, std::vector<Span>& spans) {
  std::string frames;
  for (std::uint64_t p = from; p < limit;) {
    std::uint64_t pos = p;
    std::size_t keys = 0;
    bool ended = false;
    TextReading reading;
    while (pos < limit) {
      const WalkStep step = step_at(table, rom, pos, limit);
      const Entry& entry = table.entry(step.index);
      if (switches && entry.kind == EntryKind::frames) { // its frames' text keys are the run's
        frames.clear();
        const SwitchWalker::Run run = switches->run(pos, limit, frames);
        reading.add(frames);
        keys += run.read.texts;
        ended = run.read.ended;
        pos = std::min(run.to, limit);
        if (ended) break;
        continue;
      }
      if (entry.kind == EntryKind::text)
        reading.add(entry.rendering);
      else if (is_text_key(entry.kind))
        reading.add_space();
      else if (entry.kind == EntryKind::end)
        ended = true;
      else if (entry.kind != EntryKind::control)
        break;
      if (is_text_key(entry.kind)) ++keys;
      pos = step.next;
      if (ended) break;
    }
    if (keys < MIN_TEXT_KEYS || !reading.reads_as_text()) { // a run that is no text: past it
      p = keys < MIN_TEXT_KEYS ? p + 1 : pos;
      continue;
    }
    spans.push_back({.kind = SpanKind::text, .at = p, .end = pos, .ended = ended});
    p = pos;
  }
}

} // namespace

Survey survey_rom(const RomView& rom, const CodeTable& table, const std::vector<Candidate>& tables,
                  const std::vector<CodeTable>* file_tables) {
  std::unique_ptr<SwitchWalker> switches;
  if (file_tables && has_switches(table))
    switches = std::make_unique<SwitchWalker>(table, *file_tables, rom);
  Survey survey;
  std::vector<Span>& spans = survey.spans;
  add_free_runs(rom, spans);
  add_tables(rom, table, tables, file_tables, spans);
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.at < b.at; });
  const std::vector<Span> taken = spans;
  std::uint64_t from = 0;
  for (const Span& span : taken) {
    add_text_runs(rom, table, switches.get(), from, span.at, spans);
    from = span.end;
  }
  add_text_runs(rom, table, switches.get(), from, rom.size, spans);
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.at < b.at; });
  for (const Span& span : spans) {
    survey.bytes[static_cast<std::size_t>(span.kind)] += span.length();
    ++survey.runs[static_cast<std::size_t>(span.kind)];
  }
  return survey;
}

} // namespace textdump
