#include "core/pieces.hpp"

#include <algorithm>
#include <string_view>

namespace textdump {

void build_pieces(const CodeTable& table, bool restore_due, Pieces& pieces) {
  for (std::size_t byte = 0; byte < pieces.size(); ++byte) {
    Piece& piece = pieces[byte] = Piece{};
    const Entry& entry = table.at(static_cast<std::uint8_t>(byte));
    std::string rendering;
    if (entry.kind == EntryKind::undefined)
      rendering = undefined_rendering(static_cast<std::uint8_t>(byte));
    else if (writes_only(entry.kind) || (entry.kind == EntryKind::end && !restore_due))
      rendering = entry.rendering;
    else
      continue;
    if (rendering.size() > PIECE_MAX) continue;
    std::copy(rendering.begin(), rendering.end(), piece.bytes);
    piece.size = static_cast<std::uint8_t>(rendering.size());
  }
}

} // namespace textdump
