// Where a ROM stores a pointer to one file offset: every slot whose bytes,
// read as a pointer of one of the maps, sizes and byte orders asked for (big-
// endian too for the maps the finder reads so), stand for the offset.
#pragma once

#include <cstdint>
#include <vector>

#include "core/finder/finder_types.hpp"

namespace textdump {

struct StoredPointer {
  std::uint64_t at = 0; // the slot's file offset
  FinderMap map;
  unsigned size = 2;
  ByteOrder order = ByteOrder::le;
  std::uint32_t value = 0;
};

// In slot order, then in the order of maps, sizes and byte orders.
// bank: the bank 16-bit pointers of banked maps point into (default their slot's).
std::vector<StoredPointer> find_pointers_to(const RomView& rom, std::uint64_t offset,
                                            const std::vector<FinderMap>& maps,
                                            const std::vector<unsigned>& sizes,
                                            std::optional<std::uint32_t> bank);

} // namespace textdump
