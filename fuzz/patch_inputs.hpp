// What the patch fuzz target does with one input, shared with the regression
// test that replays its corpus.
//
// Patch input:
//   byte 0     the format: 0 BPS, 1 IPS, 2 UPS (modulo 3)
//   bytes 1-2  length of the ROM, little-endian (cut to what is left)
//   then the ROM, and the patch (whatever is left).
// The patch is applied to the ROM: whatever the bytes, the result is a new
// file or a report, never a crash. A patch made from the ROM to the result
// (and from the ROM to the patch's own bytes, taken as a modified file) must
// turn the ROM into that file again, byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/patch/patch.hpp"

namespace textdump::testing {

// "" when a patch made from original to modified gives modified back, or when
// the format cannot hold the pair (a report, as IPS past 16 MiB).
inline std::string check_patch_round_trip(PatchFormat format, std::string_view original,
                                          std::string_view modified) {
  const PatchResult made = make_patch(format, original, modified, "fuzz");
  const auto* patch = std::get_if<std::string>(&made);
  if (patch == nullptr) return "";
  const PatchResult applied = apply_patch(format, *patch, original);
  const auto* result = std::get_if<std::string>(&applied);
  if (result == nullptr && original == modified) return ""; // the ROM is its result already
  if (result == nullptr) return std::string(format_name(format)) + " patch made is refused";
  if (*result != modified) return std::string(format_name(format)) + " patch made gives other bytes";
  return "";
}

inline std::string run_patch_input(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return "";
  const auto format = static_cast<PatchFormat>(data[0] % 3);
  const std::size_t rom_size = std::min<std::size_t>(data[1] | std::size_t{data[2]} << 8, size - 3);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view rom = bytes.substr(3, rom_size), patch = bytes.substr(3 + rom_size);
  const PatchResult applied = apply_patch(format, patch, rom);
  if (const auto* result = std::get_if<std::string>(&applied)) {
    std::string problem = check_patch_round_trip(format, rom, *result);
    if (!problem.empty()) return problem;
  }
  return check_patch_round_trip(format, rom, patch);
}

} // namespace textdump::testing
