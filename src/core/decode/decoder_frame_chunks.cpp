// Runs with switches on two threads.
//
// Where a switch comes every few bytes, plain runs are too short for the
// threads of decoder_parallel.cpp. Such a range is cut into chunks of chunk_
// ROM bytes, and each chunk is decoded by a decoder of its own, as if the
// starting table were in force at its first byte. That guess may be wrong (the
// chunk before may end inside a frame), but two decodes that stand in the
// starting table at the same offset write the same from there on. So each
// chunk notes the offsets where its starting table takes a general step (a
// switch, an end, any key that is not plain), and the output written before
// them: its first ones (its head), and the first ones past its end (its
// tail), for it decodes on into the next chunk, up to chunk_ bytes. A
// chunk is written up to the first offset of its tail that is also in the
// next chunk's head, and the next chunk from there. Where the two share no
// offset, the chunk is written up to the last offset it knows and the
// one-thread loop goes on from there.
//
// The range stops well before the end of the ROM, so that no chunk meets a
// control code whose parameters lie past it.
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/decode/chunk_pipeline.hpp"
#include "core/decode/decoder.hpp"

namespace textdump {

struct Decoder::ChunkMarks {
  struct Mark {
    std::uint64_t position = 0;
    std::uint64_t written = 0; // output before the step, from the chunk's first byte
  };
  static constexpr std::size_t MOST = 64; // of the head, and of the tail

  std::uint64_t end = 0;        // the chunk's end: the next chunk's first byte
  std::uint64_t written_at = 0; // the writer's count at the chunk's first byte
  std::vector<Mark> head, tail;
  Mark last; // the last mark before end

  void reset(std::uint64_t first, std::uint64_t chunk_end, std::uint64_t count) {
    end = chunk_end;
    written_at = count;
    head.clear();
    tail.clear();
    last = {first, 0};
  }
};

bool Decoder::note_mark() {
  ChunkMarks& marks = *marks_;
  const ChunkMarks::Mark mark{position_, out_.count() - marks.written_at};
  if (position_ < marks.end) {
    marks.last = mark;
    if (marks.head.size() < ChunkMarks::MOST) marks.head.push_back(mark);
    return true;
  }
  marks.tail.push_back(mark);
  return marks.tail.size() < ChunkMarks::MOST;
}

namespace {

// The first offset of tail that is also in head (both in increasing order):
// its index in each, or nothing.
template <class Marks>
std::optional<std::pair<std::size_t, std::size_t>> first_shared(const Marks& tail,
                                                                const Marks& head) {
  for (std::size_t t = 0, h = 0; t < tail.size() && h < head.size();) {
    if (tail[t].position == head[h].position) return std::pair{t, h};
    if (tail[t].position < head[h].position)
      ++t;
    else
      ++h;
  }
  return std::nullopt;
}

} // namespace

// A chunk's output stays in its writer's buffer; only what does not fit
// there is kept in the sink.
struct Decoder::ChunkSlot {
  struct Spill final : Sink {
    std::string bytes;
    bool keep = true;
    bool write(std::string_view more) override {
      if (keep) bytes.append(more);
      return true;
    }
  };
  explicit ChunkSlot(Decoder& owner) : out(sink), decoder(*owner.table_, owner.rom_, out) {
    decoder.use_tables(owner.tables_);
    decoder.marks_ = &marks;
  }
  // The chunk's output from..to, spilled bytes first.
  void write_to(Writer& to_out, std::uint64_t from, std::uint64_t to) {
    const std::string_view spilled(sink.bytes);
    const char* const start = out.buffer_end() - Writer::CAPACITY;
    const std::string_view kept(start, static_cast<std::size_t>(out.cursor() - start));
    if (from < spilled.size())
      to_out.write_through(
          spilled.substr(from, std::min<std::uint64_t>(to, spilled.size()) - from));
    if (to > spilled.size()) {
      const std::uint64_t at = std::max<std::uint64_t>(from, spilled.size());
      to_out.write_through(kept.substr(at - spilled.size(), to - at));
    }
  }
  // Decodes the chunk [first, end) and on into the next one, noting its marks.
  void decode(std::uint64_t first, std::uint64_t end, std::uint64_t stop) {
    sink.keep = false; // the chunk before
    out.flush();
    sink.keep = true;
    sink.bytes.clear();
    marks.reset(first, end, out.count());
    decoder.seek(first);
    decoder.pause_ = end + (end - first);
    decoder.paused_ = false;
    decoder.run_to(static_cast<std::uint32_t>(stop - 1));
  }
  Spill sink;
  Writer out;
  Decoder decoder;
  ChunkMarks marks;
};

bool Decoder::switching_run(std::uint64_t stop, bool& again) {
  // Far enough from the end that no control code of a chunk runs past the ROM.
  constexpr std::uint64_t MARGIN = 512;
  const std::uint64_t end = std::min(stop, rom_.size);
  if (position_ >= end || end - position_ < MARGIN + 6 * std::uint64_t{chunk_}) return true;
  const std::uint64_t first = position_;
  const std::size_t chunks = static_cast<std::size_t>((end - first - MARGIN) / chunk_ - 1);

  constexpr std::size_t SLOTS = 4;
  std::array<std::unique_ptr<ChunkSlot>, SLOTS> slots;
  for (auto& slot : slots) slot = std::make_unique<ChunkSlot>(*this);

  std::uint64_t from = 0;        // where the output of the chunk to be written starts
  std::uint64_t reached = first; // the offset the written output reaches
  const auto chunk_start = [&](std::size_t k) { return first + k * std::uint64_t{chunk_}; };
  const auto decode = [&](std::size_t k) {
    slots[k % SLOTS]->decode(chunk_start(k), chunk_start(k + 1), stop);
  };
  // Writes chunk turn up to where the next one takes over, or, when the two
  // share no offset, up to the last offset it knows, and stops there.
  const auto write = [&](std::size_t turn) {
    ChunkSlot& slot = *slots[turn % SLOTS];
    const ChunkMarks& marks = slot.marks;
    ChunkMarks::Mark to = marks.tail.empty() ? marks.last : marks.tail.back();
    std::uint64_t next_from = 0;
    bool joined = false;
    if (turn + 1 == chunks) {
      if (!marks.tail.empty()) to = marks.tail.front();
    } else if (const auto& head = slots[(turn + 1) % SLOTS]->marks.head;
               const auto shared = first_shared(marks.tail, head)) {
      to = marks.tail[shared->first];
      next_from = head[shared->second].written;
      joined = true;
    } else {
      again = false;
    }
    slot.write_to(out_, from, to.written);
    reached = to.position;
    from = next_from;
    return joined && !out_.failed();
  };
  run_chunk_pipeline(chunks, SLOTS, 1, decode, write);
  position_ = reached;
  return !out_.failed();
}

} // namespace textdump
