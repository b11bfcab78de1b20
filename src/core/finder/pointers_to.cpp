#include "core/finder/pointers_to.hpp"

#include <algorithm>

namespace textdump {

std::vector<StoredPointer> find_pointers_to(const RomView& rom, std::uint64_t offset,
                                            const std::vector<FinderMap>& maps,
                                            const std::vector<unsigned>& sizes,
                                            std::optional<std::uint32_t> bank) {
  std::vector<StoredPointer> found;
  const RomLayout layout = layout_of(rom);
  for (const FinderMap& map : maps) {
    const MapDescriptor& descriptor = map_of(map.map);
    MapFields fields;
    fields.base = map.base;
    fields.bank = bank;
    for (const unsigned size : sizes) {
      if (rom.size < size) continue;
      for (const ByteOrder order : {ByteOrder::le, ByteOrder::be}) {
        if (!searched_as(descriptor, size, order)) continue;
        for (std::uint64_t slot = 0; slot + size <= rom.size; ++slot) {
          const std::uint32_t value = *read_pointer_value(rom, slot, size, order);
          if (descriptor.to_offset(fields, layout, {size, slot}, value) == offset)
            found.push_back({slot, map, size, order, value});
        }
      }
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const StoredPointer& a, const StoredPointer& b) { return a.at < b.at; });
  return found;
}

} // namespace textdump
