#include "core/decode/pieces.hpp"

#include <algorithm>
#include <string>

namespace textdump {

namespace {

Piece piece_of(const std::string& rendering) {
  Piece piece;
  if (rendering.size() > PIECE_MAX) return piece;
  std::copy(rendering.begin(), rendering.end(), piece.bytes);
  piece.size = static_cast<std::uint8_t>(rendering.size());
  return piece;
}

bool plain(const Entry& entry, bool restore_due) {
  return writes_only(entry.kind) || (entry.kind == EntryKind::end && !restore_due);
}

} // namespace

void build_pieces(const CodeTable& table, bool restore_due, PieceSet& pieces) {
  pieces.entries.assign(table.size(), Piece{});
  for (CodeTable::Index index = 1; index < table.size(); ++index)
    if (plain(table.entry(index), restore_due))
      pieces.entries[index] = piece_of(table.entry(index).rendering);
  const bool standard = table.format() == TableFormat::standard;
  for (unsigned byte = 0; byte < 256; ++byte) {
    const auto b = static_cast<std::uint8_t>(byte);
    const Entry& entry = table.at(b);
    Piece& single = pieces.single[byte];
    if (entry.kind == EntryKind::undefined)
      single = piece_of(undefined_rendering(b, standard));
    else
      single = plain(entry, restore_due) ? piece_of(entry.rendering) : Piece{};
    pieces.hot[byte] = table.longest_key(b) > 1 ? Piece{} : single;
    pieces.hot_sizes[byte] = pieces.hot[byte].size;
    pieces.pair_rows[byte] = table.longest_key(b) == 2 ? table.pair_rows()[byte] : 0;
  }
}

} // namespace textdump
