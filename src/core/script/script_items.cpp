// The script builder's pieces: where a string ends, what each key writes in
// the script, the claims on the insertion table, and the proof that a run of
// pieces encodes back to its bytes.
#include <algorithm>
#include <iterator>

#include "core/base/base.hpp"
#include "core/decode/decode.hpp"
#include "core/script/script_builder.hpp"

namespace textdump::scripting {

std::uint64_t Builder::string_end(const EndRule& rule, std::uint64_t target, std::uint64_t next,
                                  std::uint64_t stop, bool& cut) const {
  std::uint64_t limit = std::min<std::uint64_t>(target + rule.max_length, rom_.size);
  bool bounded = false; // a rule other than the maximum length ends the string
  if (stop < limit) {   // a pointer slot ends every string
    limit = stop;
    bounded = true;
  }
  if (rule.fixed && target + *rule.fixed <= limit) {
    limit = target + *rule.fixed;
    bounded = true;
  }
  if (rule.next && next != NO_NEXT && next <= limit) {
    limit = next;
    bounded = true;
  }
  // "next" alone ends the last string at an end entry.
  if (rule.token || (rule.next && next == NO_NEXT && !rule.fixed)) {
    const Walk walk = walk_to_end(table_, rom_, target, limit, switches_.get());
    if (walk.met == WalkEnd::end_entry) return walk.reached;
  }
  cut = !bounded && limit < rom_.size;
  return limit;
}

void Builder::make_claims() {
  entry_claims_.assign(table_.size(), std::nullopt);
  const bool standard = table_.format() == TableFormat::standard;
  for (auto& [key, index] : table_.keys()) {
    const Entry& entry = table_.entry(index);
    std::string text;
    char marker = 0;
    switch (entry.kind) {
    case EntryKind::text:
      text = standard ? without_line_breaks(entry.label) : std::string_view(entry.rendering);
      break;
    case EntryKind::wait: text = WAIT_TEXT; break;
    case EntryKind::line_break:
      text = standard && !entry.label.empty() ? std::string_view(entry.label) : LINE_LABEL;
      marker = '*';
      break;
    case EntryKind::end:
      text = !standard ? END_TEXT : entry.label.empty() ? END_LABEL : std::string_view(entry.label);
      marker = '/';
      break;
    case EntryKind::frames:
      if (!switches_) continue;
      [[fallthrough]];
    case EntryKind::control:
      text = without_line_breaks(entry.label);
      break;
    default: continue; // FIXED, SNES and TABLE bytes are not followed; undefined bytes
    }
    // A text that is itself a raw form would read as that byte; one too long
    // for the Atlas inserter would not be read at all.
    if (!text.empty() && !has_control_characters(text) && text.find("\\r") == std::string::npos &&
        !(text.size() == 5 && raw_form_at(text, 0)) && text.size() <= ATLAS_LONGEST_TEXT)
      entry_claims_[index] = Claim{marker, std::move(key), std::move(text)};
  }
}

Item Builder::item_for(std::uint64_t pos, CodeTable::Match match, std::uint64_t limit) const {
  Item item{pos, pos + match.length, 0, false, false};
  const Entry& entry = table_.entry(match.index);
  switch (entry.kind) {
  case EntryKind::text:
    item.line_end = table_.format() == TableFormat::standard && entry.label.ends_with("\\n");
    break;
  case EntryKind::wait:
  case EntryKind::line_break:
  case EntryKind::end: item.line_end = true; break;
  case EntryKind::control: {
    if (item.to + entry.arguments > limit) return item; // its parameters lie past the string
    const std::string& label = entry.label;
    item.line_end = label.size() >= 2 && label.compare(label.size() - 2, 2, "\\n") == 0;
    item.to += entry.arguments;
    break;
  }
  case EntryKind::frames: return switched_item(item, match.index, limit);
  default: return item;
  }
  if (entry_claims_[match.index]) item.claim = match.index;
  return item;
}

void Builder::append_text(std::string& text, const Item& item, std::size_t offset,
                          std::size_t count) const {
  std::uint64_t pos = item.from;
  if (const Claim* claim = claim_of(item)) {
    if (offset < claim->text.size()) {
      const std::size_t taken = std::min(count, claim->text.size() - offset);
      text.append(claim->text, offset, taken);
      count -= taken;
      offset = 0;
    } else {
      offset -= claim->text.size();
    }
    pos += claim->key.size();
  }
  // The rest is <$XX>, five characters a byte.
  pos += offset / 5;
  offset %= 5;
  for (; count > 0 && pos < item.to; ++pos) {
    const std::uint8_t byte = rom_.data[pos];
    const char form[5] = {'<', '$', HEX_DIGITS[byte >> 4], HEX_DIGITS[byte & 0xF], '>'};
    const std::size_t taken = std::min(count, 5 - offset);
    text.append(form + offset, taken);
    count -= taken;
    offset = 0;
  }
}

std::size_t Builder::text_size(const Item& item) const {
  const Claim* claim = claim_of(item);
  const std::uint64_t raw = item.to - item.from - (claim ? claim->key.size() : 0);
  return (claim ? claim->text.size() : 0) + static_cast<std::size_t>(5 * raw);
}

void Builder::decode(std::uint64_t from, std::uint64_t to, std::vector<Item>& items) const {
  const std::size_t first = items.size();
  for (std::uint64_t pos = from; pos < to;) {
    const Item item = item_for(pos, key_at(table_, rom_, pos, to), to);
    pos = item.to;
    // Raw bytes in a row are one item: random data between strings stays small.
    if (item.claim == 0 && items.size() > first && items.back().claim == 0 &&
        !items.back().line_end && !item.switched && !items.back().switched) {
      items.back().to = item.to;
    } else {
      items.push_back(item);
    }
  }
}

// The insertion table gives a text to the first key that uses it.
void Builder::claim(const Claim& claim) {
  if (!claimed_.try_emplace(claim.text, claim.key).second) return;
  claims_.push_back(claim);
  encoder_.add(claim.text, claim.key);
}

bool Builder::owns(const Claim& claim) const {
  const auto owner = claimed_.find(claim.text);
  return owner != claimed_.end() && owner->second == claim.key;
}

// Marks raw every item whose text would not come back as its bytes.
// Runs once every item has made its claim: the proof needs the whole table.
void Builder::settle(std::vector<Item>& items, std::uint64_t from, std::uint64_t to) {
  raw_line_starts(items);
  settle_steps(items, from, to);
}

// The first characters of the line that item k begins: enough to see its
// first two after blanks, or the whole line.
std::string Builder::line_head(const std::vector<Item>& items, std::size_t k) const {
  std::string head;
  for (std::size_t j = k; j < items.size() && (j == k || !items[j].line_start); ++j) {
    const Claim* claim = claim_of(items[j]);
    append_text(head, items[j], 0, (claim ? claim->text.size() : 0) + 5);
    const std::size_t first = head.find_first_not_of(" \t");
    if ((first != std::string::npos && first + 2 <= head.size()) || items[j].line_end) break;
  }
  return head;
}

// A line that would read as a command, a comment or a blank line starts raw.
// Making an item raw later never makes a line read so. Its first two
// characters after blanks decide: raw bytes have no blanks.
void Builder::raw_line_starts(std::vector<Item>& items) const {
  bool line_start = true;
  for (std::size_t k = 0; k < items.size(); ++k) {
    line_start = line_start || items[k].line_start;
    if (line_start && items[k].claim != 0) {
      const std::string head = line_head(items, k);
      const std::size_t first = head.find_first_not_of(" \t");
      if (first == std::string::npos || head[first] == '#' || head.compare(first, 2, "//") == 0)
        make_raw(items[k]);
    }
    line_start = items[k].line_end;
  }
}

inline Builder::Place Builder::advance(const std::vector<Item>& items, Place at,
                                std::size_t count) const {
  while (count > 0 || (at.item < items.size() && at.offset == text_size(items[at.item]))) {
    const std::size_t size = text_size(items[at.item]);
    if (at.offset == size) {
      ++at.item;
      at.offset = 0;
      continue;
    }
    const std::size_t here = std::min(count, size - at.offset);
    at.offset += here;
    count -= here;
  }
  return at;
}

// A place reaches item k when it lies less than a step's length before it.
bool Builder::reaches(const std::vector<Item>& items, const Place& p, std::size_t k) const {
  if (p.item >= k) return true;
  std::size_t distance = text_size(items[p.item]) - p.offset;
  for (std::size_t j = p.item + 1; j < k && distance < encoder_.longest_step(); ++j)
    distance += text_size(items[j]);
  return distance < encoder_.longest_step();
}

// The items are encoded one step at a time as the inserter reads them; where
// a step's bytes differ, the item it ended in (or the nearest claimed one
// before) is made raw and encoding goes on from the last step that cannot run
// into that item.
void Builder::settle_steps(std::vector<Item>& items, std::uint64_t from, std::uint64_t to) {
  // Every KEPT_EVERY-th place is kept: after a change, encoding goes back to
  // a kept one and takes again the steps after it, which come out the same
  // (they read no text past it that changed).
  constexpr std::size_t KEPT_EVERY = 32;
  std::vector<Place> kept{advance(items, {0, 0, from}, 0)};
  Place at = kept.back();
  std::size_t since_kept = 0;
  std::string window;
  const std::size_t wanted = encoder_.longest_step() + 5;
  while (at.item < items.size()) {
    // Enough text for one step: the longest text, and a raw byte just past it.
    window.clear();
    for (std::size_t k = at.item, offset = at.offset; k < items.size() && window.size() < wanted;
         ++k, offset = 0)
      append_text(window, items[k], offset, wanted - window.size());
    const std::optional<TextEncoder::Step> step = encoder_.step(window, 0);
    if (step) {
      const std::string_view bytes = step->bytes();
      if (at.byte + bytes.size() <= to &&
          bytes ==
              std::string_view(reinterpret_cast<const char*>(rom_.data + at.byte), bytes.size())) {
        const std::uint64_t byte = at.byte + bytes.size();
        at = advance(items, at, step->length);
        at.byte = byte;
        if (++since_kept == KEPT_EVERY) {
          kept.push_back(at);
          since_kept = 0;
        }
        continue;
      }
    }
    std::size_t k = step ? advance(items, at, step->length - 1).item : at.item;
    while (items[k].claim == 0 && k > 0) --k;
    if (items[k].claim == 0) return; // every item is raw: the check after settling reports it
    make_raw(items[k]);
    // Encoding goes on from a place that cannot reach item k: one that began
    // a step's length or more before it.
    while (kept.size() > 1 && reaches(items, kept.back(), k)) kept.pop_back();
    at = kept.back();
    since_kept = 0;
  }
}

} // namespace textdump::scripting
