#include "core/finder/finder_starts.hpp"

#include <algorithm>

#include "core/decode/decode.hpp"

namespace textdump {

namespace {

constexpr std::uint16_t MIN_TEXT_KEYS = 3;

// What decoding from an offset gives, up to its end entry.
struct StringInfo {
  std::uint16_t length = 0;  // up to after the end entry; 0 when none follows
  std::uint16_t texts = 0;   // text keys on the way
  std::uint16_t unknown = 0; // undefined bytes and keys that are no text on the way
};

} // namespace

Starts::Starts(const RomView& rom, const CodeTable& table, SwitchWalker* switches)
    : start_(static_cast<std::size_t>(rom.size)), empty_(static_cast<std::size_t>(rom.size)),
      length_(static_cast<std::size_t>(rom.size), 0) {
  const std::size_t n = static_cast<std::size_t>(rom.size);
  std::vector<StringInfo> info(n + 1);
  // By its end: the length of the end entry that ends there, the first one
  // from the start of the ROM when several do; 0 when none.
  std::vector<std::uint8_t> end_entry(n + 1, 0);
  // Where a switch's frames that met an end entry end: a string ends there
  // too (only with switches).
  OffsetBits after_frames(switches ? n + 1 : 0);
  const auto end_at = [&](std::size_t p) -> std::size_t {
    return info[p].length == 0 ? 0 : p + info[p].length;
  };
  const auto capped = [](std::uint32_t count) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(count, 0xFFFF));
  };
  for (std::size_t p = n; p-- > 0;) {
    WalkStep step = step_at(table, rom, p, n);
    const Entry& entry = table.entry(step.index);
    Decoder::SwitchRun frames; // what a switch's frames read, as one key
    const bool switch_key = switches != nullptr && entry.kind == EntryKind::frames;
    if (switch_key) {
      // Frames read past the longest string make no string of p: they are
      // read no further, or a table without an end would read to the ROM's
      // end from every switch.
      const std::size_t reach = std::min<std::size_t>(n, p + FINDER_MAX_STRING + 1);
      const SwitchWalker::Run run = switches->run(p, reach);
      step.next = std::min<std::uint64_t>(run.to, n);
      frames = run.read;
    }
    const auto next = static_cast<std::size_t>(step.next);
    if (entry.kind == EntryKind::end) {
      info[p] = {static_cast<std::uint16_t>(next - p), 0, 0};
      end_entry[next] = static_cast<std::uint8_t>(next - p);
      continue;
    }
    if (frames.ended) {
      if (next - p > FINDER_MAX_STRING) continue;
      info[p] = {static_cast<std::uint16_t>(next - p), capped(frames.texts),
                 capped(frames.unknown)};
      after_frames.set(next);
      continue;
    }
    if (next >= n || info[next].length == 0 || end_at(next) - p > FINDER_MAX_STRING) continue;
    StringInfo here = info[next];
    here.length = static_cast<std::uint16_t>(end_at(next) - p);
    if (is_text_key(entry.kind))
      here.texts = static_cast<std::uint16_t>(std::min(here.texts + 1, 0xFFFF));
    else if (entry.kind != EntryKind::control && !switch_key)
      here.unknown = static_cast<std::uint16_t>(std::min(here.unknown + 1, 0xFFFF));
    here.texts = capped(here.texts + frames.texts);
    here.unknown = capped(here.unknown + frames.unknown);
    info[p] = here;
  }
  for (std::size_t p = 0; p < n; ++p) {
    const StringInfo& s = info[p];
    if (s.length == 0 || s.texts < MIN_TEXT_KEYS || s.unknown * 4 > s.texts) continue;
    length_[p] = s.length;
    const bool boundary = p == 0 || end_entry[p] != 0 || (switches && after_frames[p]) ||
                          rom.data[p - 1] == 0x00 || rom.data[p - 1] == 0xFF ||
                          !is_text_key(table.at(rom.data[p - 1]).kind);
    if (!boundary) continue;
    start_.set(p);
    list_.push_back(static_cast<std::uint32_t>(p));
  }
  std::size_t reach = 0;
  for (std::size_t p = 0; p < n; ++p) {
    if (start_[p]) reach = std::max(reach, p + std::size_t{length_[p]});
    inside_ += p < reach ? 1 : 0;
  }
  for (const std::uint32_t p : list_) {
    const std::size_t after = p + std::size_t{length_[p]};
    const std::uint8_t own = end_entry[after];
    if (own != 0) empty_.set(after - own);
    // One more end entry right after it: a second, empty string.
    if (after < n && info[after].length != 0 && end_entry[end_at(after)] == end_at(after) - after)
      empty_.set(after);
  }
}

} // namespace textdump
