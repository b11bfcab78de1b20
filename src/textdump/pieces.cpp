#include "textdump/pieces.hpp"

#include <algorithm>
#include <string_view>

namespace textdump {

namespace {

void set_piece(Piece& piece, std::string_view bytes) {
  if (bytes.size() > PIECE_MAX) return;
  std::copy(bytes.begin(), bytes.end(), piece.bytes);
  piece.size = static_cast<std::uint8_t>(bytes.size());
}

} // namespace

void build_pieces(const CodeTable& table, std::uint8_t active_table, Pieces& pieces) {
  constexpr char digits[] = "0123456789ABCDEF";
  for (std::size_t code = 0; code < TABLE_CODES; ++code) {
    Piece& piece = pieces[code];
    piece = Piece{};
    const std::uint32_t value = table.code_value[code];
    if (value == CODE_UNDEFINED) {
      const char bytes[4] = {'(', digits[code >> 4], digits[code & 0xF], ')'};
      set_piece(piece, {bytes, 4});
    } else if (value <= CODE_TEXT_MAX) {
      set_piece(piece, table.code_text[code]);
    } else if (value == CODE_LINE_BREAK) {
      set_piece(piece, LINE_BREAK_BYTES);
    } else if (value == CODE_WAIT) {
      set_piece(piece, WAIT_BYTES);
    } else if (value == CODE_END && active_table == 0) {
      set_piece(piece, END_BYTES); // with another table in force, END restores first
    }
  }
}

} // namespace textdump
