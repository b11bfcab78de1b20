// The proof of an insertion from its result: each pointer read back and
// followed, each string's bytes and length read back, and every changed byte
// accounted for.
#include "core/insert/insert_proof.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace textdump {

std::uint64_t read_field(std::string_view bytes, std::uint64_t at, unsigned size, bool big_endian) {
  std::uint64_t value = 0;
  for (unsigned k = 0; k < size; ++k)
    value |= std::uint64_t{static_cast<unsigned char>(bytes[at + (big_endian ? size - 1 - k : k)])}
             << (8 * k);
  return value;
}

namespace {

void fail(Insertion& insertion, std::size_t line, ReportId id, std::vector<std::string> args) {
  insertion.diagnostics.push_back({id, Severity::error, line, 1, std::move(args)});
}

class Proof {
public:
  Proof(const InsertPlan& plan, Insertion& insertion)
      : plan_(plan), out_(insertion.rom), insertion_(insertion) {
    by_start_.reserve(plan.strings.size());
    for (std::size_t k = 0; k < plan.strings.size(); ++k)
      by_start_.emplace_back(plan.strings[k].at, k);
    std::sort(by_start_.begin(), by_start_.end());
  }

  void pointer(const PlanPointer& p) {
    const auto value =
        static_cast<std::uint32_t>(read_field(out_, p.slot, p.format.bits / 8, p.big_endian));
    const std::optional<std::uint64_t> reached = pointer_reach(p.format, value, p.target);
    if (reached != p.target) {
      fail(insertion_, p.line, ReportId::insert_pointer_reaches,
           {hex_number(p.slot), reached ? "$" + hex_number(*reached) : "nowhere",
            hex_number(p.target)});
      return;
    }
    string_at(p.line, plan_.blocks[p.block], p.target);
  }

  void length(const PlanLength& l) {
    const std::uint64_t held = read_field(out_, l.at, l.size, l.big_endian);
    if (held != l.value)
      fail(insertion_, l.line, ReportId::insert_length_differs,
           {hex_number(l.at), std::to_string(held), std::to_string(l.value)});
  }

private:
  // The string that starts or runs at target: its bytes up to its end, and
  // its Pascal length or length field as the result holds them.
  void string_at(std::size_t line, const PlanBlock& block, std::uint64_t target) {
    const std::uint64_t block_end = block.start + block.bytes.size();
    if (target < block.start || target > block_end) return; // no text: nothing to read back
    const auto next = std::upper_bound(block.ends.begin(), block.ends.end(), target);
    std::uint64_t end = next == block.ends.end() ? block_end : *next;
    const auto set = std::lower_bound(by_start_.begin(), by_start_.end(),
                                      std::pair<std::uint64_t, std::size_t>{target, 0});
    if (set != by_start_.end() && set->first == target) {
      const PlanString& s = plan_.strings[set->second];
      std::uint64_t bytes = s.bytes;
      if (s.pascal != 0) bytes = s.pascal + read_field(out_, target, s.pascal, s.big_endian);
      if (s.length)
        bytes = read_field(out_, plan_.lengths[*s.length].at, plan_.lengths[*s.length].size,
                           plan_.lengths[*s.length].big_endian);
      if (bytes != s.bytes || target + bytes > out_.size()) {
        fail(insertion_, line, ReportId::insert_string_differs,
             {hex_number(target), hex_number(target)});
        return;
      }
      end = target + bytes;
    }
    const std::string_view meant(block.bytes.data() + (target - block.start), end - target);
    const std::string_view read(out_.data() + target, end - target);
    if (meant == read) return;
    const auto first =
        std::mismatch(meant.begin(), meant.end(), read.begin()).first - meant.begin();
    fail(insertion_, line, ReportId::insert_string_differs,
         {hex_number(target), hex_number(target + static_cast<std::uint64_t>(first))});
  }

  const InsertPlan& plan_;
  std::string_view out_;
  Insertion& insertion_;
  std::vector<std::pair<std::uint64_t, std::size_t>> by_start_; // strings of set length
};

// Where the result may differ from the ROM: [from, to) spans, merged.
std::vector<std::pair<std::uint64_t, std::uint64_t>> written_spans(const InsertPlan& plan,
                                                                   const Insertion& insertion) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
  spans.reserve(plan.blocks.size() + plan.pointers.size() + plan.lengths.size());
  for (const PlanBlock& b : plan.blocks) spans.emplace_back(b.start, b.start + b.bytes.size());
  for (const PlanPointer& p : plan.pointers) spans.emplace_back(p.slot, p.slot + p.format.bits / 8);
  for (const PlanLength& l : plan.lengths) spans.emplace_back(l.at, l.at + l.size);
  for (const ChecksumOutcome& c : insertion.checksums)
    spans.emplace_back(c.before.at, c.before.at + c.before.size);
  std::sort(spans.begin(), spans.end());
  std::vector<std::pair<std::uint64_t, std::uint64_t>> merged;
  for (const auto& span : spans)
    if (!merged.empty() && span.first <= merged.back().second)
      merged.back().second = std::max(merged.back().second, span.second);
    else
      merged.push_back(span);
  return merged;
}

// The first byte outside the spans that differs between rom and out.
std::optional<std::uint64_t>
stray_byte(std::string_view rom, std::string_view out,
           const std::vector<std::pair<std::uint64_t, std::uint64_t>>& spans) {
  std::uint64_t from = 0;
  const auto differs = [&](std::uint64_t a, std::uint64_t b) -> std::optional<std::uint64_t> {
    if (a >= b || std::memcmp(rom.data() + a, out.data() + a, b - a) == 0) return std::nullopt;
    while (rom[a] == out[a]) ++a;
    return a;
  };
  for (const auto& [a, b] : spans) {
    if (const auto at = differs(from, std::min<std::uint64_t>(a, rom.size()))) return at;
    from = std::max(from, b);
  }
  return differs(std::min<std::uint64_t>(from, rom.size()), rom.size());
}

} // namespace

void prove(const InsertPlan& plan, std::string_view rom, Insertion& insertion) {
  Proof proof(plan, insertion);
  for (const PlanPointer& p : plan.pointers) proof.pointer(p);
  for (const PlanLength& l : plan.lengths) proof.length(l);
  if (insertion.rom.size() != rom.size()) return;
  if (const auto at = stray_byte(rom, insertion.rom, written_spans(plan, insertion)))
    fail(insertion, 0, ReportId::insert_stray_byte, {hex_number(*at)});
}

} // namespace textdump
