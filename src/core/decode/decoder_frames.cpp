// Switches of standard tables: a stack of frames, each decoding through a table
// of the file (or raw bytes) until its counter runs down, its fallback bytes
// stand at its position, a return leaves it, or an end unwinds every frame
// above the root. The root frame is the table the decoder was given; the
// general loop hands a switch met there to run_frames, which returns once only
// the root is left.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/decode/decoder.hpp"
#include "core/decode/rom_walk.hpp"

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

void Decoder::run_frames(const Entry& root_switch, std::uint64_t stop) {
  std::vector<Frame>& stack = frames_;
  stack.assign(1, Frame{});
  stack[0].table = table_;
  // Counting takes one step however deep "+" marks carry a count: the frames
  // of a chain share one total, kept by the chain's lowest frame (its base),
  // and each frame knows the least total at which some frame of its chain,
  // from the base up to it, runs out.
  const auto count = [&stack](std::uint32_t weight) { stack[stack.back().base].total += weight; };
  const auto exhausted = [&stack] {
    return stack[stack.back().base].total >= stack.back().runs_out;
  };
  // A frame for the PARAM, on top. Its chain is its parent's when it is marked
  // "+"; it runs out once the chain has counted its counter past the chain's
  // total when it opened.
  const auto open_frame = [&](const FrameParam& param) {
    Frame frame;
    if (param.kind != FrameParam::Kind::raw) {
      frame.table = &(*tables_)[param.table];
      frame.fast = &frame_tables_[param.table];
    }
    frame.until = param.until;
    frame.base = param.plus ? stack.back().base : stack.size();
    const std::int64_t opened_at = param.plus ? stack[frame.base].total : 0;
    if (param.kind == FrameParam::Kind::raw || param.count != 0)
      frame.runs_out = opened_at + param.count;
    if (param.plus) frame.runs_out = std::min(frame.runs_out, stack.back().runs_out);
    stack.push_back(frame);
  };
  const auto begin_switch = [&](const Entry& entry) {
    out_.write(entry.rendering);
    count(entry.weight);
    stack.back().pending = &entry;
    stack.back().next = 0;
  };
  begin_switch(root_switch);
  while (!out_.failed()) {
    Frame& top = stack.back();
    if (top.pending) {
      const std::vector<FrameParam>& params = top.pending->params;
      if (top.next < params.size()) {
        const FrameParam& param = params[top.next++];
        if (param.kind == FrameParam::Kind::back) {
          top.pending = nullptr;
          if (stack.size() == 1) return; // a return at the root leaves nothing
          stack.pop_back();
          continue;
        }
        open_frame(param);
        continue;
      }
      top.pending = nullptr;
      if (stack.size() == 1) return;
      if (exhausted()) stack.pop_back();
      continue;
    }
    if (position_ >= stop) return; // the dump is over: open frames are left
    if (position_ >= pause_) {
      paused_ = true;
      return;
    }
    // One-byte keys that only write a short rendering, counted as they go, up
    // to a key of another kind or the first byte of the fallback.
    if (top.fast && !counts_) {
      const Piece* const hot = top.fast->pieces.hot.data();
      const std::uint32_t* const weights = top.fast->weights.data();
      const int until = top.until.empty() ? -1 : static_cast<std::uint8_t>(top.until[0]);
      // Counted in a local, written back once: kept in memory, the total
      // would be stored and loaded again around every store through cursor.
      std::int64_t& counted = stack[top.base].total;
      std::int64_t total = counted;
      const std::int64_t runs_out = top.runs_out;
      const unsigned char* p = rom_.data + std::min(position_, rom_.size);
      const unsigned char* const end = rom_.data + std::min({stop, pause_, rom_.size});
      bool ran_out = false, stopped = false;
      while (p < end && !ran_out && !stopped) {
        // As many keys as the buffer has room for, 16 bytes a key.
        if (out_.buffer_end() - out_.cursor() < 16) out_.flush();
        const auto room = static_cast<std::size_t>(out_.buffer_end() - out_.cursor()) / 16;
        const unsigned char* const slice_end =
            p + std::min(room, static_cast<std::size_t>(end - p));
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
      if (ran_out) {
        stack.pop_back();
        continue;
      }
      if (position_ >= stop) return;
      if (position_ >= pause_) continue;
    }
    if (!top.table) {
      out_.write(raw_byte_rendering(rom_byte(rom_, position_)));
      ++position_;
      count(1);
    } else if (!top.until.empty() && stop - position_ >= top.until.size() && [&] {
                 for (std::size_t i = 0; i < top.until.size(); ++i)
                   if (rom_byte(rom_, position_ + i) != static_cast<std::uint8_t>(top.until[i]))
                     return false;
                 return true;
               }()) {
      position_ += top.until.size();
      stack.pop_back();
      continue;
    } else {
      const CodeTable& table = *top.table;
      const CodeTable::Match match = key_at(table, rom_, position_, stop);
      const Entry& entry = table.entry(match.index);
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
        return; // every frame above the root ends, and its remaining PARAMs too
      case EntryKind::frames:
        position_ += match.length;
        begin_switch(entry);
        continue;
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
    if (exhausted()) stack.pop_back();
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
