#include "core/script/script.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <span>
#include <unordered_map>

#include "core/base/fields.hpp"
#include "core/maps/map_address.hpp"
#include "core/base/numbers.hpp"
#include "core/script/script_builder.hpp"
#include "core/base/warning_summary.hpp"

namespace textdump {

namespace scripting {

namespace {

// A number as the inserter reads it: "$" and upper-case hex, "$-" when negative.
std::string atlas_number(std::int64_t value) {
  return value < 0 ? "$-" + hex_number(static_cast<std::uint64_t>(-value))
                   : "$" + hex_number(static_cast<std::uint64_t>(value));
}

// A variable name the inserter accepts: "Ptr" and letters, never a K.
std::string pointer_name(std::size_t n) {
  static constexpr char LETTERS[] = "ABCDEFGHIJLMNOPQRSTUVWXYZ";
  constexpr std::size_t count = sizeof LETTERS - 1;
  std::string letters;
  do {
    letters.insert(letters.begin(), LETTERS[n % count]);
    n /= count;
  } while (n-- > 0);
  return "Ptr" + letters;
}

} // namespace

Script Builder::build() {
  const RomLayout layout = layout_of(rom_);
  start_switches();
  make_claims();
  // Every pointer slot, and every pointer and the string it points at.
  // Vectors whose size is known are reserved: one that grew would leave the
  // memory it outgrew behind it, unused, for the rest of the run.
  std::vector<std::vector<PointerRead>> reads;
  std::size_t pointer_count = 0;
  for (const PointerTable& ptable : request_.ptables)
    pointer_count += std::size_t{ptable.count} * (ptable.length ? 2 : 1);
  slots_.reserve(pointer_count);
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    reads.push_back(read_pointers(request_.ptables[t], rom_));
    const PointerTable& ptable = request_.ptables[t];
    for (const PointerRead& read : reads.back()) {
      if (read.inside) slots_.push_back({read.slot, ptable.size, static_cast<std::uint32_t>(t)});
      if (read.length) {
        const std::uint64_t at = read.slot - ptable.offset + ptable.length->at;
        slots_.push_back({at, ptable.length->size, static_cast<std::uint32_t>(t)});
      }
    }
  }
  std::sort(slots_.begin(), slots_.end(),
            [](const Slot& a, const Slot& b) { return a.from < b.from; });
  std::vector<Found> found;
  found.reserve(pointer_count);
  std::size_t number = 0;
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    const PointerTable& ptable = request_.ptables[t];
    for (const PointerRead& read : reads[t]) {
      // Which pointer, then its value: the arguments of each warning.
      std::vector<std::string> which = {std::to_string(number++), std::to_string(t + 1),
                                        std::to_string(read.index), at_text(read.slot)};
      const auto warn = [&](ReportId id) {
        if (id != ReportId::script_pointer_outside) which.push_back(hex_number(read.value));
        script_.warnings.push_back({id, Severity::warning, 0, 0, std::move(which)});
      };
      if (!read.inside)
        warn(ReportId::script_pointer_outside);
      else if (ptable.null && read.value == *ptable.null)
        warn(ReportId::script_pointer_null);
      else if (!read.target)
        warn(ReportId::script_target_outside);
      else if (next_slot(*read.target) == *read.target)
        warn(ReportId::script_target_in_table);
      else
        found.push_back({{static_cast<std::uint32_t>(t), read.index, read.slot, read.value},
                         *read.target,
                         read.length,
                         ptable.length ? read.slot - ptable.offset + ptable.length->at : 0});
    }
  }
  reads = {};
  const ByTarget by_target(found);
  std::vector<std::uint64_t> targets;
  targets.reserve(found.size());
  for (const Found& f : found) targets.push_back(f.target);
  std::sort(targets.begin(), targets.end());
  targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

  // Where each string ends, its form, and every place where a piece of the script begins.
  std::vector<std::uint64_t> ends(targets.size());
  std::vector<Form> forms(targets.size());
  std::vector<std::uint64_t> bounds;
  bounds.reserve(2 * targets.size());
  bounds = targets;
  for (std::size_t s = 0; s < targets.size(); ++s) {
    const std::uint64_t next = s + 1 < targets.size() ? targets[s + 1] : NO_NEXT;
    bool cut = false;
    const std::optional<Form> set =
        set_length(targets[s], by_target.pointers_to(targets[s]), next_slot(targets[s]));
    ends[s] = set ? set->text_to : string_end(targets[s], next, next_slot(targets[s]), cut);
    forms[s] = set.value_or(Form{});
    if (cut)
      for (const Found* f : by_target.pointers_to(targets[s]))
        script_.warnings.push_back({ReportId::script_string_cut, Severity::warning, 0, 0,
                                    {std::to_string(f->pointer.index),
                                     std::to_string(f->pointer.table + 1), at_text(targets[s]),
                                     std::to_string(request_.end.max_length)}});
    bounds.push_back(ends[s]);
  }
  if (request_.range) { // the range's strings join the pointed-to ones, in address order
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    for (std::size_t s = 0; s < targets.size(); ++s) spans.emplace_back(targets[s], ends[s]);
    const auto strings = range_strings(spans);
    for (const auto& [start, end] : strings) {
      in_place_.push_back(start);
      bounds.push_back(start);
      bounds.push_back(end);
    }
    // Each string keeps its form; the range's are plain.
    std::vector<std::size_t> order(spans.size() + strings.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    spans.insert(spans.end(), strings.begin(), strings.end());
    forms.resize(spans.size());
    std::sort(order.begin(), order.end(),
              [&](std::size_t x, std::size_t y) { return spans[x] < spans[y]; });
    std::vector<Form> sorted_forms;
    targets.clear();
    ends.clear();
    for (const std::size_t i : order) {
      targets.push_back(spans[i].first);
      ends.push_back(spans[i].second);
      sorted_forms.push_back(std::move(forms[i]));
    }
    forms = std::move(sorted_forms);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  settle_pads(forms);

  // The pointers of each table, grouped by what the inserter subtracts.
  std::map<std::pair<std::size_t, std::int64_t>, std::string> names;
  std::string declarations;
  for (const Found& f : found) {
    const std::int64_t offsetting =
        static_cast<std::int64_t>(f.target) - static_cast<std::int64_t>(f.pointer.value);
    auto [it, fresh] = names.try_emplace({f.pointer.table, offsetting}, "");
    if (!fresh) continue;
    it->second = pointer_name(names.size() - 1);
    declarations += "#VAR(" + it->second + ", CUSTOMPOINTER)\r\n#CREATEPTR(" + it->second +
                    ", \"LINEAR\", " + atlas_number(offsetting) + ", " +
                    std::to_string(8 * request_.ptables[f.pointer.table].size) + ")\r\n";
  }

  // The pieces between bounds, gathered into blocks: a piece of a string joins
  // the block before it when it follows it directly, or over padding when it
  // shares a pointer table with it; never across a bank its pointers reach.
  struct Piece {
    struct {
      std::uint64_t start = 0, end = 0;
    } segment; // a string of the script once it is written
    // Plain (0) unless it is a whole string of set length: set_forms[form - 1].
    std::uint32_t form = 0;
    bool referenced = true;
    bool padding = false;
  };
  std::vector<Form> set_forms;
  const auto form_of = [&](const Piece& piece) {
    if (piece.form != 0) return set_forms[piece.form - 1];
    Form plain;
    plain.text_from = piece.segment.start;
    plain.text_to = piece.segment.end;
    return plain;
  };
  struct Open {
    std::size_t first = 0, last = 0; // pieces [first, last)
    std::optional<std::pair<std::uint64_t, std::uint64_t>> bank;
    std::vector<std::size_t> tables;
    bool in_place = false; // a string of the range: its room is its own bytes
  };
  std::vector<Piece> pieces;
  pieces.reserve(bounds.size());
  std::vector<Open> blocks;
  std::uint64_t reach = 0; // the furthest end of the strings begun so far
  for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
    const std::uint64_t from = bounds[b], to = bounds[b + 1];
    const auto here = std::lower_bound(targets.begin(), targets.end(), from);
    Piece& piece = pieces.emplace_back();
    if (here != targets.end() && *here == from) {
      const auto s = static_cast<std::size_t>(here - targets.begin());
      reach = std::max(reach, ends[s]);
      if (forms[s].kind != Form::Kind::plain && ends[s] == to) {
        set_forms.push_back(forms[s]);
        piece.form = static_cast<std::uint32_t>(set_forms.size());
      }
    }
    piece.segment.start = from;
    piece.segment.end = to;
    piece.referenced = reach > from;
    if (!piece.referenced) {
      const unsigned char first = rom_.data[from];
      piece.padding = is_padding_byte(first) && next_slot(from) >= to &&
                      std::all_of(rom_.data + from, rom_.data + to,
                                  [&](unsigned char c) { return c == first; });
      continue;
    }
    const std::size_t k = pieces.size() - 1;
    const auto pointers = by_target.pointers_to(from);
    if (pointers.empty() && in_place(from)) {
      blocks.push_back({k, k + 1, std::nullopt, {}, true});
      continue;
    }
    if (pointers.empty()) { // the rest of a string begun before
      blocks.back().last = k + 1;
      continue;
    }
    std::vector<std::size_t> tables;
    for (const Found* f : pointers) tables.push_back(f->pointer.table);
    std::sort(tables.begin(), tables.end());
    const auto bank = bank_of(request_.ptables[pointers.front()->pointer.table], layout, from);
    bool joins = !blocks.empty() && !blocks.back().in_place && blocks.back().bank == bank;
    if (joins && blocks.back().last != k) {
      bool shared = false;
      for (const std::size_t t : tables)
        shared = shared ||
                 std::binary_search(blocks.back().tables.begin(), blocks.back().tables.end(), t);
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

  // What is held from here on is what the script needs: the rest goes.
  targets = {};
  ends = {};
  forms = {};
  bounds = {};

  // The room of each block: on over the padding after its last string, up to
  // a pointer slot, the next block, the end of its bank or of the ROM.
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const Open& open = blocks[b];
    ScriptBlock& block = script_.blocks.emplace_back();
    block.start = pieces[open.first].segment.start;
    block.end = pieces[open.last - 1].segment.end;
    std::uint64_t limit = std::min<std::uint64_t>(next_slot(block.end), rom_.size);
    if (b + 1 < blocks.size()) limit = std::min(limit, pieces[blocks[b + 1].first].segment.start);
    if (open.bank) limit = std::max(block.end, std::min(limit, open.bank->second));
    block.room = block.end;
    if (!open.in_place && block.room < limit && is_padding_byte(rom_.data[block.room])) {
      const unsigned char value = rom_.data[block.room];
      while (block.room < limit && rom_.data[block.room] == value) ++block.room;
    }
  }

  // The insertion table takes the texts of the keys of the blocks in address
  // order, so the first key to use a text owns it. The pieces are decoded
  // again, a run at a time, when the script is written: a run's items are all
  // that is held at once.
  std::vector<Item> run;
  for (const Open& open : blocks)
    for (std::size_t k = open.first; k < open.last; ++k) {
      run.clear();
      const Form form = form_of(pieces[k]);
      decode(form.text_from, form.text_to, run);
      for (Item& item : run) {
        if (ends_no_string(form, item)) make_raw(item);
        if (const Claim* c = claim_of(item)) claim(*c);
      }
    }
  // Whether each entry's claim stands: the first key to use its text owns it.
  std::vector<bool> owned(entry_claims_.size());
  for (std::size_t e = 0; e < owned.size(); ++e)
    owned[e] = entry_claims_[e] && owns(*entry_claims_[e]);

  std::size_t in_blocks = 0;
  for (const Open& open : blocks) in_blocks += open.last - open.first;
  script_.strings.reserve(in_blocks);
  script_.pointers.reserve(found.size());
  ChunkedText body;
  std::size_t string_number = 0;
  Runs runs;
  runs.runs.reserve(in_blocks);
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const ScriptBlock& block = script_.blocks[b];
    body += "\r\n// BLOCK " + std::to_string(b + 1) + ": " + span_text(block.start, block.room - 1) +
            ", " + std::to_string(block.room - block.start) +
            " bytes of room, " + std::to_string(block.end - block.start) +
            " used\r\n#JMP($" + hex_number(block.start) + ", $" +
            hex_number(block.room - 1) + ")\r\n";
    // Text lines with no command between them join when inserted: each run of
    // pieces up to the next #WRITE is proven as one.
    for (std::size_t first = blocks[b].first; first < blocks[b].last;) {
      // A string of set length is a run of its own, and so is text after it.
      std::size_t last = first + 1;
      while (last < blocks[b].last && by_target.pointers_to(pieces[last].segment.start).empty() &&
             pieces[first].form == 0 && pieces[last].form == 0)
        ++last;
      const std::uint64_t from = form_of(pieces[first]).text_from,
                          to = form_of(pieces[last - 1]).text_to;
      run.clear();
      run.reserve(static_cast<std::size_t>(to - from)); // at most an item a byte
      std::vector<std::size_t> starts;                  // where each piece's items begin in the run
      for (std::size_t k = first; k < last; ++k) {
        starts.push_back(run.size());
        const Form form = form_of(pieces[k]);
        decode(form.text_from, form.text_to, run);
        run[starts.back()].line_start = true;
        for (std::size_t i = starts.back(); i < run.size(); ++i)
          if (!owned[run[i].claim] || ends_no_string(form, run[i])) make_raw(run[i]);
      }
      starts.push_back(run.size());
      settle(run, from, to);
      const std::size_t begin = runs.text.size();
      for (const Item& item : run) append_text(runs.text, item);
      const std::string_view joined = std::string_view(runs.text).substr(begin);
      const std::optional<std::string> bytes = encoder_.encode(joined);
      const std::string_view original(reinterpret_cast<const char*>(rom_.data + from),
                                      static_cast<std::size_t>(to - from));
      if (!bytes || *bytes != original)
        script_.errors.push_back({ReportId::script_bytes_not_back, Severity::error, 0, 0,
                                  {span_text(from, to - 1)}});
      for (std::size_t k = first; k < last; ++k) {
        ScriptString& segment = script_.strings.emplace_back();
        segment.start = pieces[k].segment.start;
        segment.end = pieces[k].segment.end;
        segment.referenced = pieces[k].referenced;
        write_segment(segment, form_of(pieces[k]),
                      {run.data() + starts[k - first], run.data() + starts[k - first + 1]},
                      by_target, names, string_number, body);
      }
      runs.runs.push_back({runs.text.size(), from, to});
      first = last;
    }
    if (b + 1 < blocks.size()) {
      const std::string alone = left_alone(block.room, script_.blocks[b + 1].start);
      if (!alone.empty()) body += "\r\n" + alone;
    }
  }
  pieces = {};
  const std::vector<Report> left_out = complete_table(runs);
  runs = {};

  // The header, the table and pointer declarations, then the blocks.
  std::string out;
  for (const std::string& line : request_.header) out += "// " + line + "\r\n";
  for (const std::string& argument : request_.pointer_arguments)
    out += "// Pointers: " + argument + "\r\n";
  if (request_.range)
    out += "// Range: " + span_text(request_.range->first, request_.range->second - 1) +
           ", its strings that no pointer reaches written in place\r\n";
  out += "// End: " + request_.end_text + " (at most " + std::to_string(request_.end.max_length) +
         " bytes a string)\r\n";
  if (!script_.blocks.empty())
    out += "// Each #JMP bounds its block: the inserter writes nothing past its end.\r\n";
  for (std::size_t b = 0; b < script_.blocks.size(); ++b) {
    const ScriptBlock& block = script_.blocks[b];
    out += "// Block " + std::to_string(b + 1) + ": " + span_text(block.start, block.room - 1) +
           ", " + std::to_string(block.room - block.start) +
           " bytes of room, " + std::to_string(block.end - block.start) + " used\r\n";
  }
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    const auto first = std::find_if(slots_.begin(), slots_.end(),
                                    [&](const Slot& slot) { return slot.table == t; });
    const auto last = std::find_if(slots_.rbegin(), slots_.rend(),
                                   [&](const Slot& slot) { return slot.table == t; });
    if (first != slots_.end())
      out += "// Pointer table " + std::to_string(t + 1) + ": " +
             span_text(first->from, last->to() - 1) + ", outside every block\r\n";
  }
  for (const std::string& line : summarise_warnings(script_.warnings, request_.words))
    out += "// " + line + "\r\n";
  for (const Report& note : left_out) out += "// " + request_.words(note) + "\r\n";
  out += "\r\n#VAR(Table, TABLE)\r\n#ADDTBL(\"" + request_.insertion_table_name +
         "\", Table)\r\n#ACTIVETBL(Table)\r\n" + declarations;
  body.prepend(std::move(out));
  script_.script = std::move(body);

  std::sort(claims_.begin(), claims_.end(),
            [](const Claim& a, const Claim& b) { return a.key < b.key; });
  for (const Claim& claim : claims_) {
    script_.insertion_table += (claim.marker != 0 ? std::string(1, claim.marker) : "") +
                               hex_bytes(claim.key) + "=" + claim.text + "\r\n";
  }
  return std::move(script_);
}

} // namespace scripting

Script build_script(const ScriptRequest& request) {
  return scripting::Builder(request).build();
}

} // namespace textdump
