// The script's runs of text as they are written: the claims each key makes on
// the insertion table, the blocks with their strings, each run of pieces
// proven to encode back to its bytes, and the table completed with every
// text entry that leaves those proofs standing.
#include <algorithm>
#include <iterator>

#include "core/base/base.hpp"
#include "core/script/script_builder.hpp"

namespace textdump::scripting {

// The insertion table takes the texts of the keys of the blocks in address
// order, so the first key to use a text owns it. The pieces are decoded
// again, a run at a time, when the script is written: a run's items are all
// that is held at once.
std::vector<bool> Builder::claim_texts(const Blocks& gathered) {
  std::vector<Item> items;
  for (const Open& open : gathered.blocks)
    for (std::size_t k = open.first; k < open.last; ++k) {
      items.clear();
      const Form form = gathered.form_of(gathered.pieces[k]);
      decode(form.text_from, form.text_to, items);
      for (Item& item : items) {
        if (ends_no_string(form, item)) make_raw(item);
        if (const Claim* c = claim_of(item)) claim(*c);
      }
    }
  // Whether each entry's claim stands: the first key to use its text owns it.
  std::vector<bool> owned(entry_claims_.size());
  for (std::size_t e = 0; e < owned.size(); ++e)
    owned[e] = entry_claims_[e] && owns(*entry_claims_[e]);
  return owned;
}

// Padding between strings is room: "N used, P of padding" (the used bytes last
// when there is none, as the fitter reads them).
std::string Builder::block_text(const ScriptBlock& block) const {
  return span_text(block.start, block.room - 1) + ", " + std::to_string(block.room - block.start) +
         " bytes of room, " + std::to_string(block.end - block.start - block.padding) + " used" +
         (block.padding == 0 ? "" : ", " + std::to_string(block.padding) + " of padding");
}

void Builder::write_block(std::size_t b, Writing& writing) {
  const ScriptBlock& block = script_.blocks[b];
  const Open& open = writing.gathered.blocks[b];
  const std::vector<Piece>& pieces = writing.gathered.pieces;
  writing.body += "\r\n// BLOCK " + std::to_string(b + 1) + ": " + block_text(block) +
                  "\r\n#JMP($" + hex_number(block.start) + ", $" + hex_number(block.room - 1) +
                  ")\r\n";
  // Text lines with no command between them join when inserted: each run of
  // pieces up to the next #WRITE is proven as one.
  for (std::size_t first = open.first; first < open.last;) {
    // A string of set length is a run of its own, and so is text after it.
    std::size_t last = first + 1;
    while (last < open.last && writing.by_target.pointers_to(pieces[last].segment.start).empty() &&
           pieces[first].form == 0 && pieces[last].form == 0)
      ++last;
    write_run(first, last, writing);
    first = last;
  }
  if (b + 1 < script_.blocks.size()) {
    const std::string alone = left_alone(block.room, script_.blocks[b + 1].start);
    if (!alone.empty()) writing.body += "\r\n" + alone;
  } else {
    // The inserter counts an overflow when the script ends with its position at
    // the bound of the last #JMP, as after a block that is exactly full: a
    // #JMP without a bound, that nothing follows, closes the last block.
    writing.body += "\r\n// END OF THE BLOCKS: NOTHING FOLLOWS THE #JMP BELOW, WHICH LIFTS THE LAST "
                    "BOUND\r\n#JMP($" +
                    hex_number(block.room) + ")\r\n";
  }
}

// Pieces [first, last) as one run: their items settled, proven, and written.
void Builder::write_run(std::size_t first, std::size_t last, Writing& writing) {
  const Blocks& gathered = writing.gathered;
  std::vector<Item>& run = writing.items;
  Runs& runs = writing.runs;
  const std::uint64_t from = gathered.form_of(gathered.pieces[first]).text_from,
                      to = gathered.form_of(gathered.pieces[last - 1]).text_to;
  run.clear();
  run.reserve(static_cast<std::size_t>(to - from)); // at most an item a byte
  std::vector<std::size_t> starts;                  // where each piece's items begin in the run
  for (std::size_t k = first; k < last; ++k) {
    starts.push_back(run.size());
    const Form form = gathered.form_of(gathered.pieces[k]);
    decode(form.text_from, form.text_to, run);
    run[starts.back()].line_start = true;
    for (std::size_t i = starts.back(); i < run.size(); ++i)
      if (!writing.owned[run[i].claim] || ends_no_string(form, run[i])) make_raw(run[i]);
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
    script_.errors.push_back(
        {ReportId::script_bytes_not_back, Severity::error, 0, 0, {span_text(from, to - 1)}});
  for (std::size_t k = first; k < last; ++k) {
    const Piece& piece = gathered.pieces[k];
    ScriptString& segment = script_.strings.emplace_back();
    segment.start = piece.segment.start;
    segment.end = piece.segment.end;
    segment.referenced = piece.referenced;
    segment.padding = piece.padding;
    write_segment(segment, gathered.form_of(piece),
                  {run.data() + starts[k - first], run.data() + starts[k - first + 1]},
                  writing.by_target, writing.names, writing.string_number, writing.body);
  }
  runs.runs.push_back({runs.text.size(), from, to});
}

std::vector<Report> Builder::complete_table(const Runs& runs) {
  std::vector<Report> left_out;
  const bool standard = table_.format() == TableFormat::standard;
  for (const auto& keyed : table_.keys()) {
    const auto& key = keyed.first; // a variable, not a binding: the lambda below takes it
    const Entry& entry = table_.entry(keyed.second);
    if (entry.kind != EntryKind::text) continue;
    const std::string text =
        standard ? std::string(without_line_breaks(entry.label)) : entry.rendering;
    if (text.empty()) continue;
    const auto why = [&](ReportId id, std::vector<std::string> more = {}) {
      std::vector<std::string> args{hex_bytes(key),
                                    has_control_characters(text) ? std::string("...") : text};
      args.insert(args.end(), more.begin(), more.end());
      left_out.push_back({id, Severity::note, 0, 0, std::move(args)});
    };
    if (const auto owner = claimed_.find(text); owner != claimed_.end()) {
      if (owner->second == key) continue;
      why(ReportId::script_text_owned, {hex_bytes(owner->second)});
      continue;
    }
    if (has_control_characters(text) || text.find("\\r") != std::string::npos) {
      why(ReportId::script_text_control);
      continue;
    }
    if (text.size() == 5 && raw_form_at(text, 0)) {
      why(ReportId::script_text_raw_form);
      continue;
    }
    if (text.size() > ATLAS_LONGEST_TEXT) {
      why(ReportId::script_text_too_long, {std::to_string(ATLAS_LONGEST_TEXT)});
      continue;
    }
    encoder_.add(text, key);
    // Only a run that holds the text can read otherwise with it.
    bool changes = false;
    for (std::size_t at = runs.text.find(text); at != std::string::npos && !changes;) {
      const auto run =
          std::upper_bound(runs.runs.begin(), runs.runs.end(), at,
                           [](std::size_t a, const Runs::Run& r) { return a < r.end; });
      if (at + text.size() > run->end) { // across two runs
        at = runs.text.find(text, at + 1);
        continue;
      }
      const std::size_t begin = run == runs.runs.begin() ? 0 : std::prev(run)->end;
      const std::optional<std::string> bytes =
          encoder_.encode(std::string_view(runs.text).substr(begin, run->end - begin));
      changes = bytes != std::string_view(reinterpret_cast<const char*>(rom_.data + run->from),
                                          static_cast<std::size_t>(run->to - run->from));
      at = runs.text.find(text, run->end);
    }
    if (changes) {
      encoder_.remove(text);
      why(ReportId::script_text_reads_otherwise);
      continue;
    }
    claimed_.emplace(text, key);
    claims_.push_back({0, key, text});
  }
  return left_out;
}

} // namespace textdump::scripting
