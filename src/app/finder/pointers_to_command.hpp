// textdump --find-pointers-to OFFSET: every place where the ROM stores a
// pointer to OFFSET under the maps (--map; default those the finder
// searches), sizes (--size) and byte orders the finder reads, each with the
// --pointers fields that read it, after the string at OFFSET.
//
// OFFSET is a file offset, or an address in the form of the one --map given
// (core/maps/map_address.hpp). --json FILE writes the places as JSON too (--json -
// in place of the report).
#pragma once

#include "app/finder/finder_command.hpp"

namespace textdump {

// The finder's inputs and options, and OFFSET as typed.
struct PointersToCommand : FinderCommand {
  std::string pointed;
};

// 0 when a place is found, 1 when none is (or on failure), 2 for an OFFSET
// the ROM does not hold.
int run_command(const PointersToCommand& command);

} // namespace textdump
