// Short renderings: for every code, the bytes it writes when that is a short
// fixed piece of output and nothing else (texts of up to PIECE_MAX bytes, (XX),
// line breaks, waits, and END while table 0 is in force). The hot loops copy a
// whole piece per byte instead of branching on the byte's kind; every other
// byte (longer texts, pointers, switches, END with another table in force,
// unassigned values) takes the general path.
//
// Pieces are built from the code table, so they are built again whenever a
// table switch or restore changes it.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "table/code_table.hpp"
#include "textdump/dump_output.hpp"

namespace textdump {

inline constexpr std::size_t PIECE_MAX = 15;
inline constexpr std::uint8_t NOT_PLAIN = 0xFF;

struct Piece {
  char bytes[PIECE_MAX] = {};
  std::uint8_t size = NOT_PLAIN;
};
static_assert(sizeof(Piece) == 16);

using Pieces = std::array<Piece, TABLE_CODES>;

void build_pieces(const CodeTable& table, std::uint8_t active_table, Pieces& pieces);

// Writes a plain piece. Copies all 16 bytes (the buffer keeps room for them)
// and advances by the piece's size.
inline void dump_piece(DumpOutput& out, const Piece& piece) {
  if (DUMP_BUFFER_SIZE - out.used < sizeof(Piece)) dump_flush(out);
  std::memcpy(out.buffer.get() + out.used, &piece, sizeof(Piece));
  out.used += piece.size;
  out.out_pos += piece.size;
}

} // namespace textdump
