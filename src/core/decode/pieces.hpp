// Short renderings: the rendering of a byte or an entry when it only writes
// that rendering and it is short (up to PIECE_MAX bytes). The hot loop copies a
// whole 16-byte piece per key instead of branching on the entry's kind; every
// other key (longer texts, pointers, switches, control codes, END while another
// table is in force) takes the general path.
//
// Pieces are built from a code table, so the decoder builds them again whenever a
// switch changes the table in force.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/tables/tables.hpp"

namespace textdump {

inline constexpr std::size_t PIECE_MAX = 15;
inline constexpr std::uint8_t NOT_PLAIN = 0xFF;

struct Piece {
  char bytes[PIECE_MAX] = {};
  std::uint8_t size = NOT_PLAIN;
};
static_assert(sizeof(Piece) == 16);

using Pieces = std::array<Piece, 256>;

struct PieceSet {
  Pieces single; // each byte as a one-byte key (or an undefined byte)
  Pieces hot;    // as single, but not plain where a longer key may start
  std::array<std::uint8_t, 256> hot_sizes{}; // hot's sizes, apart for the hot loop
  std::vector<Piece> entries;                // by the entry's index in the code table
  // The code table's pair row of each byte whose longest key has two bytes;
  // 0 for every other byte.
  std::array<std::uint16_t, 256> pair_rows{};
};

// END is plain only while no restore is due (restore_due false).
void build_pieces(const CodeTable& table, bool restore_due, PieceSet& pieces);

} // namespace textdump
