// Switches of standard tables: a stack of frames, each decoding through a table
// of the file (or raw bytes) until its counter runs down, its fallback bytes
// stand at its position, a return leaves it, or an end unwinds every frame
// above the root. The root frame is the table the decoder was given; the
// general loop hands a switch met there to run_frames, which returns once only
// the root is left.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/decoder.hpp"
#include "core/rom_walk.hpp"

namespace textdump {

namespace {

// Counting is O(1) however deep the "+" marks carry a count: the frames of a
// chain share one total, kept by the chain's lowest frame (its base), and each
// frame knows the least total at which some frame of its chain from the base
// up to it runs out.
constexpr std::int64_t NEVER = INT64_MAX;

struct Frame {
  const CodeTable* table = nullptr; // null for raw bytes
  std::string_view until;
  std::size_t base = 0;           // the lowest frame of its chain
  std::int64_t total = 0;         // a base: what its chain has counted
  std::int64_t runs_out = NEVER;  // the base's total at which its chain is exhausted
  const Entry* pending = nullptr; // the switch whose PARAMs are running
  std::size_t next = 0;           // its next PARAM
};

// A frame for the PARAM, on top of the stack. Its chain is its parent's when it
// is marked "+"; it runs out once the chain has counted its counter more than
// the chain's total when it opened.
void open_frame(std::vector<Frame>& stack, const FrameParam& param,
                const std::vector<CodeTable>& tables) {
  Frame frame;
  frame.table = param.kind == FrameParam::Kind::raw ? nullptr : &tables[param.table];
  frame.until = param.until;
  frame.base = param.plus ? stack.back().base : stack.size();
  const std::int64_t opened_at = param.plus ? stack[frame.base].total : 0;
  if (param.kind == FrameParam::Kind::raw || param.count != 0)
    frame.runs_out = opened_at + param.count;
  if (param.plus) frame.runs_out = std::min(frame.runs_out, stack.back().runs_out);
  stack.push_back(frame);
}

void count(std::vector<Frame>& stack, std::uint32_t weight) {
  stack[stack.back().base].total += weight;
}

bool exhausted(const std::vector<Frame>& stack) {
  return stack[stack.back().base].total >= stack.back().runs_out;
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
        open_frame(stack, param, *tables_);
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
