#include "core/tables/switch_graph.hpp"

#include <algorithm>
#include <limits>

namespace textdump {

std::vector<bool> reached_from(const SwitchGraph& graph, std::uint32_t start) {
  std::vector<bool> reached(graph.size());
  if (start >= graph.size()) return reached;
  std::vector<std::uint32_t> waiting{start};
  reached[start] = true;
  while (!waiting.empty()) {
    const std::uint32_t t = waiting.back();
    waiting.pop_back();
    for (const std::uint32_t next : graph[t])
      if (!reached[next]) {
        reached[next] = true;
        waiting.push_back(next);
      }
  }
  return reached;
}

// The strongly connected components (Tarjan's, with a stack of its own in
// place of recursion, so a chain of any length keeps the call stack flat): a
// table is on a loop when its component holds another table, or it opens itself.
std::vector<bool> on_a_loop(const SwitchGraph& graph) {
  constexpr std::uint32_t NONE = std::numeric_limits<std::uint32_t>::max();
  const auto count = static_cast<std::uint32_t>(graph.size());
  std::vector<std::uint32_t> index(count, NONE), low(count, 0);
  std::vector<bool> held(count), looped(count);
  std::vector<std::uint32_t> component; // tables of components not yet closed
  struct Visit {
    std::uint32_t table;
    std::size_t edge; // the next of its edges to follow
  };
  std::vector<Visit> path;
  std::uint32_t next_index = 0;
  for (std::uint32_t root = 0; root < count; ++root) {
    if (index[root] != NONE) continue;
    path.push_back({root, 0});
    while (!path.empty()) {
      Visit& visit = path.back();
      const std::uint32_t t = visit.table;
      if (visit.edge == 0 && index[t] == NONE) {
        index[t] = low[t] = next_index++;
        component.push_back(t);
        held[t] = true;
      }
      if (visit.edge < graph[t].size()) {
        const std::uint32_t next = graph[t][visit.edge++];
        if (next == t) looped[t] = true;
        if (index[next] == NONE)
          path.push_back({next, 0});
        else if (held[next])
          low[t] = std::min(low[t], index[next]);
        continue;
      }
      if (low[t] == index[t]) { // t is the first of its component
        const bool loop = component.back() != t;
        for (std::uint32_t member = NONE; member != t; component.pop_back()) {
          member = component.back();
          held[member] = false;
          looped[member] = looped[member] || loop;
        }
      }
      path.pop_back();
      if (!path.empty()) low[path.back().table] = std::min(low[path.back().table], low[t]);
    }
  }
  return looped;
}

} // namespace textdump
