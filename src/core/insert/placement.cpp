// Strings moved out of blocks too small for them into free space their
// pointers reach, and strings that equal another's end pointed into it.
#include "core/insert/placement.hpp"

#include <algorithm>
#include <limits>
#include <map>

#include "core/insert/placement_pieces.hpp"

namespace textdump {

namespace {

// The bank a 16-bit pointer of the type keeps its string in.
std::uint64_t bank_bytes(AddressType type) {
  switch (type) {
  case AddressType::linear:
  case AddressType::gb: return 0x4000;
  case AddressType::lorom00:
  case AddressType::lorom80: return 0x8000;
  case AddressType::hirom: return 0x10000;
  }
  return 0x4000;
}

// Whether the pointer, which reached from, reaches to as well.
bool reaches(const PlanPointer& p, std::uint64_t from, std::uint64_t to) {
  if (from == to) return true;
  if (p.format.bits < 16 || to < static_cast<std::uint64_t>(p.format.header)) return false;
  return pointer_reach(p.format, pointer_value(p.format, to), to) == to;
}

// The overflow reports of the blocks that fit now, with the notes on their
// strings, dropped; each block's bytes used as placed.
void settle_reports(FitReport& fit) {
  const InsertPlan& plan = fit.plan;
  std::vector<std::pair<std::size_t, std::size_t>> lines; // a block's lines: from its #JMP on
  for (FitBlock& block : fit.blocks)
    for (const PlanBlock& b : plan.blocks)
      if (!b.moved && b.line == block.line && b.start == block.start) block.used = b.bytes.size();
  for (std::size_t k = 0; k < plan.blocks.size(); ++k)
    if (!plan.blocks[k].moved)
      lines.emplace_back(plan.blocks[k].line,
                         k + 1 < plan.blocks.size() && !plan.blocks[k + 1].moved
                             ? plan.blocks[k + 1].line
                             : std::numeric_limits<std::size_t>::max());
  std::vector<std::pair<std::size_t, std::size_t>> cleared;
  std::erase_if(fit.diagnostics, [&](const Report& d) {
    if (d.id != ReportId::fit_block_overflow) return false;
    for (const auto& span : lines)
      if (span.first == d.line) cleared.push_back(span);
    return true;
  });
  std::erase_if(fit.diagnostics, [&](const Report& d) {
    if (d.id != ReportId::fit_string_cut && d.id != ReportId::fit_string_left_empty &&
        d.id != ReportId::fit_string_grew)
      return false;
    return std::any_of(cleared.begin(), cleared.end(), [&](const auto& span) {
      return d.line > span.first && d.line < span.second;
    });
  });
}

class Placer {
public:
  Placer(InsertPlan& plan, std::vector<FreeRange> free, bool share, const BankOf& bank_of)
      : plan_(plan), free_(outside_plan(free, plan)), share_(share), bank_of_(bank_of),
        pieces_(pieces_of(plan)) {
    std::sort(free_.begin(), free_.end(),
              [](const FreeRange& a, const FreeRange& b) { return a.at < b.at; });
    for (const PlanPointer& p : plan_.pointers) {
      old_targets_.push_back(p.target);
      old_text_at_.push_back(p.text_at);
    }
    for (std::size_t s = 0; s < plan_.strings.size(); ++s)
      string_at_.emplace_back(plan_.strings[s].at, s);
    std::sort(string_at_.begin(), string_at_.end());
  }

  Placement run() {
    const std::size_t blocks = plan_.blocks.size();
    old_ = plan_.blocks;
    strings_ = plan_.strings;
    find_hosts();
    for (std::size_t b = 0; b < blocks; ++b) {
      if (!needs_work(b)) continue;
      rebuild(b);
      placed_.changed = true;
    }
    for (const auto& [k, host] : shares_) share(k, host);
    plan_.strings = std::move(strings_);
    std::sort(placed_.moved.begin(), placed_.moved.end(),
              [](const MovedString& a, const MovedString& b) { return a.from < b.from; });
    for (const FreeRange& r : free_)
      if (r.end > r.at) placed_.left.push_back(r);
    return std::move(placed_);
  }

private:
  bool overflows(std::size_t b) const {
    const PlanBlock& block = old_[b];
    return block.last && block.bytes.size() > *block.last - block.start + 1;
  }

  bool needs_work(std::size_t b) const {
    if (overflows(b)) return !free_.empty() || share_;
    return std::any_of(pieces_.of_block[b].begin(), pieces_.of_block[b].end(),
                       [&](const MovablePiece& p) { return host_of(p).has_value(); });
  }

  // The last piece of a block that no pointer reaches: it and those before it stay.
  std::size_t pinned(std::size_t b) const {
    const std::vector<MovablePiece>& in = pieces_.of_block[b];
    for (std::size_t j = in.size(); j-- > 0;)
      if (in[j].pointers.empty()) return j + 1;
    return 0;
  }

  void find_hosts() {
    if (!share_) return;
    std::vector<const MovablePiece*> all;
    std::vector<bool> candidate;
    for (std::size_t b = 0; b < pieces_.of_block.size(); ++b) {
      const std::size_t fixed = pinned(b);
      for (std::size_t j = 0; j < pieces_.of_block[b].size(); ++j) {
        const MovablePiece& p = pieces_.of_block[b][j];
        all.push_back(&p);
        candidate.push_back(j >= fixed && !p.whole && !p.pointers.empty());
      }
    }
    const std::vector<std::optional<std::size_t>> host = share_hosts(plan_, all, candidate);
    for (std::size_t k = 0; k < all.size(); ++k)
      if (host[k]) hosts_.emplace(all[k], all[*host[k]]);
  }

  std::optional<const MovablePiece*> host_of(const MovablePiece& p) const {
    const auto at = hosts_.find(&p);
    if (at == hosts_.end()) return std::nullopt;
    return at->second;
  }

  // The block's pieces again from its start; those that no longer fit moved.
  // (A move adds a block to the plan: no reference into its blocks is kept.)
  void rebuild(std::size_t b) {
    plan_.blocks[b].bytes.clear();
    plan_.blocks[b].ends.clear();
    plan_.blocks[b].text.clear();
    plan_.blocks[b].end_texts.clear();
    const auto cursor = [&] { return plan_.blocks[b].start + plan_.blocks[b].bytes.size(); };
    const std::uint64_t room_end =
        old_[b].last ? *old_[b].last + 1 : std::numeric_limits<std::uint64_t>::max();
    const std::size_t fixed = pinned(b);
    for (std::size_t j = 0; j < pieces_.of_block[b].size(); ++j) {
      const MovablePiece& p = pieces_.of_block[b][j];
      if (const auto host = j >= fixed ? host_of(p) : std::nullopt)
        shares_.emplace_back(&p, *host);
      else if (j < fixed || cursor() + p.size() <= room_end)
        put(p, b, j < fixed ? p.from : cursor());
      else if (!move_to_free(p))
        fail(p);
    }
    for (const std::size_t k : pieces_.at_end[b]) retarget(plan_.pointers[k], cursor(), b);
  }

  // Writes the piece at at, in block b (which ends where at begins).
  void put(const MovablePiece& p, std::size_t b, std::uint64_t at) {
    PlanBlock& block = plan_.blocks[b];
    const std::string_view bytes = bytes_of_old(p);
    block.bytes.append(at - (block.start + block.bytes.size()), '\0');
    block.bytes += bytes;
    const PlanBlock& old = old_[p.block];
    const auto [text_from, text_to] = text_span(p);
    const std::size_t text_base = block.text.size();
    block.text.append(old.text, text_from, text_to - text_from);
    text_at_.insert_or_assign(&p, text_base);
    const std::vector<std::uint64_t>& ends = old.ends;
    for (auto end = std::upper_bound(ends.begin(), ends.end(), p.from);
         end != ends.end() && *end <= p.to; ++end) {
      block.ends.push_back(*end - p.from + at);
      block.end_texts.push_back(old.end_texts[static_cast<std::size_t>(end - ends.begin())] -
                                text_from + text_base);
    }
    for (const std::size_t k : p.pointers) {
      retarget(plan_.pointers[k], old_targets_[k] - p.from + at, b);
      plan_.pointers[k].text_at = old_text_at_[k] - text_from + text_base;
    }
    for (auto s = std::lower_bound(string_at_.begin(), string_at_.end(),
                                   std::pair{p.from, std::size_t{0}});
         s != string_at_.end() && s->first < p.to; ++s)
      strings_[s->second].at = s->first - p.from + at;
    if (at != p.from) note_move(p, at);
  }

  // Where the piece's text lies in its old block's text: from the end before
  // it (or the block's start) to its own end (or the text's end).
  std::pair<std::size_t, std::size_t> text_span(const MovablePiece& p) const {
    const PlanBlock& old = old_[p.block];
    const auto text_of_end = [&](std::uint64_t at, std::size_t otherwise) {
      const auto end = std::lower_bound(old.ends.begin(), old.ends.end(), at);
      return end != old.ends.end() && *end == at
                 ? old.end_texts[static_cast<std::size_t>(end - old.ends.begin())]
                 : otherwise;
    };
    const std::size_t from = p.from == old.start ? 0 : text_of_end(p.from, 0);
    return {from, std::max(from, text_of_end(p.to, old.text.size()))};
  }

  std::string_view bytes_of_old(const MovablePiece& p) const {
    const PlanBlock& block = old_[p.block];
    return std::string_view(block.bytes).substr(p.from - block.start, p.size());
  }

  std::size_t line_of(const MovablePiece& p) const {
    return p.pointers.empty() ? old_[p.block].line : plan_.pointers[p.pointers[0]].line;
  }

  void note_move(const MovablePiece& p, std::uint64_t to) {
    if (to >= old_[p.block].start && (!old_[p.block].last || to <= *old_[p.block].last))
      return; // still in its block
    placed_.moved.push_back({line_of(p), old_[p.block].line, p.from, to, p.size(), false});
  }

  void retarget(PlanPointer& ptr, std::uint64_t target, std::size_t block) {
    ptr.target = target;
    ptr.value = pointer_value(ptr.format, target);
    ptr.block = block;
  }

  // Whether every pointer of the piece reaches it at at, inside its bank.
  bool all_reach(const MovablePiece& p, std::uint64_t at) const {
    const FreeRange w = window(p);
    if (at < w.at || at > w.end || p.size() > w.end - at) return false;
    return std::all_of(p.pointers.begin(), p.pointers.end(), [&](std::size_t k) {
      return reaches(plan_.pointers[k], old_targets_[k], old_targets_[k] - p.from + at);
    });
  }

  // Where the piece may lie for its 16-bit pointers: the bank they reach.
  FreeRange window(const MovablePiece& p) const {
    FreeRange w{0, std::numeric_limits<std::uint64_t>::max()};
    for (const std::size_t k : p.pointers) {
      const PointerFormat& f = plan_.pointers[k].format;
      if (f.bits < 16) return {0, 0};
      if (f.bits > 16) continue;
      const FreeRange bank = bank_around(f, old_targets_[k]);
      w = {std::max(w.at, bank.at), std::min(w.end, bank.end)};
    }
    return w;
  }

  FreeRange bank_around(const PointerFormat& f, std::uint64_t target) const {
    if (bank_of_)
      if (const std::optional<FreeRange> bank = bank_of_(target)) return *bank;
    const auto header = static_cast<std::uint64_t>(f.header);
    const std::uint64_t bank = bank_bytes(f.type);
    if (target < header) return {0, 0};
    const std::uint64_t first = (target - header) / bank * bank + header;
    return {first, first + bank};
  }

  // The first free range, in address order, with room its pointers reach.
  bool move_to_free(const MovablePiece& p) {
    const FreeRange w = window(p);
    for (std::size_t r = 0; r < free_.size(); ++r) {
      FreeRange& range = free_[r];
      const std::uint64_t at = std::max(range.at, w.at);
      if (at >= std::min(range.end, w.end) || p.size() > std::min(range.end, w.end) - at ||
          !all_reach(p, at))
        continue;
      PlanBlock moved;
      moved.line = old_[p.block].line;
      moved.start = at;
      moved.last = at + p.size() - 1;
      moved.moved = true;
      plan_.blocks.push_back(std::move(moved));
      put(p, plan_.blocks.size() - 1, at);
      const FreeRange before{range.at, at}, after{at + p.size(), range.end};
      free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(r));
      for (const FreeRange& piece : {after, before})
        if (piece.end > piece.at)
          free_.insert(free_.begin() + static_cast<std::ptrdiff_t>(r), piece);
      return true;
    }
    return false;
  }

  // Points the piece's pointers into its host's copy, where they reach it.
  void share(const MovablePiece* p, const MovablePiece* host) {
    const PlanPointer& first = plan_.pointers[host->pointers[0]];
    const std::uint64_t host_at = first.target - (old_targets_[host->pointers[0]] - host->from);
    const std::uint64_t at = host_at + host->size() - p->size();
    // The copy's text read back must be the piece's own: its host's text ends with it.
    const auto [from, to] = text_span(*p);
    const std::string_view text = std::string_view(old_[p->block].text).substr(from, to - from);
    const auto [host_from, host_to] = text_span(*host);
    const auto host_base = text_at_.find(host);
    const std::string_view host_text =
        host_base == text_at_.end()
            ? std::string_view()
            : std::string_view(plan_.blocks[first.block].text)
                  .substr(host_base->second, host_to - host_from);
    if (host_base != text_at_.end() && host_text.ends_with(text) && all_reach(*p, at)) {
      const std::size_t text_at = host_base->second + host_text.size() - text.size();
      for (const std::size_t k : p->pointers) {
        retarget(plan_.pointers[k], old_targets_[k] - p->from + at, first.block);
        plan_.pointers[k].text_at = text_at + (old_text_at_[k] - from);
      }
      placed_.shared_bytes += p->size();
      placed_.moved.push_back({line_of(*p), old_[p->block].line, p->from, at, p->size(), true});
    } else if (!move_to_free(*p)) {
      fail(*p);
    }
  }

  void fail(const MovablePiece& p) {
    placed_.diagnostics.push_back({ReportId::insert_no_free_room,
                                   Severity::error,
                                   line_of(p),
                                   1,
                                   {std::to_string(p.size()), hex_number(p.from)}});
  }

  InsertPlan& plan_;
  std::vector<FreeRange> free_;
  bool share_;
  const BankOf& bank_of_;
  MovablePieces pieces_;
  std::vector<PlanBlock> old_;
  std::vector<PlanString> strings_;
  std::vector<std::uint64_t> old_targets_;                       // of each pointer
  std::vector<std::size_t> old_text_at_;                         // of each pointer
  std::map<const MovablePiece*, std::size_t> text_at_; // where a placed piece's text begins
  std::vector<std::pair<std::uint64_t, std::size_t>> string_at_; // strings by their start
  std::map<const MovablePiece*, const MovablePiece*> hosts_;
  std::vector<std::pair<const MovablePiece*, const MovablePiece*>> shares_;
  Placement placed_;
};

} // namespace

Placement place_strings(FitReport& fit, std::vector<FreeRange> free, bool share,
                        const BankOf& bank_of) {
  if (free.empty() && !share) return {};
  // A line too wide for the text box leaves the plan whole: it is placed all the same,
  // so that the box's error is not joined by an overflow that --free would settle.
  const auto keeps_plan = [](ReportId id) {
    return id == ReportId::fit_block_overflow || id == ReportId::fit_line_over_box ||
           id == ReportId::fit_line_over_box_pixels || id == ReportId::fit_page_over_box;
  };
  if (std::any_of(fit.diagnostics.begin(), fit.diagnostics.end(), [&](const Report& d) {
        return d.severity == Severity::error && !keeps_plan(d.id);
      }))
    return {};
  Placement placed = Placer(fit.plan, std::move(free), share, bank_of).run();
  if (!placed.diagnostics.empty()) return placed;
  settle_reports(fit);
  return placed;
}

} // namespace textdump
