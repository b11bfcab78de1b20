#include "core/decoder.hpp"

#include <algorithm>
#include <cstring>

namespace textdump {

Decoder::Decoder(CodeTable& table, RomView rom, Writer& out, MemberLoader load_member)
    : table_(table), rom_(rom), out_(out), load_member_(std::move(load_member)),
      header_size_(header_size_of(rom)) {
  rebuild();
}

void Decoder::rebuild() {
  build_pieces(table_, active_table_ != 0, pieces_);
  for (unsigned byte = 0; byte < 256; ++byte)
    kinds_[byte] = table_.at(static_cast<std::uint8_t>(byte)).kind;
}

void Decoder::write_rendering(std::uint8_t byte) {
  const Piece& piece = pieces_[byte];
  if (piece.size != NOT_PLAIN)
    out_.write_piece(piece.bytes, piece.size);
  else
    out_.write(table_.at(byte).rendering);
}

// Writes the plain bytes from the position on, up to the first byte that is not
// plain, the end of the ROM or stop. No branch depends on the byte's kind:
// every piece is copied whole (16 bytes) and the cursor advances by its size.
bool Decoder::plain_run(std::uint64_t stop) {
  stop = std::min(stop, rom_.size);
  if (position_ >= stop) return true;
  const Piece* const pieces = pieces_.data();
  const unsigned char* p = rom_.data + position_;
  const unsigned char* const end = rom_.data + stop;
  char* cursor = out_.cursor();
  char* limit = out_.buffer_end() - sizeof(Piece);
  while (p < end) {
    const Piece& piece = pieces[*p];
    const std::uint8_t size = piece.size;
    if (size == NOT_PLAIN) break;
    if (cursor > limit) {
      out_.advance(static_cast<std::size_t>(cursor - out_.cursor()));
      out_.make_room(sizeof(Piece));
      cursor = out_.cursor();
    }
    std::memcpy(cursor, &piece, sizeof(Piece));
    cursor += size;
    ++p;
  }
  out_.advance(static_cast<std::size_t>(cursor - out_.cursor()));
  position_ = static_cast<std::uint64_t>(p - rom_.data);
  return !out_.failed();
}

bool Decoder::load_member(std::uint8_t member) {
  if (!load_member_) return false;
  const std::optional<std::vector<Definition>> definitions = load_member_(member);
  if (!definitions) return false;
  table_.lay_over(*definitions);
  active_table_ = member;
  rebuild();
  return true;
}

DecodeEnd Decoder::run_to(std::uint32_t last) {
  const std::uint64_t stop = std::uint64_t{last} + 1;
  while (position_ < stop) {
    if (!plain_run(stop)) return DecodeEnd::write_failed;
    if (position_ >= stop) break;
    const std::uint8_t byte = rom_byte(rom_, position_);
    const Entry& entry = table_.at(byte);
    switch (entry.kind) {
    case EntryKind::end:
      if (active_table_ != 0) {
        // Another member is in force: member 0 comes back before the marker.
        const std::string marker = entry.rendering;
        if (!load_member(0)) return DecodeEnd::table_failed;
        out_.write(marker);
      } else {
        write_rendering(byte);
      }
      break;
    case EntryKind::fixed: follow_fixed(entry, byte); break;
    case EntryKind::snes: follow_snes(entry); break;
    case EntryKind::table_switch:
      if (!load_member(entry.table)) return DecodeEnd::table_failed;
      break;
    default: write_rendering(byte); break;
    }
    if (out_.failed()) return DecodeEnd::write_failed;
    ++position_;
  }
  return DecodeEnd::complete;
}

} // namespace textdump
