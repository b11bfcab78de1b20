// Short renderings: for every byte, its rendering when the byte only writes
// that rendering and it is short (up to PIECE_MAX bytes). The hot loop copies a
// whole 16-byte piece per byte instead of branching on the byte's kind; every
// other byte (longer texts, pointers, switches, END while another table is in
// force) takes the general path.
//
// Pieces are built from the code table, so they are built again whenever a
// load changes it.
#pragma once

#include <array>
#include <cstdint>

#include "core/code_table.hpp"

namespace textdump {

inline constexpr std::size_t PIECE_MAX = 15;
inline constexpr std::uint8_t NOT_PLAIN = 0xFF;

struct Piece {
  char bytes[PIECE_MAX] = {};
  std::uint8_t size = NOT_PLAIN;
};
static_assert(sizeof(Piece) == 16);

using Pieces = std::array<Piece, 256>;

// END is plain only while no restore is due (restore_due false).
void build_pieces(const CodeTable& table, bool restore_due, Pieces& pieces);

} // namespace textdump
