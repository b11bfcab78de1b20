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
  while (p < end) {
    const PlainKey key = plain_key(p, limit);
    if (key.piece == nullptr) break;
    std::memcpy(cursor, key.piece, sizeof(Piece));
    cursor += key.piece->size;
    p += key.length;
  }
  return {p, static_cast<std::size_t>(cursor - out)};
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
