// Plain runs: the loops that write plain keys into a buffer, and long runs of
// them on two threads.
//
// A long run of bytes whose keys only write short renderings (the common case:
// texts, undefined bytes, line breaks) needs no state from one byte to the
// next, so pieces of it can be decoded at once. The run is cut into chunks of
// chunk_ ROM bytes, decoded into a ring of buffers and written in order
// (chunk_pipeline.hpp). A chunk that meets a byte that is not
// plain ends the run there; the chunks after it are dropped, and the
// one-thread loop goes on from that byte.
#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

#include "core/decode/chunk_pipeline.hpp"
#include "core/decode/decoder.hpp"

namespace textdump {

namespace {

// Four one-byte keys at a time while all four are plain; returns where it
// stopped and the cursor there. Their sizes come from an array of their own
// and their pieces are loaded before any store (a store through cursor could
// change any byte the loop reads). A function of its own, so that the loop
// keeps all it needs in registers.
#if defined(__GNUC__)
[[gnu::noinline]]
#endif
std::pair<const unsigned char*, char*>
plain_fours(const unsigned char* p, const unsigned char* end, const Piece* hot,
            const std::uint8_t* hot_sizes, char* cursor) {
  while (end - p >= 4) {
    const unsigned x0 = p[0], x1 = p[1], x2 = p[2], x3 = p[3];
    const unsigned s0 = hot_sizes[x0], s1 = hot_sizes[x1], s2 = hot_sizes[x2], s3 = hot_sizes[x3];
    // Sizes are below 16 but for NOT_PLAIN, so one test sees any of the four.
    static_assert(PIECE_MAX < 16 && NOT_PLAIN == 0xFF);
    if ((s0 | s1 | s2 | s3) == NOT_PLAIN) break;
    Piece a, b, c, d;
    std::memcpy(&a, &hot[x0], sizeof(Piece));
    std::memcpy(&b, &hot[x1], sizeof(Piece));
    std::memcpy(&c, &hot[x2], sizeof(Piece));
    std::memcpy(&d, &hot[x3], sizeof(Piece));
    std::memcpy(cursor, &a, sizeof(Piece));
    cursor += s0;
    std::memcpy(cursor, &b, sizeof(Piece));
    cursor += s1;
    std::memcpy(cursor, &c, sizeof(Piece));
    cursor += s2;
    std::memcpy(cursor, &d, sizeof(Piece));
    cursor += s3;
    p += 4;
  }
  return {p, cursor};
}

// Two-byte keys while each key is one and has a plain piece (entries[0], for
// a pair that no key has, has none), two keys at a time where both lie before
// end and limit; returns where it stopped and the cursor there.
#if defined(__GNUC__)
[[gnu::noinline]]
#endif
std::pair<const unsigned char*, char*>
plain_pairs(const unsigned char* p, const unsigned char* end, const unsigned char* limit,
            const std::uint16_t* pair_rows, const std::array<CodeTable::Index, 256>* pairs,
            const Piece* entries, char* cursor) {
  while (end - p >= 3 && limit - p >= 4) {
    const unsigned row0 = pair_rows[p[0]], row1 = pair_rows[p[2]];
    if (row0 == 0 || row1 == 0) break;
    const Piece& e0 = entries[pairs[row0 - 1][p[1]]];
    const Piece& e1 = entries[pairs[row1 - 1][p[3]]];
    const unsigned s0 = e0.size, s1 = e1.size;
    if ((s0 | s1) == NOT_PLAIN) break;
    Piece a, b;
    std::memcpy(&a, &e0, sizeof(Piece));
    std::memcpy(&b, &e1, sizeof(Piece));
    std::memcpy(cursor, &a, sizeof(Piece));
    cursor += s0;
    std::memcpy(cursor, &b, sizeof(Piece));
    cursor += s1;
    p += 4;
  }
  while (p < end && limit - p >= 2) {
    const unsigned row = pair_rows[p[0]];
    if (row == 0) break;
    const Piece& piece = entries[pairs[row - 1][p[1]]];
    if (piece.size == NOT_PLAIN) break;
    std::memcpy(cursor, &piece, sizeof(Piece));
    cursor += piece.size;
    p += 2;
  }
  return {p, cursor};
}

} // namespace

// Decodes plain keys of [p, end) into out (room for 16 bytes a byte). A
// two-byte key may take the byte at end, when it lies before limit.
Decoder::Chunked Decoder::decode_chunk(const unsigned char* p, const unsigned char* end,
                                       const unsigned char* limit, char* out) const {
  char* cursor = out;
  // Kept at hand: every store through cursor could otherwise change them.
  const Piece* const hot = pieces_.hot.data();
  const std::uint8_t* const hot_sizes = pieces_.hot_sizes.data();
  const Piece* const single = pieces_.single.data();
  const Piece* const entries = pieces_.entries.data();
  const std::array<CodeTable::Index, 256>* const pairs = table_->pair_table();
  const std::uint16_t* const pair_rows = pieces_.pair_rows.data();
  for (;;) {
    std::tie(p, cursor) = plain_fours(p, end, hot, hot_sizes, cursor);
    if (pairs_) std::tie(p, cursor) = plain_pairs(p, end, limit, pair_rows, pairs, entries, cursor);
    // The plain one-byte keys before the one that stopped the four.
    for (int i = 0; i < 3 && p < end && hot_sizes[*p] != NOT_PLAIN; ++i) {
      std::memcpy(cursor, &hot[*p], sizeof(Piece));
      cursor += hot_sizes[*p++];
    }
    // One key of any other kind: a one-byte key where a longer one may start,
    // or the end of what plain keys can do.
    if (p >= end) return {p, static_cast<std::size_t>(cursor - out)};
    const Piece* piece = &hot[*p];
    std::size_t length = 1;
    if (piece->size == NOT_PLAIN) {
      const std::uint16_t row = pair_rows[*p];
      if (row == 0 || p + 1 >= limit) return {p, static_cast<std::size_t>(cursor - out)};
      const CodeTable::Index index = pairs[row - 1u][p[1]];
      piece = index != 0 ? &entries[index] : &single[*p];
      if (piece->size == NOT_PLAIN) return {p, static_cast<std::size_t>(cursor - out)};
      length = index != 0 ? 2 : 1;
    }
    std::memcpy(cursor, piece, sizeof(Piece));
    cursor += piece->size;
    p += length;
  }
}

void Decoder::use_threads(bool on, std::size_t chunk) {
  threads_ = on;
  chunk_ = std::max<std::size_t>(chunk, 1);
  for (auto& buffer : chunk_buffers_) buffer.reset(); // made again at the new size
}

bool Decoder::parallel_run(std::uint64_t stop) {
  stop = std::min(stop, rom_.size);
  if (position_ >= stop || stop - position_ < 4 * chunk_) return true;
  // The first chunk alone: threads start only where a whole chunk was plain.
  const std::uint64_t probe_end = position_ + chunk_;
  if (!plain_run(probe_end)) return false;
  if (position_ < probe_end) return true;

  // Only the pages a chunk's output reaches are ever touched.
  for (auto& buffer : chunk_buffers_)
    if (!buffer) buffer = std::make_unique_for_overwrite<char[]>(chunk_ * sizeof(Piece));
  constexpr std::size_t SLOTS = std::tuple_size_v<decltype(chunk_buffers_)>;
  const unsigned char* const first = rom_.data + position_;
  const unsigned char* const last = rom_.data + stop;
  const auto length = static_cast<std::size_t>(last - first);
  const std::size_t chunks = (length + chunk_ - 1) / chunk_;

  struct Slot {
    const unsigned char* reached = nullptr;
    std::size_t bytes = 0;
  };
  std::array<Slot, SLOTS> slots{};
  const unsigned char* reached = first; // the end of what was written
  const auto decode = [&](std::size_t k) {
    const unsigned char* const from = first + k * chunk_;
    const Chunked decoded =
        decode_chunk(from, std::min(from + chunk_, last), last, chunk_buffers_[k % SLOTS].get());
    slots[k % SLOTS] = {decoded.reached, decoded.bytes};
  };
  const auto write = [&](std::size_t turn) {
    const unsigned char* const from = first + turn * chunk_;
    // Each chunk is decoded from its own first byte; a chunk whose last key
    // took the first byte of the next one makes that next one void.
    if (reached != from) return false;
    const Slot& slot = slots[turn % SLOTS];
    out_.write_through({chunk_buffers_[turn % SLOTS].get(), slot.bytes});
    reached = slot.reached;
    return reached >= std::min(from + chunk_, last) && !out_.failed();
  };
  run_chunk_pipeline(chunks, SLOTS, 0, decode, write);
  position_ = static_cast<std::uint64_t>(reached - rom_.data);
  return !out_.failed();
}

} // namespace textdump
