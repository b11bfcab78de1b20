// The free space --free auto offers: the ROM's free runs, less what the plan writes or reads.
#include "core/insert/placement.hpp"
#include "core/survey/free_space.hpp"

namespace textdump {

std::vector<FreeRange> auto_free_space(const InsertPlan& plan, const RomView& rom,
                                       std::optional<std::uint8_t> fill) {
  FreeSpaceRule rule;
  rule.fill = fill;
  for (const PlanBlock& b : plan.blocks)
    rule.taken.emplace_back(b.start, b.last ? *b.last + 1 : b.start + b.bytes.size());
  for (const PlanPointer& p : plan.pointers)
    rule.taken.emplace_back(p.slot, p.slot + p.format.bits / 8);
  for (const PlanLength& l : plan.lengths) rule.taken.emplace_back(l.at, l.at + l.size);
  std::vector<FreeRange> ranges;
  for (const FreeRun& run : free_runs(rom, rule)) ranges.push_back({run.at, run.end});
  return ranges;
}

} // namespace textdump
