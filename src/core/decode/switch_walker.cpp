#include "core/decode/switch_walker.hpp"

#include <algorithm>

namespace textdump {

SwitchWalker::SwitchWalker(const CodeTable& table, const std::vector<CodeTable>& tables,
                           RomView rom)
    : out_(sink_), decoder_(table, rom, out_) {
  decoder_.use_tables(&tables);
}

SwitchWalker::Run SwitchWalker::run(std::uint64_t pos, std::uint64_t limit, std::string& text) {
  decoder_.seek(pos);
  Run run;
  run.read = decoder_.run_switch(limit);
  run.to = decoder_.position();
  out_.flush();
  text = std::move(sink_.bytes);
  sink_.bytes.clear();
  return run;
}

SwitchWalker::Run SwitchWalker::run(std::uint64_t pos, std::uint64_t limit) {
  std::string text;
  return run(pos, limit, text);
}

Walk walk_to_end(const CodeTable& table, const RomView& rom, std::uint64_t from,
                 std::uint64_t limit, SwitchWalker* switches) {
  if (!switches) return walk_to_end(table, rom, from, limit);
  for (std::uint64_t pos = from; pos < limit;) {
    const WalkStep step = step_at(table, rom, pos, limit);
    const EntryKind kind = table.entry(step.index).kind;
    if (kind == EntryKind::end) return {WalkEnd::end_entry, step.next};
    if (kind != EntryKind::frames) {
      pos = step.next;
      continue;
    }
    const SwitchWalker::Run run = switches->run(pos, limit);
    pos = std::min(run.to, limit);
    if (run.read.ended) return {WalkEnd::end_entry, pos};
  }
  return {WalkEnd::limit, limit};
}

} // namespace textdump
