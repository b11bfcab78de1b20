// The platforms' descriptors, one line each, each defined in the file of its
// name; the registry (core/maps/address_map.cpp) lists them in the order of
// their ids.
#pragma once

#include "core/maps/map_types.hpp"

namespace textdump::platforms {

extern const MapDescriptor linear; // linear.cpp
extern const MapDescriptor lorom;  // lorom.cpp
extern const MapDescriptor hirom;  // hirom.cpp
extern const MapDescriptor gb;     // gb.cpp
extern const MapDescriptor nes;    // nes.cpp
extern const MapDescriptor gba;    // gba.cpp
extern const MapDescriptor md;     // md.cpp

} // namespace textdump::platforms
