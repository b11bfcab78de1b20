// The free space --free offers: the ranges given or the ROM's free runs,
// less what the plan writes or reads.
#include "core/insert/placement.hpp"

#include <algorithm>

#include "core/survey/free_space.hpp"

namespace textdump {

std::vector<std::pair<std::uint64_t, std::uint64_t>> plan_spans(const InsertPlan& plan) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> taken;
  for (const PlanBlock& b : plan.blocks)
    if (!b.moved) taken.emplace_back(b.start, b.last ? *b.last + 1 : b.start + b.bytes.size());
  for (const PlanPointer& p : plan.pointers) taken.emplace_back(p.slot, p.slot + p.format.bits / 8);
  for (const PlanLength& l : plan.lengths) taken.emplace_back(l.at, l.at + l.size);
  std::sort(taken.begin(), taken.end());
  return taken;
}

std::vector<FreeRange> auto_free_space(const InsertPlan& plan, const RomView& rom,
                                       std::optional<std::uint8_t> fill) {
  FreeSpaceRule rule;
  rule.fill = fill;
  rule.taken = plan_spans(plan);
  std::vector<FreeRange> ranges;
  for (const FreeRun& run : free_runs(rom, rule)) ranges.push_back({run.at, run.end});
  return ranges;
}

std::vector<FreeRange> outside_plan(const std::vector<FreeRange>& free, const InsertPlan& plan) {
  const std::vector<std::pair<std::uint64_t, std::uint64_t>> taken = plan_spans(plan);
  std::vector<FreeRange> left;
  for (const FreeRange& r : free) {
    std::uint64_t at = r.at;
    for (const auto& [from, to] : taken) {
      if (to <= at || from >= r.end) continue;
      if (from > at) left.push_back({at, from});
      at = std::max(at, to);
    }
    if (at < r.end) left.push_back({at, r.end});
  }
  return left;
}

} // namespace textdump
