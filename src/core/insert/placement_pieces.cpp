// A plan's blocks cut into pieces at their string ends, and the pieces that
// end with another's bytes.
#include "core/insert/placement_pieces.hpp"

#include <algorithm>

namespace textdump {

std::string_view bytes_of(const InsertPlan& plan, const MovablePiece& piece) {
  const PlanBlock& block = plan.blocks[piece.block];
  return std::string_view(block.bytes).substr(piece.from - block.start, piece.size());
}

MovablePieces pieces_of(const InsertPlan& plan) {
  MovablePieces pieces;
  pieces.of_block.resize(plan.blocks.size());
  pieces.at_end.resize(plan.blocks.size());
  std::vector<std::uint64_t> whole_starts;
  for (const PlanString& s : plan.strings) whole_starts.push_back(s.at);
  std::sort(whole_starts.begin(), whole_starts.end());
  for (std::size_t b = 0; b < plan.blocks.size(); ++b) {
    const PlanBlock& block = plan.blocks[b];
    const std::uint64_t end = block.start + block.bytes.size();
    std::vector<std::uint64_t> cuts = block.ends;
    const auto first = std::lower_bound(whole_starts.begin(), whole_starts.end(), block.start);
    const auto last = std::upper_bound(first, whole_starts.end(), end);
    cuts.insert(cuts.end(), first, last);
    cuts.push_back(end);
    std::sort(cuts.begin(), cuts.end());
    std::uint64_t from = block.start;
    for (const std::uint64_t cut : cuts) {
      if (cut <= from || cut > end) continue;
      const bool whole = std::binary_search(first, last, from);
      pieces.of_block[b].push_back({b, from, cut, {}, whole});
      from = cut;
    }
  }
  for (std::size_t k = 0; k < plan.pointers.size(); ++k) {
    const PlanPointer& p = plan.pointers[k];
    std::vector<MovablePiece>& in = pieces.of_block[p.block];
    const auto at =
        std::upper_bound(in.begin(), in.end(), p.target,
                         [](std::uint64_t t, const MovablePiece& piece) { return t < piece.to; });
    if (at == in.end() || p.target < at->from)
      pieces.at_end[p.block].push_back(k);
    else
      at->pointers.push_back(k);
  }
  return pieces;
}

std::vector<std::optional<std::size_t>> share_hosts(const InsertPlan& plan,
                                                    const std::vector<const MovablePiece*>& pieces,
                                                    const std::vector<bool>& candidate) {
  // Sorted by their bytes read backwards, a piece is followed by those that end with it.
  std::vector<std::size_t> order;
  std::vector<std::string> reversed(pieces.size());
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    if (!candidate[k]) continue;
    const std::string_view bytes = bytes_of(plan, *pieces[k]);
    reversed[k].assign(bytes.rbegin(), bytes.rend());
    order.push_back(k);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return reversed[a] < reversed[b]; });
  std::vector<std::optional<std::size_t>> host(pieces.size());
  for (std::size_t s = order.size(); s-- > 1;) {
    const std::size_t k = order[s - 1], next = order[s];
    if (!reversed[next].starts_with(reversed[k])) continue;
    host[k] = host[next] ? *host[next] : next;
  }
  // Equal pieces that no longer one ends with are kept in their first copy,
  // which the others point at (the stable sort keeps them in script order).
  std::vector<std::optional<std::size_t>> kept_in(pieces.size());
  for (std::size_t s = 0; s < order.size();) {
    std::size_t e = s + 1;
    while (e < order.size() && reversed[order[e]] == reversed[order[s]]) ++e;
    if (e - s > 1 && !host[order[e - 1]]) {
      kept_in[order[e - 1]] = order[s];
      host[order[s]].reset();
      for (std::size_t t = s + 1; t < e; ++t) host[order[t]] = order[s];
    }
    s = e;
  }
  for (std::optional<std::size_t>& h : host)
    if (h && kept_in[*h]) h = kept_in[*h];
  return host;
}

} // namespace textdump
