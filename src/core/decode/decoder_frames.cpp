// Switches of standard tables: a stack of frames, each decoding through a table
// of the file (or raw bytes) until its counter runs down, its fallback bytes
// stand at its position, a return leaves it, or an end unwinds every frame
// above the root. The root frame is the table the decoder was given; the
// general loop hands a switch met there to run_frames, which returns once only
// the root is left.
//
// A frame that its own last PARAM opens again through the same table with the
// same fallback bytes and no counter decodes as it would once that new frame
// is left: the stack holds it once with a count of its copies, so that a table
// whose switch opens its own frame at every byte keeps a stack of one frame.
// So do tables that open each other in a cycle (A opens B, B opens A): once a
// frame like the one a period below opens, the stack keeps the period's frames
// and counts the repeats below them. Deeper than FRAMES_MAX, a switch throws.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/decode/decoder.hpp"
#include "core/decode/rom_walk.hpp"

// The steps of the frames are one loop, cut into functions for reading: each
// is inlined into run_frames, so that a step makes no call (called, they cost
// the switching dump about 1% more instructions).
#if defined(__GNUC__)
#define FRAME_STEP [[gnu::always_inline]] inline
#else
#define FRAME_STEP inline
#endif

namespace textdump {

void Decoder::use_tables(const std::vector<CodeTable>* tables) {
  tables_ = tables;
  frame_tables_.clear();
  root_switches_ = tables && has_switches(*table_);
  if (!tables) return;
  frame_tables_.resize(tables->size());
  for (std::size_t t = 0; t < tables->size(); ++t) {
    const CodeTable& table = (*tables)[t];
    FrameTable& fast = frame_tables_[t];
    build_pieces(table, true, fast.pieces);
    for (unsigned byte = 0; byte < 256; ++byte) {
      const Entry& entry = table.at(static_cast<std::uint8_t>(byte));
      fast.weights[byte] = entry.kind == EntryKind::undefined ? 0 : entry.weight;
    }
  }
}

// Counting takes one step however deep "+" marks carry a count: the frames of
// a chain share one total, kept by the chain's lowest frame (its base), and
// each frame knows the least total at which some frame of its chain, from the
// base up to it, runs out.
FRAME_STEP void Decoder::count(std::uint32_t weight) {
  frames_[frames_.back().base].total += weight;
}

FRAME_STEP bool Decoder::frame_exhausted() const {
  return frames_[frames_.back().base].total >= frames_.back().runs_out;
}

// A frame that holds nothing but its table and fallback bytes: no counter, no
// chain to the frames below, one copy, and nothing left of its switch to open.
// Two such frames of one table and fallback decode alike from here on.
bool Decoder::plain_frame(std::size_t at) const {
  const Frame& frame = frames_[at];
  return frame.table && frame.runs_out == INT64_MAX && frame.base == at && frame.copies == 1 &&
         (!frame.pending || frame.next == frame.pending->params.size());
}

// The top frame opened again by its switch's last PARAM, through its own table
// with its own fallback bytes and no counter: one more copy. Without "+" the
// copy counts on its own, and nothing reads what it counts; with "+" it counts
// toward the top's chain and runs out with it, as the top does.
bool Decoder::fold_copy(const FrameParam& param) {
  Frame& top = frames_.back();
  if (frames_.size() == 1 || param.kind != FrameParam::Kind::table || param.count != 0 ||
      top.next != top.pending->params.size() || top.table != &(*tables_)[param.table] ||
      top.until != param.until)
    return false;
  if (!param.plus) {
    if (top.runs_out != INT64_MAX || top.base != frames_.size() - 1) return false;
    top.total = 0;
  }
  ++top.copies;
  top.pending = nullptr;
  top.next = 0;
  return true;
}

// A frame like the one a period below the top (at most CYCLE_MAX), opened while
// every frame from that one up is plain: the cycle's frames turn by one, the
// lowest falling among the hidden repeats and coming back on top as the frame
// just opened. A cycle lies above the cycles before it.
bool Decoder::fold_cycle(const FrameParam& param) {
  if (param.kind != FrameParam::Kind::table || param.count != 0 || param.plus) return false;
  const std::size_t n = frames_.size();
  const CodeTable* table = &(*tables_)[param.table];
  const auto like = [&](std::size_t at) {
    return frames_[at].table == table && frames_[at].until == param.until;
  };
  if (!cycles_.empty() && cycles_.back().top == n - 1) {
    Cycle& cycle = cycles_.back();
    if (!plain_frame(n - 1) || !like(n - cycle.period)) return false;
    ++cycle.hidden;
    rotate_cycle(false);
    return true;
  }
  const std::size_t floor = cycles_.empty() ? 1 : cycles_.back().top + 1; // never the root
  for (std::size_t period = 1; period <= CYCLE_MAX && period <= n - floor; ++period) {
    if (!plain_frame(n - period)) return false;
    if (period == 1 || !like(n - period)) continue;
    cycles_.push_back({n - 1, period, 1});
    rotate_cycle(false);
    return true;
  }
  return false;
}

// The cycle on top turned by one: opening (popping false), its lowest frame
// comes back fresh on top; leaving (popping true), the top frame goes back to
// the bottom as the repeat below that resumes once the frames above it leave.
void Decoder::rotate_cycle(bool popping) {
  const Cycle& cycle = cycles_.back();
  const std::size_t bottom = cycle.top + 1 - cycle.period;
  const auto first = frames_.begin() + static_cast<std::ptrdiff_t>(bottom);
  if (popping)
    std::rotate(first, frames_.end() - 1, frames_.end());
  else
    std::rotate(first, first + 1, frames_.end());
  for (std::size_t at = bottom; at <= cycle.top; ++at) frames_[at].base = at;
  Frame& moved = popping ? frames_[bottom] : frames_.back();
  moved.total = 0;
  moved.pending = nullptr;
  moved.next = 0;
}

// A frame for the PARAM, on top. Its chain is its parent's when it is marked
// "+"; it runs out once the chain has counted its counter past the chain's
// total when it opened.
FRAME_STEP void Decoder::open_frame(const FrameParam& param) {
  if (fold_copy(param) || fold_cycle(param)) return;
  if (frames_.size() >= FRAMES_MAX) throw FramesTooDeep();
  Frame frame;
  if (param.kind != FrameParam::Kind::raw) {
    frame.table = &(*tables_)[param.table];
    frame.fast = &frame_tables_[param.table];
  }
  frame.until = param.until;
  frame.base = param.plus ? frames_.back().base : frames_.size();
  const std::int64_t opened_at = param.plus ? frames_[frame.base].total : 0;
  if (param.kind == FrameParam::Kind::raw || param.count != 0)
    frame.runs_out = opened_at + param.count;
  if (param.plus) frame.runs_out = std::min(frame.runs_out, frames_.back().runs_out);
  frames_.push_back(frame);
}

// Leaves the top frame: one of its copies (all of them once their chain ran
// out), one repeat of the cycle on top, or the frame.
FRAME_STEP void Decoder::pop_frame() {
  Frame& top = frames_.back();
  if (top.copies > 1 && !frame_exhausted()) {
    --top.copies;
    top.pending = nullptr; // the copy below had opened it with its last PARAM
    return;
  }
  if (!cycles_.empty() && cycles_.back().top == frames_.size() - 1) {
    if (cycles_.back().hidden > 0) {
      --cycles_.back().hidden;
      rotate_cycle(true);
      return;
    }
    cycles_.pop_back();
  }
  frames_.pop_back();
}

FRAME_STEP void Decoder::begin_switch(const Entry& entry) {
  out_.write(entry.rendering);
  count(entry.weight);
  frames_.back().pending = &entry;
  frames_.back().next = 0;
}

FRAME_STEP bool Decoder::open_next_param() {
  Frame& top = frames_.back();
  const std::vector<FrameParam>& params = top.pending->params;
  if (top.next < params.size()) {
    const FrameParam& param = params[top.next++];
    if (param.kind != FrameParam::Kind::back) {
      open_frame(param);
      return true;
    }
    top.pending = nullptr;
    if (frames_.size() == 1) return false; // a return at the root leaves nothing
    pop_frame();
    return true;
  }
  top.pending = nullptr;
  if (frames_.size() == 1) return false;
  if (frame_exhausted()) pop_frame();
  return true;
}

// One-byte keys that only write a short rendering, counted as they go, up to
// a key of another kind, the first byte of the fallback, stop or pause_.
FRAME_STEP bool Decoder::fast_frame_run(std::uint64_t stop) {
  Frame& top = frames_.back();
  const Piece* const hot = top.fast->pieces.hot.data();
  const std::uint32_t* const weights = top.fast->weights.data();
  const int until = top.until.empty() ? -1 : static_cast<std::uint8_t>(top.until[0]);
  // Counted in a local, written back once: kept in memory, the total would
  // be stored and loaded again around every store through cursor.
  std::int64_t& counted = frames_[top.base].total;
  std::int64_t total = counted;
  const std::int64_t runs_out = top.runs_out;
  const unsigned char* p = rom_.data + std::min(position_, rom_.size);
  const unsigned char* const end = rom_.data + std::min({stop, pause_, rom_.size});
  bool ran_out = false, stopped = false;
  while (p < end && !ran_out && !stopped) {
    // As many keys as the buffer has room for, 16 bytes a key.
    if (out_.buffer_end() - out_.cursor() < 16) out_.flush();
    const auto room = static_cast<std::size_t>(out_.buffer_end() - out_.cursor()) / 16;
    const unsigned char* const slice_end = p + std::min(room, static_cast<std::size_t>(end - p));
    char* const first = out_.cursor();
    char* cursor = first;
    while (p < slice_end) {
      const std::uint8_t byte = *p;
      const Piece& piece = hot[byte];
      if (piece.size == NOT_PLAIN || byte == until) {
        stopped = true;
        break;
      }
      std::memcpy(cursor, &piece, sizeof(Piece));
      cursor += piece.size;
      ++p;
      total += weights[byte];
      if (total >= runs_out) {
        ran_out = true;
        break;
      }
    }
    out_.advance(static_cast<std::size_t>(cursor - first));
  }
  counted = total;
  if (p > rom_.data + position_) position_ = static_cast<std::uint64_t>(p - rom_.data);
  return ran_out;
}

FRAME_STEP bool Decoder::at_until(const Frame& top, std::uint64_t stop) const {
  if (top.until.empty() || stop - position_ < top.until.size()) return false;
  for (std::size_t i = 0; i < top.until.size(); ++i)
    if (rom_byte(rom_, position_ + i) != static_cast<std::uint8_t>(top.until[i])) return false;
  return true;
}

FRAME_STEP bool Decoder::frame_step(std::uint64_t stop) {
  Frame& top = frames_.back();
  if (!top.table) {
    out_.write(raw_byte_rendering(rom_byte(rom_, position_)));
    ++position_;
    count(1);
  } else if (at_until(top, stop)) {
    position_ += top.until.size();
    pop_frame();
    return true;
  } else {
    const CodeTable::Match match = key_at(*top.table, rom_, position_, stop);
    const Entry& entry = top.table->entry(match.index);
    switch (entry.kind) {
    case EntryKind::undefined:
      out_.write(raw_byte_rendering(rom_byte(rom_, position_)));
      ++position_;
      if (counts_) ++counts_->unknown;
      break;
    case EntryKind::end:
      out_.write(entry.rendering);
      position_ += match.length;
      if (counts_) counts_->ended = true;
      return false; // every frame above the root ends, and its remaining PARAMs too
    case EntryKind::frames:
      position_ += match.length;
      begin_switch(entry);
      return true;
    case EntryKind::control:
      position_ += match.length - 1;
      write_control(entry);
      ++position_;
      count(entry.weight);
      break;
    default:
      out_.write(entry.rendering);
      position_ += match.length;
      count(entry.weight);
      if (counts_) ++counts_->texts;
      break;
    }
  }
  if (frame_exhausted()) pop_frame();
  return true;
}

void Decoder::run_frames(const Entry& root_switch, std::uint64_t stop) {
  frames_.assign(1, Frame{});
  cycles_.clear();
  frames_[0].table = table_;
  begin_switch(root_switch);
  while (!out_.failed()) {
    if (frames_.back().pending) {
      if (!open_next_param()) return;
      continue;
    }
    if (position_ >= stop) return; // the dump is over: open frames are left
    if (position_ >= pause_) {
      paused_ = true;
      return;
    }
    if (frames_.back().fast && !counts_) {
      if (fast_frame_run(stop)) {
        pop_frame();
        continue;
      }
      if (position_ >= stop) return;
      if (position_ >= pause_) continue;
    }
    if (!frame_step(stop)) return;
  }
}

Decoder::SwitchRun Decoder::run_switch(std::uint64_t stop) {
  SwitchRun run;
  const CodeTable::Match match = key_at(*table_, rom_, position_, stop);
  const Entry& entry = table_->entry(match.index);
  position_ += match.length;
  if (entry.kind != EntryKind::frames || !tables_) return run;
  counts_ = &run;
  run_frames(entry, stop);
  counts_ = nullptr;
  return run;
}

} // namespace textdump

#undef FRAME_STEP
