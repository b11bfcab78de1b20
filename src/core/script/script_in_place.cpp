// The strings that no pointer reaches, written in place: those of the ranges,
// each by its range's rule, and the text fields of records; and the pad byte
// of each group of fixed-length strings.
#include <algorithm>
#include <array>
#include <map>

#include "core/base/base.hpp"
#include "core/script/script_builder.hpp"

namespace textdump::scripting {

namespace {

using Spans = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

Form fixed_form(std::uint64_t start, std::uint32_t length, std::uint32_t group) {
  Form form;
  form.kind = Form::Kind::fixed;
  form.text_from = start;
  form.text_to = start + length;
  form.length = length;
  form.pad_group = group;
  return form;
}

} // namespace

bool Builder::taken(std::uint64_t from, std::uint64_t to, const Spans& pointed) const {
  if (next_slot(from) < to) return true;
  for (const auto& [start, end] : pointed) {
    if (start >= to) break;
    if (end > from) return true;
  }
  return false;
}

// The range's and the records' strings join the pointed-to ones, in address
// order; each string keeps its form.
void Builder::add_range_strings(Strings& strings) {
  Spans spans;
  for (std::size_t s = 0; s < strings.starts.size(); ++s)
    spans.emplace_back(strings.starts[s], strings.ends[s]);
  const std::vector<InPlace> placed = in_place_strings(spans);
  if (placed.empty()) return;
  for (const InPlace& string : placed) {
    in_place_.emplace_back(string.start, string.joins);
    strings.bounds.push_back(string.start);
    strings.bounds.push_back(string.end);
  }
  std::sort(in_place_.begin(), in_place_.end());
  std::vector<std::size_t> order(spans.size() + placed.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  strings.forms.resize(spans.size());
  for (const InPlace& string : placed) {
    spans.emplace_back(string.start, string.end);
    strings.forms.push_back(string.form);
  }
  std::sort(order.begin(), order.end(),
            [&](std::size_t x, std::size_t y) { return spans[x] < spans[y]; });
  std::vector<Form> sorted_forms;
  strings.starts.clear();
  strings.ends.clear();
  for (const std::size_t i : order) {
    strings.starts.push_back(spans[i].first);
    strings.ends.push_back(spans[i].second);
    sorted_forms.push_back(std::move(strings.forms[i]));
  }
  strings.forms = std::move(sorted_forms);
}

std::vector<InPlace> Builder::in_place_strings(const Spans& pointed) const {
  std::vector<InPlace> out;
  std::uint32_t group = 1;
  for (const InPlaceRange& range : request_.ranges) range_strings(range, group++, pointed, out);
  for (const RecordFields& records : request_.records) {
    record_fields(records, group, pointed, out);
    group += static_cast<std::uint32_t>(records.fields.size());
  }
  return out;
}

// Strings by the end rule run from where the one before ended and stop
// before a pointer slot and a pointed-to string; a run of two or more equal
// 00 or FF bytes where one would begin is padding. fixed:N makes N-byte
// fields from the range's start, and Pascal strings follow one another.
void Builder::range_strings(const InPlaceRange& range, std::uint32_t group, const Spans& pointed,
                            std::vector<InPlace>& out) const {
  const EndRule& rule = range.rule;
  const std::uint64_t end = std::min<std::uint64_t>(range.end, rom_.size);
  if (rule.pascal) {
    std::uint64_t stop = std::min(end, next_slot(range.first));
    for (const auto& [start, to] : pointed)
      if (to > range.first) stop = std::min(stop, std::max(start, range.first));
    return pascal_strings(range, stop, out);
  }
  if (rule.fixed && !rule.token && !rule.next) {
    for (std::uint64_t pos = range.first; pos + *rule.fixed <= end; pos += *rule.fixed)
      if (!taken(pos, pos + *rule.fixed, pointed))
        out.push_back({pos, pos + *rule.fixed, fixed_form(pos, *rule.fixed, group), false});
    return;
  }
  std::size_t p = 0;         // the pointed-to strings that begin at or before pos
  std::uint64_t covered = 0; // the furthest end of those
  for (std::uint64_t pos = range.first; pos < end;) {
    for (; p < pointed.size() && pointed[p].first <= pos; ++p)
      covered = std::max(covered, pointed[p].second);
    if (covered > pos) {
      pos = covered;
      continue;
    }
    const std::uint64_t slot = next_slot(pos);
    if (slot == pos) {
      ++pos;
      continue;
    }
    const std::uint8_t byte = rom_.data[pos];
    if (is_padding_byte(byte) && pos + 1 < end && rom_.data[pos + 1] == byte) {
      while (pos < end && rom_.data[pos] == byte) ++pos;
      continue;
    }
    std::uint64_t stop = std::min(end, slot);
    if (p < pointed.size()) stop = std::min(stop, pointed[p].first);
    bool cut = false; // a string cut at the maximum length goes on as the next one
    const std::uint64_t to = string_end(rule, pos, NO_NEXT, stop, cut);
    Form plain;
    plain.text_from = pos;
    plain.text_to = to;
    out.push_back({pos, to, plain, false});
    pos = to;
  }
}

// Pascal strings one after another from the range's start while their
// lengths fit before end; an empty one is written as its bytes, and the bytes
// after the last (the range's closing bytes) follow them in their block.
void Builder::pascal_strings(const InPlaceRange& range, std::uint64_t end,
                             std::vector<InPlace>& out) const {
  const unsigned prefix = *range.rule.pascal;
  const std::size_t first = out.size();
  std::uint64_t pos = range.first;
  while (pos + prefix <= end) {
    const std::optional<std::uint32_t> length =
        read_pointer_value(rom_, pos, prefix, ByteOrder::le);
    if (!length || pos + prefix + *length > end) break;
    InPlace string{pos, pos + prefix + *length, {}, out.size() > first};
    string.form.text_from = pos;
    string.form.text_to = string.end;
    if (*length > 0) {
      string.form.kind = Form::Kind::pascal;
      string.form.prefix = static_cast<std::uint8_t>(prefix);
      string.form.text_from = pos + prefix;
    }
    out.push_back(string);
    pos = string.end;
  }
  if (out.size() == first || pos >= end) return;
  Form closing;
  closing.text_from = pos;
  closing.text_to = end;
  out.push_back({pos, end, closing, true});
}

void Builder::record_fields(const RecordFields& records, std::uint32_t group,
                            const Spans& pointed, std::vector<InPlace>& out) const {
  for (std::uint64_t r = 0; r < records.count; ++r)
    for (std::size_t f = 0; f < records.fields.size(); ++f) {
      const auto [offset, length] = records.fields[f];
      const std::uint64_t start = records.at + r * records.stride + offset;
      if (start + length > rom_.size || taken(start, start + length, pointed)) continue;
      out.push_back({start, start + length,
                     fixed_form(start, length, group + static_cast<std::uint32_t>(f)), false});
    }
}

void Builder::settle_pads(std::vector<Form>& forms) const {
  std::map<std::uint32_t, std::array<std::size_t, 256>> ending;
  for (const Form& form : forms)
    if (form.kind == Form::Kind::fixed && !form.held)
      ++ending[form.pad_group][rom_.data[form.text_to - 1]];
  for (Form& form : forms) {
    if (form.kind != Form::Kind::fixed) continue;
    const std::array<std::size_t, 256>& counts = ending[form.pad_group];
    form.pad = static_cast<std::uint8_t>(std::max_element(counts.begin(), counts.end()) -
                                         counts.begin());
    if (form.held) continue;
    while (form.text_to > form.text_from + 1 && rom_.data[form.text_to - 1] == form.pad)
      --form.text_to;
  }
}

} // namespace textdump::scripting
