// The pieces of a plan's blocks that placement moves, and the strings one
// ends with that share lets point into another (placement_pieces.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/script/script_plan.hpp"

namespace textdump {

// The bytes of a block from one string end to the next, and the pointers into them.
struct MovablePiece {
  std::size_t block = 0;
  std::uint64_t from = 0, to = 0; // as the plan has them; to excluded
  std::vector<std::size_t> pointers;
  bool whole = false; // holds a string of set length (fixed, held or Pascal)

  std::uint64_t size() const { return to - from; }
};

// Each block's pieces in order, and the pointers of each block that point at its end.
struct MovablePieces {
  std::vector<std::vector<MovablePiece>> of_block;
  std::vector<std::vector<std::size_t>> at_end;
};

MovablePieces pieces_of(const InsertPlan& plan);

// The bytes of a piece as the plan writes them.
std::string_view bytes_of(const InsertPlan& plan, const MovablePiece& piece);

// For each piece (blocks' pieces in order, numbered through), the piece whose
// bytes end with its own and which is itself written, when share may use it:
// both have pointers, neither is whole, and the piece is not pinned (its
// index in its block above pinned[block]).
std::vector<std::optional<std::size_t>> share_hosts(const InsertPlan& plan,
                                                    const std::vector<const MovablePiece*>& pieces,
                                                    const std::vector<bool>& candidate);

} // namespace textdump
