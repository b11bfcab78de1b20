// Switches of standard tables: a stack of frames, each decoding through a table
// of the file (or raw bytes) until its counter runs down, its fallback bytes
// stand at its position, a return leaves it, or an end unwinds every frame
// above the root. The root frame is the table the decoder was given; the
// general loop hands a switch met there to run_frames, which returns once only
// the root is left.
#include <cstdint>
#include <vector>

#include "core/decoder.hpp"
#include "core/rom_walk.hpp"

namespace textdump {

namespace {

struct Frame {
  const CodeTable* table = nullptr; // null for raw bytes
  std::int64_t counter = 0;
  bool counted = false;
  std::string_view until;
  bool plus = false;
  const Entry* pending = nullptr; // the switch whose PARAMs are running
  std::size_t next = 0;           // its next PARAM
};

// The frames of the chain of the top frame: it, and its parent while the frame
// last taken is marked "+".
template <class Each> void for_chain(std::vector<Frame>& stack, Each each) {
  for (std::size_t i = stack.size(); i-- > 0;) {
    each(stack[i]);
    if (!stack[i].plus) break;
  }
}

void count(std::vector<Frame>& stack, std::uint32_t weight) {
  for_chain(stack, [weight](Frame& f) {
    if (f.counted) f.counter -= weight;
  });
}

bool exhausted(std::vector<Frame>& stack) {
  bool done = false;
  for_chain(stack, [&done](Frame& f) { done = done || (f.counted && f.counter <= 0); });
  return done;
}

} // namespace

void Decoder::run_frames(const Entry& root_switch, std::uint64_t stop) {
  std::vector<Frame> stack(1);
  stack[0].table = &table_;
  const auto begin_switch = [&](const Entry& entry) {
    out_.write(entry.rendering);
    count(stack, entry.weight);
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
        Frame frame;
        frame.table = param.kind == FrameParam::Kind::raw ? nullptr : &(*tables_)[param.table];
        frame.counted = param.kind == FrameParam::Kind::raw || param.count != 0;
        frame.counter = param.count;
        frame.until = param.until;
        frame.plus = param.plus;
        stack.push_back(frame);
        continue;
      }
      top.pending = nullptr;
      if (stack.size() == 1) return;
      if (exhausted(stack)) stack.pop_back();
      continue;
    }
    if (position_ >= stop) return; // the dump is over: open frames are left
    if (!top.table) {
      out_.write(raw_byte_rendering(rom_byte(rom_, position_)));
      ++position_;
      count(stack, 1);
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
        break;
      case EntryKind::end:
        out_.write(entry.rendering);
        position_ += match.length;
        return; // every frame above the root ends, and its remaining PARAMs too
      case EntryKind::frames:
        position_ += match.length;
        begin_switch(entry);
        continue;
      case EntryKind::control:
        position_ += match.length - 1;
        write_control(entry);
        ++position_;
        count(stack, entry.weight);
        break;
      default:
        out_.write(entry.rendering);
        position_ += match.length;
        count(stack, entry.weight);
        break;
      }
    }
    if (exhausted(stack)) stack.pop_back();
  }
}

} // namespace textdump
