// --free, --fill and --share of --fit and --insert: the ranges --free names,
// the free space they give for a plan, and the placement's report lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/insert/placement.hpp"
#include "core/maps/maps.hpp"

namespace textdump {

struct FreeOption {
  bool automatic = false; // --free auto
  std::vector<std::pair<TypedPosition, TypedPosition>> ranges;
};

// "auto", or START-END[,START-END...]; nothing when it is neither.
std::optional<FreeOption> parse_free(std::string_view text);

// The free ranges for the plan: auto's runs of rom (with fill), or the ranges
// given as file offsets or addresses of rom's platform. Without rom (--fit) a
// range is file offsets; nothing when a range reaches no offset.
std::optional<std::vector<FreeRange>> free_ranges(const FreeOption& free, const InsertPlan& plan,
                                                  const std::string* rom,
                                                  std::optional<std::uint8_t> fill);

// The banks of rom's platform, for 16-bit pointers; nothing without one.
BankOf platform_banks(const std::string& rom);

// One line a moved or shared string, the bytes sharing saved and the free space left.
std::string placement_lines(const Placement& placement, bool free_given);

} // namespace textdump
