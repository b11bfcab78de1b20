// Plain runs on two threads.
//
// A long run of bytes whose keys only write short renderings (the common case:
// texts, undefined bytes, line breaks) needs no state from one byte to the
// next, so pieces of it can be decoded at once. The run is cut into chunks of
// CHUNK ROM bytes; thread 0 decodes the even chunks and thread 1 the odd ones,
// each into a buffer of its own, and each hands its chunk to the writer when
// the chunk before it has been written. While one thread writes, the other
// decodes. A chunk that meets a byte that is not plain ends the run there; the
// chunks after it are dropped, and the one-thread loop goes on from that byte.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "core/decoder.hpp"

namespace textdump {

namespace {

constexpr std::size_t CHUNK = std::size_t{256} << 10;

} // namespace

// Decodes plain keys of [p, end) into out (room for 16 bytes a byte). A
// two-byte key may take the byte at end, when it lies before limit.
Decoder::Chunked Decoder::decode_chunk(const unsigned char* p, const unsigned char* end,
                                       const unsigned char* limit, char* out) const {
  char* cursor = out;
  // Kept at hand: every store through cursor could otherwise change them.
  const Piece* const hot = pieces_.hot.data();
  const Piece* const single = pieces_.single.data();
  const Piece* const entries = pieces_.entries.data();
  const std::uint8_t* const longest = table_.longest_keys();
  const std::uint16_t* const rows = table_.pair_rows();
  const std::array<CodeTable::Index, 256>* const pairs = table_.pair_table();
  for (;;) {
    // Four one-byte keys at a time while all four are plain: their pieces are
    // looked up before any is stored.
    while (end - p >= 4) {
      const Piece& a = hot[p[0]];
      const Piece& b = hot[p[1]];
      const Piece& c = hot[p[2]];
      const Piece& d = hot[p[3]];
      if (a.size == NOT_PLAIN || b.size == NOT_PLAIN || c.size == NOT_PLAIN || d.size == NOT_PLAIN)
        break;
      std::memcpy(cursor, &a, sizeof(Piece));
      cursor += a.size;
      std::memcpy(cursor, &b, sizeof(Piece));
      cursor += b.size;
      std::memcpy(cursor, &c, sizeof(Piece));
      cursor += c.size;
      std::memcpy(cursor, &d, sizeof(Piece));
      cursor += d.size;
      p += 4;
    }
    // One key at a time, two-byte keys included, while the next byte may
    // begin a longer key.
    do {
      if (p >= end) return {p, static_cast<std::size_t>(cursor - out)};
      const Piece* piece = &hot[*p];
      std::size_t length = 1;
      if (piece->size == NOT_PLAIN) {
        if (longest[*p] != 2 || p + 1 >= limit) return {p, static_cast<std::size_t>(cursor - out)};
        const std::uint16_t row = rows[*p];
        const CodeTable::Index index = row != 0 ? pairs[row - 1u][p[1]] : 0;
        piece = index != 0 ? &entries[index] : &single[*p];
        if (piece->size == NOT_PLAIN) return {p, static_cast<std::size_t>(cursor - out)};
        length = index != 0 ? 2 : 1;
      }
      std::memcpy(cursor, piece, sizeof(Piece));
      cursor += piece->size;
      p += length;
    } while (p < end && hot[*p].size == NOT_PLAIN);
  }
}

bool Decoder::parallel_run(std::uint64_t stop) {
  stop = std::min(stop, rom_.size);
  if (position_ >= stop || stop - position_ < 4 * CHUNK) return true;
  // The first chunk alone: threads start only where a whole chunk was plain.
  const std::uint64_t probe_end = position_ + CHUNK;
  if (!plain_run(probe_end)) return false;
  if (position_ < probe_end) return true;

  for (auto& buffer : chunk_buffers_)
    if (buffer.empty()) buffer.resize(CHUNK * sizeof(Piece));
  const unsigned char* const first = rom_.data + position_;
  const unsigned char* const last = rom_.data + stop;
  const auto length = static_cast<std::size_t>(last - first);
  const std::size_t chunks = (length + CHUNK - 1) / CHUNK;

  std::mutex mutex;
  // Each chunk is decoded from its own first byte; a chunk whose last key
  // took the first byte of the next one makes that next one void.
  std::condition_variable turn_changed;
  std::size_t turn = 0;                 // the chunk to be written next
  bool stopped = false;                 // a chunk ended early, or a write failed
  const unsigned char* reached = first; // the end of what was written

  const auto work = [&](std::size_t thread) {
    for (std::size_t k = thread; k < chunks; k += 2) {
      const unsigned char* from = first + k * CHUNK;
      const unsigned char* to = std::min(from + CHUNK, last);
      const Chunked chunk = decode_chunk(from, to, last, chunk_buffers_[thread].data());
      std::unique_lock lock(mutex);
      turn_changed.wait(lock, [&] { return turn == k || stopped; });
      if (stopped) return;
      if (reached != from) { // the chunk before ran into this one
        stopped = true;
        turn_changed.notify_all();
        return;
      }
      out_.write_through({chunk_buffers_[thread].data(), chunk.bytes});
      reached = chunk.reached;
      stopped = chunk.reached < to || out_.failed();
      ++turn;
      turn_changed.notify_all();
      if (stopped) return;
    }
  };
  std::thread helper(work, 1);
  work(0);
  helper.join();
  position_ = static_cast<std::uint64_t>(reached - rom_.data);
  return !out_.failed();
}

} // namespace textdump
