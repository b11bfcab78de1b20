#include "core/decode/decoder.hpp"

#include "core/decode/rom_walk.hpp"

#include <algorithm>
#include <cstring>
#include <string>

namespace textdump {

Decoder::Decoder(const CodeTable& table, RomView rom, Writer& out, MemberLoader load_member)
    : table_(&table), rom_(rom), out_(out), load_member_(std::move(load_member)),
      header_size_(header_size_of(rom)) {
  rebuild();
}

void Decoder::rebuild() {
  build_pieces(*table_, active_table_ != 0, pieces_);
  pairs_ = false;
  for (unsigned byte = 0; byte < 256; ++byte) {
    kinds_[byte] = table_->at(static_cast<std::uint8_t>(byte)).kind;
    pairs_ = pairs_ || pieces_.pair_rows[byte] != 0;
  }
}

void Decoder::write_rendering(std::uint8_t byte) {
  const Piece& piece = pieces_.single[byte];
  if (piece.size != NOT_PLAIN)
    out_.write_piece(piece.bytes, piece.size);
  else
    out_.write(table_->at(byte).rendering);
}

void Decoder::write_entry(CodeTable::Index index, std::uint8_t byte) {
  if (index == table_->index_of(byte)) return write_rendering(byte);
  const Piece& piece = pieces_.entries[index];
  if (piece.size != NOT_PLAIN)
    out_.write_piece(piece.bytes, piece.size);
  else
    out_.write(table_->entry(index).rendering);
}

void Decoder::write_control(const Entry& entry) {
  out_.write(entry.rendering);
  const bool standard = table_->format() == TableFormat::standard;
  for (unsigned i = 0; i < entry.arguments; ++i) {
    if (standard && position_ + 1 >= rom_.size) {
      if (short_controls_++ == 0) first_short_control_ = position_ + 1;
      position_ += entry.arguments - i;
      break;
    }
    out_.write(raw_byte_rendering(next_argument()));
  }
  out_.write(entry.after);
}

// Writes the plain keys from the position on, up to the first key that is not
// plain, the end of the ROM or stop. No branch depends on an entry's kind:
// every piece is copied whole (16 bytes) and the cursor advances by its size.
// Two-byte keys are looked up directly; longer ones take the general path.
bool Decoder::plain_run(std::uint64_t stop) {
  stop = std::min(stop, rom_.size);
  const unsigned char* p = rom_.data + std::min(position_, stop);
  const unsigned char* const end = rom_.data + stop;
  while (p < end) {
    // As many keys as the buffer has room for: 16 bytes a key, and one key
    // more, which may take the byte after the slice.
    std::size_t room = static_cast<std::size_t>(out_.buffer_end() - out_.cursor()) / sizeof(Piece);
    if (room < 2) {
      out_.flush();
      room = static_cast<std::size_t>(out_.buffer_end() - out_.cursor()) / sizeof(Piece);
    }
    const unsigned char* const slice_end =
        p + std::min<std::size_t>(room - 1, static_cast<std::size_t>(end - p));
    const Chunked chunk = decode_chunk(p, slice_end, end, out_.cursor());
    out_.advance(chunk.bytes);
    const bool stopped = chunk.reached < slice_end;
    p = chunk.reached;
    if (stopped) break;
  }
  position_ = std::max<std::uint64_t>(position_, static_cast<std::uint64_t>(p - rom_.data));
  return !out_.failed();
}

bool Decoder::load_member(std::uint8_t member) {
  if (!load_member_) return false;
  const std::optional<std::vector<Definition>> definitions = load_member_(member);
  if (!definitions) return false;
  // The first load makes the table in force the decoder's own, to lay members over.
  if (!switched_) switched_ = std::make_unique<CodeTable>(*table_);
  switched_->lay_over(*definitions);
  table_ = switched_.get();
  active_table_ = member;
  rebuild();
  return true;
}

DecodeEnd Decoder::run_to(std::uint32_t last) {
  const std::uint64_t stop = std::uint64_t{last} + 1;
  bool chunks = threads_ && root_switches_;
  while (position_ < stop) {
    if (chunks && !switching_run(stop, chunks)) return DecodeEnd::write_failed;
    if (threads_ && !parallel_run(stop)) return DecodeEnd::write_failed;
    if (!plain_run(std::min(stop, pause_))) return DecodeEnd::write_failed;
    if (position_ >= stop) break;
    if (position_ >= pause_ || (marks_ && !note_mark())) return DecodeEnd::complete;
    const std::uint8_t byte = rom_byte(rom_, position_);
    const CodeTable::Match match = key_at(*table_, rom_, position_, stop);
    const Entry& entry = table_->entry(match.index);
    std::uint64_t step = match.length;
    switch (entry.kind) {
    case EntryKind::end:
      if (active_table_ != 0) {
        // Another member is in force: member 0 comes back before the marker.
        const std::string marker = entry.rendering;
        if (!load_member(0)) return DecodeEnd::table_failed;
        out_.write(marker);
      } else {
        write_entry(match.index, byte);
      }
      break;
    case EntryKind::fixed: follow_fixed(entry, byte); break;
    case EntryKind::snes: follow_snes(entry); break;
    case EntryKind::table_switch:
      if (!load_member(entry.table)) return DecodeEnd::table_failed;
      break;
    case EntryKind::frames:
      position_ += match.length;
      step = 0;
      if (tables_) run_frames(entry, stop);
      if (paused_) return DecodeEnd::complete;
      break;
    case EntryKind::control:
      // The parameters follow the key's last byte.
      position_ += match.length - 1;
      write_control(entry);
      step = 1;
      break;
    default: write_entry(match.index, byte); break;
    }
    if (out_.failed()) return DecodeEnd::write_failed;
    position_ += step;
  }
  return DecodeEnd::complete;
}

} // namespace textdump
