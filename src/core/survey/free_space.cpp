// The free runs of a ROM: runs of its fill byte, cut at bank edges, with the
// header and the spans taken left out.
#include "core/survey/free_space.hpp"

#include <algorithm>

#include "core/maps/maps.hpp"

namespace textdump {

namespace {

using Spans = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// The platform's header, and where its banks are counted from.
struct Platform {
  std::uint64_t bank = 0, origin = 0;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> header;
};

Platform platform_of(const RomView& rom) {
  Platform p;
  const MapDescriptor* map = platform_map(rom);
  if (map == nullptr) return p;
  const RomLayout layout = layout_of(rom);
  p.bank = map->bank_bytes;
  switch (map->id) {
  case AddressMap::nes:
    p.origin = layout.prg_start;
    p.header = {{0, layout.prg_start}};
    break;
  case AddressMap::lorom:
  case AddressMap::hirom: {
    p.origin = layout.copier_header;
    const std::uint64_t at = (map->id == AddressMap::lorom ? 0x7FB0u : 0xFFB0u);
    p.header = {{0, layout.copier_header}, // the copier's, if any
                {layout.copier_header + at, layout.copier_header + at + 0x50}};
    break;
  }
  case AddressMap::gb: p.header = {{0x100, 0x150}}; break;
  case AddressMap::gba: p.header = {{0, 0xC0}}; break;
  case AddressMap::md: p.header = {{0, 0x200}}; break;
  case AddressMap::linear: break;
  }
  return p;
}

// Adds [at, end) less the taken spans (sorted, merged), each piece long enough.
void add_pieces(std::uint64_t at, std::uint64_t end, std::uint8_t byte, const Spans& taken,
                std::uint64_t min, std::vector<FreeRun>& runs) {
  auto t = std::upper_bound(taken.begin(), taken.end(), std::pair{at, ~std::uint64_t{0}});
  if (t != taken.begin() && std::prev(t)->second > at) --t;
  for (; at < end; ++t) {
    const std::uint64_t stop = t == taken.end() ? end : std::min(end, t->first);
    if (stop > at && stop - at >= min) runs.push_back({at, stop, byte});
    if (t == taken.end()) break;
    at = std::max(at, t->second);
  }
}

Spans merged(Spans spans) {
  std::sort(spans.begin(), spans.end());
  Spans out;
  for (const auto& s : spans)
    if (!out.empty() && s.first <= out.back().second)
      out.back().second = std::max(out.back().second, s.second);
    else if (s.first < s.second)
      out.push_back(s);
  return out;
}

} // namespace

std::uint8_t padding_byte(const RomView& rom) {
  if (rom.size == 0) return 0xFF;
  const std::uint8_t last = rom.data[rom.size - 1];
  return last == 0x00 ? 0x00 : 0xFF;
}

std::vector<FreeRun> free_runs(const RomView& rom, const FreeSpaceRule& rule) {
  const std::uint8_t fill = rule.fill.value_or(padding_byte(rom));
  const Platform platform = platform_of(rom);
  Spans taken = rule.taken;
  taken.insert(taken.end(), platform.header.begin(), platform.header.end());
  taken = merged(std::move(taken));
  std::vector<FreeRun> runs;
  for (std::uint64_t p = 0; p < rom.size;) {
    if (rom.data[p] != fill) {
      ++p;
      continue;
    }
    // A run ends at a byte that is not the fill byte, or at a bank edge.
    std::uint64_t edge = rom.size;
    if (platform.bank != 0 && p >= platform.origin)
      edge = std::min(rom.size, platform.origin +
                                    ((p - platform.origin) / platform.bank + 1) * platform.bank);
    std::uint64_t end = p + 1;
    while (end < edge && rom.data[end] == fill) ++end;
    const bool at_edge =
        platform.bank != 0 && p >= platform.origin && (p - platform.origin) % platform.bank == 0;
    const std::uint64_t from = at_edge || p == 0 ? p : p + 1;
    add_pieces(from, end, fill, taken, rule.min, runs);
    p = end;
  }
  return runs;
}

} // namespace textdump
