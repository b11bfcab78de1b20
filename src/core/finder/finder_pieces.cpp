#include <algorithm>
#include <numeric>

#include "core/finder/finder_tables.hpp"

namespace textdump {

namespace {

// Runs that may be pieces of one table: the same kind of pointer, read into
// banks of their own choosing.
bool same_kind(const PointerTable& a, const PointerTable& b) {
  return a.map == b.map && a.size == b.size && a.order == b.order && a.stride == b.stride &&
         a.base == b.base && a.offset == b.offset && !a.length && !b.length;
}

// next may follow piece: into another bank, beginning a whole number of
// entries past piece's first, no later than just after its last.
bool follows(const Candidate& piece, const Candidate& next) {
  const PointerTable &a = piece.ptable, &b = next.ptable;
  return same_kind(a, b) && a.bank != b.bank && next.pascal == 0 && b.at > a.at &&
         (b.at - a.at) % a.stride == 0 && b.at <= a.at + std::uint64_t{a.count} * a.stride;
}

// The piece's entries before at, read again; nothing when fewer than
// min_count remain or they no longer read as a table.
std::optional<Candidate> cut_at(const RomView& rom, const Starts& starts, const RomLayout& layout,
                                const FinderOptions& options, const Candidate& piece,
                                std::uint64_t at) {
  PointerTable ptable = piece.ptable;
  const auto count = static_cast<std::uint32_t>((at - ptable.at) / ptable.stride);
  if (count == ptable.count) return piece;
  if (count < options.min_count) return std::nullopt;
  ptable.count = count;
  std::optional<Candidate> cut = read_table(rom, starts, layout, ptable);
  if (cut) cut->score = piece.score;
  return cut;
}

// The chain of pieces from found[seed], each the best of the unused runs
// that follow the one before (used marks them); the first ones cut where
// the next begins.
std::vector<std::size_t> chain_from(const std::vector<Candidate>& found,
                                    const std::vector<std::size_t>& banked, std::vector<bool>& used,
                                    std::size_t seed) {
  std::vector<std::size_t> chain{seed};
  used[seed] = true;
  // Forwards from the last piece, then backwards from the first.
  for (const bool forwards : {true, false}) {
    for (;;) {
      const Candidate& end = found[forwards ? chain.back() : chain.front()];
      std::optional<std::size_t> best;
      for (const std::size_t j : banked) {
        if (used[j] || !(forwards ? follows(end, found[j]) : follows(found[j], end))) continue;
        if (!best || found[j].score > found[*best].score) best = j;
      }
      if (!best) break;
      used[*best] = true;
      if (forwards)
        chain.push_back(*best);
      else
        chain.insert(chain.begin(), *best);
    }
  }
  return chain;
}

} // namespace

void join_pieces(const RomView& rom, const Starts& starts, const RomLayout& layout,
                 const FinderOptions& options, std::vector<Candidate>& found) {
  std::vector<std::size_t> banked;
  for (std::size_t i = 0; i < found.size(); ++i)
    if (found[i].ptable.bank && found[i].pascal == 0) banked.push_back(i);
  std::stable_sort(banked.begin(), banked.end(),
                   [&](std::size_t a, std::size_t b) { return found[a].score > found[b].score; });
  std::vector<bool> used(found.size(), false), gone(found.size(), false);
  for (const std::size_t seed : banked) {
    if (used[seed]) continue;
    const std::vector<std::size_t> chain = chain_from(found, banked, used, seed);
    if (chain.size() < 2) continue;
    std::vector<Candidate> pieces;
    for (std::size_t k = 0; k < chain.size(); ++k) {
      const Candidate& piece = found[chain[k]];
      std::optional<Candidate> kept =
          k + 1 == chain.size()
              ? std::optional<Candidate>(piece)
              : cut_at(rom, starts, layout, options, piece, found[chain[k + 1]].ptable.at);
      if (!kept) break;
      pieces.push_back(std::move(*kept));
    }
    if (pieces.size() < 2) continue;
    Candidate joined = std::move(pieces.front());
    joined.score = std::accumulate(pieces.begin(), pieces.end(), 0.0,
                                   [](double sum, const Candidate& c) { return sum + c.score; });
    joined.pieces.assign(std::make_move_iterator(pieces.begin() + 1),
                         std::make_move_iterator(pieces.end()));
    for (std::size_t k = 1; k <= joined.pieces.size(); ++k) gone[chain[k]] = true;
    found[chain.front()] = std::move(joined);
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (gone[i]) continue;
    if (kept != i) found[kept] = std::move(found[i]);
    ++kept;
  }
  found.resize(kept);
}

} // namespace textdump
