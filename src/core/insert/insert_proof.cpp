// The proof of an insertion from its result: each pointer read back and
// followed, each string's bytes and length read back, and every changed byte
// accounted for.
#include "core/insert/insert_proof.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/decode/decode.hpp"

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
    string_at(p, plan_.blocks[p.block]);
  }

  void length(const PlanLength& l) {
    const std::uint64_t held = read_field(out_, l.at, l.size, l.big_endian);
    if (held != l.value)
      fail(insertion_, l.line, ReportId::insert_length_differs,
           {hex_number(l.at), std::to_string(held), std::to_string(l.value)});
  }

private:
  // The string that starts or runs at the pointer's target, decoded from the
  // result with the script's table to its end (its end token, or its Pascal
  // length, fixed length or length field as the result holds them): its
  // text must be the script's.
  void string_at(const PlanPointer& p, const PlanBlock& block) {
    const std::uint64_t target = p.target, block_end = block.start + block.bytes.size();
    if (target < block.start || target > block_end || p.table == nullptr) return; // no text
    const auto next = std::upper_bound(block.ends.begin(), block.ends.end(), target);
    std::uint64_t end = next == block.ends.end() ? block_end : *next;
    const auto k = static_cast<std::size_t>(next - block.ends.begin());
    const std::size_t text_end = k == block.ends.size() ? block.text.size() : block.end_texts[k];
    std::uint64_t from = target;
    const PlanString* set = set_length_at(target);
    if (set != nullptr) {
      std::uint64_t bytes = set->bytes;
      if (set->pascal != 0)
        bytes = set->pascal + read_field(out_, target, set->pascal, set->big_endian);
      if (set->length) {
        const PlanLength& field = plan_.lengths[*set->length];
        bytes = read_field(out_, field.at, field.size, field.big_endian);
      }
      if (bytes != set->bytes || target + bytes > out_.size())
        return fail(insertion_, p.line, ReportId::insert_string_differs,
                    {hex_number(target), hex_number(target)});
      end = target + bytes;
      from = target + set->pascal;
    }
    const std::string_view text(block.text.data() + p.text_at, text_end - p.text_at);
    const Decoded read = decoded(*p.table, from, set != nullptr ? end : out_.size(), text);
    // A fixed string's bytes past its text are its padding, as the plan made it.
    const std::string_view planned(block.bytes);
    const bool padded = set != nullptr && read.at < end &&
                        out_.substr(read.at, end - read.at) ==
                            planned.substr(read.at - block.start, end - read.at);
    if (!read.whole || (read.at != end && !padded))
      fail(insertion_, p.line, ReportId::insert_string_differs,
           {hex_number(target), hex_number(read.at)});
  }

  // The result from from on, key by key through the table, against text:
  // each key's text (or a raw byte form <$XX> or ($XX) of its byte) must be
  // the text's next; an end token ends it. Where it stopped, and whether the
  // whole text was read so.
  struct Decoded {
    std::uint64_t at = 0;
    bool whole = false;
  };
  Decoded decoded(const CodeTable& table, std::uint64_t from, std::uint64_t limit,
                  std::string_view text) const {
    const RomView view{reinterpret_cast<const std::uint8_t*>(out_.data()), out_.size()};
    std::size_t cursor = 0;
    std::uint64_t pos = from;
    while (cursor < text.size()) {
      if (pos >= limit) return {pos, false};
      if (raw_byte(text, cursor) == static_cast<unsigned char>(out_[pos])) {
        cursor += 5;
        ++pos;
        continue;
      }
      const CodeTable::Match key = key_at(table, view, pos, limit);
      const Entry& entry = table.entry(key.index);
      if (key.index == 0 || text.compare(cursor, entry.rendering.size(), entry.rendering) != 0)
        return {pos, false};
      cursor += entry.rendering.size();
      if (entry.kind == EntryKind::end && cursor < text.size()) return {pos, false};
      pos += key.length;
    }
    return {pos, true};
  }

  // The byte a raw form at text[at] stands for; -1 when none stands there.
  static int raw_byte(std::string_view text, std::size_t at) {
    if (text.size() - at < 5 || text[at + 1] != '$') return -1;
    const char open = text[at], close = text[at + 4];
    if (!((open == '<' && close == '>') || (open == '(' && close == ')'))) return -1;
    const int high = hex_value(text[at + 2]), low = hex_value(text[at + 3]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
  }

  // The string of set length that starts at target; none when none does.
  const PlanString* set_length_at(std::uint64_t target) const {
    const auto set = std::lower_bound(by_start_.begin(), by_start_.end(),
                                      std::pair<std::uint64_t, std::size_t>{target, 0});
    return set != by_start_.end() && set->first == target ? &plan_.strings[set->second] : nullptr;
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
