// What --insert reports of an insertion: its lines on standard output, and
// the same as a JSON document.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/insert/insert.hpp"
#include "core/maps/maps.hpp"

namespace textdump {

// The files of the run, as the command line named them.
struct InsertionFiles {
  std::string_view script, rom, out;
};

// The ROM grown before insertion (--expand), and the byte its new space holds.
struct Growth {
  Expansion expansion;
  std::uint8_t fill = 0xFF;
};

// What the command line asked of the placement (--free, --share).
struct PlacementAsked {
  std::optional<std::string_view> free;
  bool share = false;
};

std::string insertion_lines(const Insertion& insertion, const std::optional<Growth>& growth);

std::string insertion_json(const InsertionFiles& files, const Insertion& insertion,
                           const std::optional<Growth>& growth, const PlacementAsked& asked,
                           const Placement& placement);

} // namespace textdump
