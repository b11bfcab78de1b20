#include "core/tables/code_table.hpp"

#include <algorithm>

namespace textdump {

CodeTable::CodeTable(TableFormat format) : format_(format), entries_(1) {}

CodeTable::Index CodeTable::place(Index& slot, const Entry& entry) {
  if (slot == 0) {
    slot = static_cast<Index>(entries_.size());
    entries_.push_back(entry);
  } else {
    entries_[slot] = entry;
  }
  return slot;
}

void CodeTable::define(const Definition& definition) {
  const std::string& key = definition.key;
  if (key.empty() || key.size() > MAX_KEY_BYTES) return;
  const auto first = static_cast<unsigned char>(key[0]);
  if (key.size() == 1) {
    place(single_[first], definition.entry);
  } else if (key.size() == 2) {
    if (pair_rows_[first] == 0) {
      pairs_.emplace_back();
      pairs_.back().fill(0);
      pair_rows_[first] = static_cast<std::uint16_t>(pairs_.size());
    }
    place(pairs_[pair_rows_[first] - 1][static_cast<unsigned char>(key[1])], definition.entry);
  } else {
    place(longer_[key], definition.entry);
  }
  longest_[first] = static_cast<std::uint8_t>(std::max<std::size_t>(longest_[first], key.size()));
}

void CodeTable::lay_over(const std::vector<Definition>& definitions) {
  // Room for every definition to be new, growing as push_back would.
  const std::size_t needed = entries_.size() + definitions.size();
  if (entries_.capacity() < needed) entries_.reserve(std::max(needed, 2 * entries_.capacity()));
  for (const Definition& definition : definitions) define(definition);
}

CodeTable::Match CodeTable::longest_match(std::string_view bytes) const {
  if (bytes.empty()) return {};
  const auto first = static_cast<unsigned char>(bytes[0]);
  for (std::size_t length = std::min<std::size_t>(longest_[first], bytes.size()); length >= 3;
       --length) {
    const auto found = longer_.find(std::string(bytes.substr(0, length)));
    if (found != longer_.end()) return {found->second, length};
  }
  if (bytes.size() >= 2)
    if (const Index index = pair(first, static_cast<unsigned char>(bytes[1])); index != 0)
      return {index, 2};
  return {single_[first], 1};
}

std::vector<std::pair<std::string, CodeTable::Index>> CodeTable::keys() const {
  std::vector<std::pair<std::string, Index>> all;
  for (unsigned first = 0; first < 256; ++first) {
    const char f = static_cast<char>(first);
    if (single_[first] != 0) all.emplace_back(std::string(1, f), single_[first]);
    if (pair_rows_[first] != 0)
      for (unsigned second = 0; second < 256; ++second)
        if (const Index index = pairs_[pair_rows_[first] - 1][second]; index != 0)
          all.emplace_back(std::string{f, static_cast<char>(second)}, index);
  }
  for (const auto& [key, index] : longer_) all.emplace_back(key, index);
  return all;
}

bool CodeTable::defines(EntryKind kind) const {
  // Every entry but the first is the one of a key.
  return std::any_of(entries_.begin() + 1, entries_.end(),
                     [kind](const Entry& entry) { return entry.kind == kind; });
}

bool CodeTable::has_snes_without_end() const {
  return defines(EntryKind::snes) && !defines(EntryKind::end);
}

} // namespace textdump
