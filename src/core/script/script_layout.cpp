// The script's layout: where each string ends and how it is held, the pieces
// of the script between those places, the blocks they gather into and the
// room of each block.
#include <algorithm>
#include <iterator>

#include "core/script/script_builder.hpp"

namespace textdump::scripting {

Strings Builder::place_strings(const std::vector<Found>& found, const ByTarget& by_target) {
  Strings strings;
  std::vector<std::uint64_t>& targets = strings.starts;
  targets.reserve(found.size());
  for (const Found& f : found) targets.push_back(f.target);
  std::sort(targets.begin(), targets.end());
  targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

  // Where each string ends, its form, and every place where a piece of the script begins.
  strings.ends.resize(targets.size());
  strings.forms.resize(targets.size());
  strings.bounds.reserve(2 * targets.size());
  strings.bounds = targets;
  const RomLayout layout = layout_of(rom_);
  for (std::size_t s = 0; s < targets.size(); ++s) {
    const std::uint64_t next = s + 1 < targets.size() ? targets[s + 1] : NO_NEXT;
    bool cut = false;
    const auto pointers = by_target.pointers_to(targets[s]);
    // A string ends at the end of the bank its pointers reach, as its block does.
    std::uint64_t stop = next_slot(targets[s]);
    const auto bank = bank_of(request_.ptables[pointers.front()->pointer.table], layout, targets[s]);
    const bool banked = bank && bank->second < stop;
    if (banked) stop = bank->second;
    const std::optional<Form> set = set_length(targets[s], pointers, stop);
    strings.ends[s] = set ? set->text_to : string_end(request_.end, targets[s], next, stop, cut);
    bool whole_cut = false;
    if (banked && !set && strings.ends[s] == stop &&
        string_end(request_.end, targets[s], next, next_slot(targets[s]), whole_cut) > stop)
      script_.warnings.push_back({ReportId::script_string_past_bank,
                                  Severity::warning,
                                  0,
                                  0,
                                  {std::to_string(pointers.front()->pointer.index),
                                   std::to_string(pointers.front()->pointer.table + 1),
                                   at_text(targets[s]), at_text(stop - 1)}});
    strings.forms[s] = set.value_or(Form{});
    if (cut)
      for (const Found* f : by_target.pointers_to(targets[s]))
        script_.warnings.push_back(
            {ReportId::script_string_cut,
             Severity::warning,
             0,
             0,
             {std::to_string(f->pointer.index), std::to_string(f->pointer.table + 1),
              at_text(targets[s]), std::to_string(request_.end.max_length)}});
    strings.bounds.push_back(strings.ends[s]);
  }
  add_range_strings(strings);
  std::sort(strings.bounds.begin(), strings.bounds.end());
  strings.bounds.erase(std::unique(strings.bounds.begin(), strings.bounds.end()),
                       strings.bounds.end());
  settle_pads(strings.forms);
  return strings;
}

// The pieces between bounds, gathered into blocks: a piece of a string joins
// the block before it when it follows it directly, or over padding when it
// shares a pointer table with it; never across a bank its pointers reach.
Blocks Builder::gather_blocks(Strings strings, const ByTarget& by_target) const {
  const RomLayout layout = layout_of(rom_);
  const std::vector<std::uint64_t>& targets = strings.starts;
  Blocks gathered;
  gathered.pieces.reserve(strings.bounds.size());
  std::uint64_t reach = 0; // the furthest end of the strings begun so far
  for (std::size_t b = 0; b + 1 < strings.bounds.size(); ++b) {
    const std::uint64_t from = strings.bounds[b], to = strings.bounds[b + 1];
    const auto here = std::lower_bound(targets.begin(), targets.end(), from);
    Piece& piece = gathered.pieces.emplace_back();
    if (here != targets.end() && *here == from) {
      const auto s = static_cast<std::size_t>(here - targets.begin());
      reach = std::max(reach, strings.ends[s]);
      if (strings.forms[s].kind != Form::Kind::plain && strings.ends[s] == to) {
        gathered.set_forms.push_back(strings.forms[s]);
        piece.form = static_cast<std::uint32_t>(gathered.set_forms.size());
      }
    }
    piece.segment.start = from;
    piece.segment.end = to;
    piece.referenced = reach > from;
    if (piece.referenced) {
      place_piece(gathered, by_target, layout);
      continue;
    }
    const unsigned char first = rom_.data[from];
    piece.padding =
        is_padding_byte(first) && next_slot(from) >= to &&
        std::all_of(rom_.data + from, rom_.data + to, [&](unsigned char c) { return c == first; });
  }
  return gathered;
}

// The last piece, referenced: the block it begins or joins.
void Builder::place_piece(Blocks& gathered, const ByTarget& by_target,
                          const RomLayout& layout) const {
  std::vector<Open>& blocks = gathered.blocks;
  const std::vector<Piece>& pieces = gathered.pieces;
  const std::size_t k = pieces.size() - 1;
  const std::uint64_t from = pieces[k].segment.start;
  const auto pointers = by_target.pointers_to(from);
  if (pointers.empty() && in_place(from)) {
    if (joins_before(from))
      blocks.back().last = k + 1;
    else
      blocks.push_back({k, k + 1, std::nullopt, {}, true});
    return;
  }
  if (pointers.empty()) { // the rest of a string begun before
    blocks.back().last = k + 1;
    return;
  }
  std::vector<std::size_t> tables;
  for (const Found* f : pointers) tables.push_back(f->pointer.table);
  std::sort(tables.begin(), tables.end());
  const auto bank = bank_of(request_.ptables[pointers.front()->pointer.table], layout, from);
  bool joins = !blocks.empty() && !blocks.back().in_place && blocks.back().bank == bank;
  if (joins && blocks.back().last != k) {
    bool shared = false;
    for (const std::size_t t : tables)
      shared =
          shared || std::binary_search(blocks.back().tables.begin(), blocks.back().tables.end(), t);
    bool padding = shared;
    for (std::size_t j = blocks.back().last; j < k && padding; ++j)
      padding = pieces[j].padding && rom_.data[pieces[j].segment.start] ==
                                         rom_.data[pieces[blocks.back().last].segment.start];
    joins = padding;
  }
  if (!joins) blocks.push_back({k, k, bank, {}, false});
  Open& block = blocks.back();
  block.last = k + 1;
  std::vector<std::size_t> merged;
  std::set_union(block.tables.begin(), block.tables.end(), tables.begin(), tables.end(),
                 std::back_inserter(merged));
  block.tables = std::move(merged);
}

// The room of each block: on over the padding after its last string, up to
// a pointer slot, the next block, the end of its bank or of the ROM.
void Builder::set_rooms(const Blocks& gathered) {
  const std::vector<Open>& blocks = gathered.blocks;
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const Open& open = blocks[b];
    ScriptBlock& block = script_.blocks.emplace_back();
    block.start = gathered.pieces[open.first].segment.start;
    block.end = gathered.pieces[open.last - 1].segment.end;
    for (std::size_t k = open.first; k < open.last; ++k)
      if (gathered.pieces[k].padding)
        block.padding += gathered.pieces[k].segment.end - gathered.pieces[k].segment.start;
    std::uint64_t limit = std::min<std::uint64_t>(next_slot(block.end), rom_.size);
    if (b + 1 < blocks.size())
      limit = std::min(limit, gathered.pieces[blocks[b + 1].first].segment.start);
    if (open.bank) limit = std::max(block.end, std::min(limit, open.bank->second));
    block.room = block.end;
    if (!open.in_place && block.room < limit && is_padding_byte(rom_.data[block.room])) {
      const unsigned char value = rom_.data[block.room];
      while (block.room < limit && rom_.data[block.room] == value) ++block.room;
    }
  }
}

} // namespace textdump::scripting
