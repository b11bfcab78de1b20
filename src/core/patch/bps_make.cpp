// Making a BPS patch: a greedy pass over the target that, at each byte, takes
// the candidate copy that saves the most bytes, or keeps the byte for a
// TargetRead. The candidates and the index are described in bps.hpp.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "core/patch/bps.hpp"

namespace textdump::patching {

namespace {

constexpr std::size_t WINDOW = 8, STEP = 4, BATCH = 64, AHEAD = 16;
enum Kind : std::uint64_t { source_read = 0, target_read = 1, source_copy = 2, target_copy = 3 };

std::uint64_t load64(const char* at) {
  std::uint64_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// How many bytes a and b have in common from their start, at most max.
std::size_t common_length(const char* a, const char* b, std::size_t max) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little)
    for (; n + 8 <= max; n += 8)
      if (const std::uint64_t x = load64(a + n) ^ load64(b + n); x != 0)
        return n + static_cast<std::size_t>(std::countr_zero(x)) / 8;
  while (n < max && a[n] == b[n]) ++n;
  return n;
}

// 8-byte windows of the source, then of the target as it is made, every STEP
// bytes, in one table of positions: a source position p is stored as p, a
// target position q as source_span + q, each divided by STEP and plus one (0
// is an empty slot). A source window keeps its slot; a target window takes an
// empty one or that of an earlier target window.
class WindowIndex {
public:
  WindowIndex(std::string_view source, std::string_view target)
      : source_span_((source.size() + STEP - 1) / STEP * STEP) {
    const std::size_t entries = (source.size() + target.size()) / STEP + 1;
    slots_.assign(std::max<std::size_t>(std::bit_floor(entries), 1024), 0);
    shift_ = 64 - std::countr_zero(slots_.size());
    for (std::size_t p = 0; p + WINDOW <= source.size(); p += STEP) {
      std::uint32_t& slot = slot_of(source.data() + p);
      if (slot == 0) slot = value_of(p);
    }
  }

  // Adds the target's windows that begin before end.
  void add_target(std::string_view target, std::size_t end) {
    for (; next_ < end && next_ + WINDOW <= target.size(); next_ += STEP) {
      std::uint32_t& slot = slot_of(target.data() + next_);
      if (slot == 0 || stored(slot) >= source_span_) slot = value_of(source_span_ + next_);
    }
  }

  // Asks memory for the slot of the window at, to be looked up soon.
  void prefetch(const char* at) const { __builtin_prefetch(&slots_[hash(at)]); }

  // The position the window at was last seen at: in the source (is_source) or the target.
  bool find(const char* at, std::size_t& position, bool& is_source) const {
    const std::uint32_t slot = slots_[hash(at)];
    if (slot == 0) return false;
    position = stored(slot);
    is_source = position < source_span_;
    if (!is_source) position -= source_span_;
    return true;
  }

private:
  std::size_t hash(const char* at) const {
    return static_cast<std::size_t>((load64(at) * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  std::uint32_t& slot_of(const char* at) { return slots_[hash(at)]; }
  static std::uint32_t value_of(std::size_t position) {
    return static_cast<std::uint32_t>(position / STEP + 1);
  }
  static std::size_t stored(std::uint32_t slot) { return std::size_t{slot - 1} * STEP; }

  std::size_t source_span_;
  std::vector<std::uint32_t> slots_;
  int shift_ = 0;
  std::size_t next_ = 0;
};

struct Candidate {
  Kind kind = target_read;
  std::size_t from = 0, length = 0; // from: in the source or the target
  std::ptrdiff_t gain = 0;          // bytes saved against a TargetRead
};

std::uint64_t signed_number(std::size_t to, std::size_t from) {
  return to >= from ? std::uint64_t{to - from} << 1 : (std::uint64_t{from - to} << 1) | 1;
}

class BpsMaker {
public:
  BpsMaker(std::string_view source, std::string_view target, std::string& out)
      : s_(source), t_(target), out_(out), index_(source, target) {}

  void run() {
    std::size_t at = 0, literal = 0;
    while (at < t_.size()) {
      Candidate best = best_at(at, literal);
      if (best.gain <= 0) {
        // The target's windows in batches, whose slots memory fetches side by side.
        if (++at % BATCH == 0) index_.add_target(t_, at);
        if (at + AHEAD + WINDOW <= t_.size()) index_.prefetch(t_.data() + at + AHEAD);
        continue;
      }
      flush(literal, at);
      emit(best);
      at += best.length;
      literal = at;
      index_.add_target(t_, at);
    }
    flush(literal, at);
  }

private:
  // The best candidate at, which may begin before it, among the bytes kept since literal.
  Candidate best_at(std::size_t& at, std::size_t literal) const {
    Candidate best;
    std::size_t best_at = at;
    const auto consider = [&](Kind kind, std::size_t from) {
      const bool from_source = kind != target_copy;
      const std::string_view in = from_source ? s_ : t_;
      if (from >= in.size() || (!from_source && from >= at)) return;
      std::size_t length = common_length(in.data() + from, t_.data() + at,
                                         std::min(in.size() - from, t_.size() - at));
      std::size_t start = at;
      while (start > literal && from > 0 && in[from - 1] == t_[start - 1])
        --from, --start, ++length;
      if (length == 0) return;
      if (kind == source_copy && from == start) kind = source_read;
      const Candidate candidate{kind, from, length, gain(kind, from, length)};
      if (candidate.gain > best.gain) best = candidate, best_at = start;
    };
    consider(source_copy, at); // a SourceRead
    if (source_next_ != at) consider(source_copy, source_next_);
    if (at > 0) consider(target_copy, at - 1);
    if (target_at_ + 1 != at) consider(target_copy, target_at_);
    std::size_t position = 0;
    bool is_source = false;
    if (at + WINDOW <= t_.size() && (at - literal) % lookup_step(at - literal) == 0 &&
        index_.find(t_.data() + at, position, is_source) &&
        (is_source ? position != at && position != source_next_ : position + 1 != at))
      consider(is_source ? source_copy : target_copy, position);
    at = best_at;
    return best;
  }

  // Between matches every byte is looked up, and each lookup waits for memory:
  // after each KiB of bytes without a match, one byte in 3, 5, then 7. Odd, so
  // that the lookups meet every alignment of the source's windows: a match of
  // 36 bytes is still found, and its start by extending it back.
  static std::size_t lookup_step(std::size_t kept) {
    return 1 + 2 * std::min<std::size_t>(kept >> 10, 3);
  }

  std::ptrdiff_t gain(Kind kind, std::size_t from, std::size_t length) const {
    std::size_t cost = number_size(std::uint64_t{length - 1} << 2);
    if (kind == source_copy) cost += number_size(signed_number(from, source_at_));
    if (kind == target_copy) cost += number_size(signed_number(from, target_at_));
    // One more for the header of the TargetRead that may follow.
    return static_cast<std::ptrdiff_t>(length) - static_cast<std::ptrdiff_t>(cost) - 1;
  }

  void action(Kind kind, std::size_t length) {
    write_number(out_, (std::uint64_t{length - 1} << 2) | kind);
  }

  void flush(std::size_t literal, std::size_t at) {
    if (at == literal) return;
    action(target_read, at - literal);
    out_.append(t_.substr(literal, at - literal));
  }

  void emit(const Candidate& c) {
    const Kind kind = c.kind;
    action(kind, c.length);
    if (kind == source_copy) {
      write_number(out_, signed_number(c.from, source_at_));
      source_at_ = c.from + c.length;
    } else if (kind == target_copy) {
      write_number(out_, signed_number(c.from, target_at_));
      target_at_ = c.from + c.length;
    }
    if (kind != target_copy) source_next_ = c.from + c.length;
  }

  std::string_view s_, t_;
  std::string& out_;
  WindowIndex index_;
  std::size_t source_at_ = 0, target_at_ = 0; // where the last copy of each kind ended
  std::size_t source_next_ = 0;               // where the last action that read the source ended
};

} // namespace

std::string make_bps(std::string_view source, std::string_view target, std::string_view metadata) {
  std::string out = "BPS1";
  write_number(out, source.size());
  write_number(out, target.size());
  write_number(out, metadata.size());
  out.append(metadata);
  BpsMaker(source, target, out).run();
  write_le32(out, patch_crc32(source));
  write_le32(out, patch_crc32(target));
  write_le32(out, patch_crc32(out));
  return out;
}

} // namespace textdump::patching
