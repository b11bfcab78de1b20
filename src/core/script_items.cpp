// The script builder's pieces: where a string ends, what each key writes in
// the script, the claims on the insertion table, and the proof that a run of
// pieces encodes back to its bytes.
#include <algorithm>
#include <iterator>

#include "core/numbers.hpp"
#include "core/rom_walk.hpp"
#include "core/script_builder.hpp"

namespace textdump::scripting {

std::string raw_bytes(const RomView& rom, std::uint64_t from, std::uint64_t to) {
  std::string text;
  for (std::uint64_t p = from; p < to; ++p) text += raw_byte_rendering(rom.data[p]);
  return text;
}

std::uint64_t Builder::string_end(std::uint64_t target, std::uint64_t next, std::uint64_t stop,
                                  bool& cut) const {
  const EndRule& rule = request_.end;
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
    const Walk walk = walk_to_end(table_, rom_, target, limit);
    if (walk.met == WalkEnd::end_entry) return walk.reached;
  }
  cut = !bounded && limit < rom_.size;
  return limit;
}

Item Builder::item_for(std::uint64_t pos, CodeTable::Match match, std::uint64_t limit) const {
  Item item{pos, pos + match.length, {}, {}, 0, false};
  const Entry& entry = table_.entry(match.index);
  const bool standard = table_.format() == TableFormat::standard;
  std::string key(reinterpret_cast<const char*>(rom_.data + pos), match.length);
  std::string text;
  char marker = 0;
  switch (entry.kind) {
  case EntryKind::text: text = standard ? entry.label : entry.rendering; break;
  case EntryKind::wait:
    text = "[WAIT]";
    item.line_end = true;
    break;
  case EntryKind::line_break:
    text = standard && !entry.label.empty() ? entry.label : "<LINE>";
    marker = '*';
    item.line_end = true;
    break;
  case EntryKind::end:
    text = standard ? (entry.label.empty() ? "<END>" : entry.label) : "[END]";
    marker = '/';
    item.line_end = true;
    break;
  case EntryKind::control: {
    if (item.to + entry.arguments > limit) break; // its parameters lie past the string
    text = entry.label;
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\\n") == 0) {
      text.resize(text.size() - 2);
      item.line_end = true;
    }
    item.to += entry.arguments;
    break;
  }
  default: break; // FIXED, SNES and TABLE bytes are not followed; undefined bytes
  }
  // A text that is itself a raw form would read as that byte.
  if (!text.empty() && !has_control_characters(text) && text.find("\\r") == std::string::npos &&
      !(text.size() == 5 && raw_form_at(text, 0))) {
    item.claim = Claim{marker, std::move(key), text};
    item.head = text.size();
    item.text = std::move(text) + raw_bytes(rom_, pos + match.length, item.to);
  } else {
    item.text = raw_bytes(rom_, pos, item.to);
  }
  return item;
}

std::vector<Item> Builder::decode(std::uint64_t from, std::uint64_t to) const {
  std::vector<Item> items;
  items.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(to - from, 4096)));
  for (std::uint64_t pos = from; pos < to;) {
    Item item = item_for(pos, key_at(table_, rom_, pos, to), to);
    pos = item.to;
    // Raw bytes in a row are one item: random data between strings stays small.
    if (!item.claim && !items.empty() && !items.back().claim && !items.back().line_end) {
      items.back().to = item.to;
      items.back().text += item.text;
    } else {
      items.push_back(std::move(item));
    }
  }
  return items;
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

namespace {

// The script line from items[k] on, as far as its first two characters after
// blanks (or its end).
std::string line_head(const std::vector<Item>& items, std::size_t k) {
  std::string head;
  for (std::size_t j = k; j < items.size() && (j == k || !items[j].line_start); ++j) {
    head += items[j].text;
    const std::size_t first = head.find_first_not_of(" \t");
    if ((first != std::string::npos && first + 2 <= head.size()) || items[j].line_end) break;
  }
  return head;
}

} // namespace

void make_raw(Item& item, const RomView& rom) {
  item.claim.reset();
  item.head = 0;
  item.text = raw_bytes(rom, item.from, item.to);
}

// Marks raw every item whose text would not come back as its bytes.
// Runs once every item has made its claim: the proof needs the whole table.
// The items are encoded one step at a time as the inserter reads them; where
// a step's bytes differ, the item it ended in (or the nearest claimed one
// before) is made raw and encoding goes on from the last step that cannot run
// into that item.
void Builder::settle(std::vector<Item>& items, std::uint64_t from, std::uint64_t to) {
  // A line that would read as a command, a comment or a blank line starts raw.
  // Making an item raw later never makes a line read so.
  bool line_start = true;
  for (std::size_t k = 0; k < items.size(); ++k) {
    line_start = line_start || items[k].line_start;
    if (line_start && items[k].claim) {
      const std::string head = line_head(items, k);
      const std::size_t first = head.find_first_not_of(" \t");
      if (first == std::string::npos || head[first] == '#' || head.compare(first, 2, "//") == 0)
        make_raw(items[k], rom_);
    }
    line_start = items[k].line_end;
  }

  // A place between two steps: a character of an item, and the ROM offset.
  struct Place {
    std::size_t item = 0, offset = 0;
    std::uint64_t byte = 0;
  };
  // The place count characters after at.
  const auto advance = [&items](Place at, std::size_t count) {
    while (count > 0 || (at.item < items.size() && at.offset == items[at.item].text.size())) {
      if (at.offset == items[at.item].text.size()) {
        ++at.item;
        at.offset = 0;
        continue;
      }
      const std::size_t here = std::min(count, items[at.item].text.size() - at.offset);
      at.offset += here;
      count -= here;
    }
    return at;
  };
  std::vector<Place> steps{advance({0, 0, from}, 0)};
  std::string window;
  while (steps.back().item < items.size()) {
    const Place at = steps.back();
    // Enough text for one step: the longest text, and a raw byte just past it.
    window.assign(items[at.item].text, at.offset);
    for (std::size_t k = at.item + 1;
         k < items.size() && window.size() < encoder_.longest_step() + 5; ++k)
      window += items[k].text;
    const std::optional<TextEncoder::Step> step = encoder_.step(window, 0);
    if (step) {
      const std::string_view bytes = step->bytes();
      if (at.byte + bytes.size() <= to &&
          bytes ==
              std::string_view(reinterpret_cast<const char*>(rom_.data + at.byte), bytes.size())) {
        Place next = advance(at, step->length);
        next.byte = at.byte + bytes.size();
        steps.push_back(next);
        continue;
      }
    }
    std::size_t k = step ? advance(at, step->length - 1).item : at.item;
    while (!items[k].claim && k > 0) --k;
    if (!items[k].claim) return; // every item is raw: the check after settling reports it
    make_raw(items[k], rom_);
    // Encoding goes on from the last step that cannot reach item k: one
    // that began a step's length or more before it.
    const auto reaches = [&](const Place& p) {
      if (p.item >= k) return true;
      std::size_t distance = items[p.item].text.size() - p.offset;
      for (std::size_t j = p.item + 1; j < k && distance < encoder_.longest_step(); ++j)
        distance += items[j].text.size();
      return distance < encoder_.longest_step();
    };
    while (steps.size() > 1 && reaches(steps.back())) steps.pop_back();
  }
}

} // namespace textdump::scripting

namespace textdump::scripting {

std::vector<std::string> Builder::complete_table(const std::vector<Run>& runs) {
  std::vector<std::string> left_out;
  const bool standard = table_.format() == TableFormat::standard;
  for (const auto& [key, index] : table_.keys()) {
    const Entry& entry = table_.entry(index);
    if (entry.kind != EntryKind::text) continue;
    const std::string& text = standard ? entry.label : entry.rendering;
    if (text.empty()) continue;
    std::string keyhex;
    for (const char c : key) keyhex += hex_byte(static_cast<std::uint8_t>(c));
    const auto why = [&](const std::string& reason) {
      left_out.push_back("Not in the insertion table: " + keyhex + "=" +
                         (has_control_characters(text) ? std::string("...") : text) + " (" +
                         reason + ")");
    };
    if (const auto owner = claimed_.find(text); owner != claimed_.end()) {
      if (owner->second == key) continue;
      std::string ownerhex;
      for (const char c : owner->second) ownerhex += hex_byte(static_cast<std::uint8_t>(c));
      why("its text is the entry of " + ownerhex);
      continue;
    }
    if (has_control_characters(text) || text.find("\\r") != std::string::npos) {
      why("a text with control characters cannot be typed in a script");
      continue;
    }
    if (text.size() == 5 && raw_form_at(text, 0)) {
      why("the inserter reads the text as a raw byte");
      continue;
    }
    encoder_.add(text, key);
    const bool changes = std::any_of(runs.begin(), runs.end(), [&](const Run& run) {
      return run.text.find(text) != std::string::npos && encoder_.encode(run.text) != run.bytes;
    });
    if (changes) {
      encoder_.remove(text);
      why("the dumped text would not read back the same with it");
      continue;
    }
    claimed_.emplace(text, key);
    claims_.push_back({0, key, text});
  }
  return left_out;
}

} // namespace textdump::scripting
