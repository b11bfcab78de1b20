#include "core/script.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <span>
#include <unordered_map>

#include "core/fields.hpp"
#include "core/numbers.hpp"
#include "core/script_builder.hpp"

namespace textdump {

namespace scripting {

namespace {

// A number as the inserter reads it: "$" and upper-case hex, "$-" when negative.
std::string atlas_number(std::int64_t value) {
  return value < 0 ? "$-" + hex_number(static_cast<std::uint64_t>(-value))
                   : "$" + hex_number(static_cast<std::uint64_t>(value));
}

// A variable name the inserter accepts: "Ptr" and letters, never a K.
std::string pointer_name(std::size_t n) {
  static constexpr char LETTERS[] = "ABCDEFGHIJLMNOPQRSTUVWXYZ";
  constexpr std::size_t count = sizeof LETTERS - 1;
  std::string letters;
  do {
    letters.insert(letters.begin(), LETTERS[n % count]);
    n /= count;
  } while (n-- > 0);
  return "Ptr" + letters;
}

} // namespace

// A piece of the region in the script: its pointers' #WRITE lines (checked
// against the values in the ROM), its text as // lines, then the editable copy.
void Builder::write_segment(ScriptString& piece, std::span<const Item> items,
                            const ByTarget& by_target, const Names& names,
                            std::size_t& string_number, std::string& body) {
  const std::uint64_t from = piece.start;
  body += "\r\n";
  if (!piece.referenced) {
    body += "//UNREFERENCED @ $" + hex_number(from) + "\r\n";
  } else if (const auto found = by_target.find(from); found != by_target.end()) {
    for (const Found* f : found->second) {
      const std::int64_t offsetting =
          static_cast<std::int64_t>(from) - static_cast<std::int64_t>(f->pointer.value);
      body += "//POINTER #" + std::to_string(f->pointer.index) + " @ $" +
              hex_number(f->pointer.at) + " - STRING #" + std::to_string(string_number) + " @ $" +
              hex_number(from) + "\r\n";
      body += "#WRITE(" + names.at({f->pointer.table, offsetting}) + ", $" +
              hex_number(f->pointer.at) + ")\r\n";
      // The value the inserter writes for this position, little-endian.
      const PointerTable& format = request_.ptables[f->pointer.table];
      const unsigned bits = 8 * format.size;
      const std::uint64_t mask = bits == 32 ? 0xFFFFFFFFu : (std::uint64_t{1} << bits) - 1;
      const auto written =
          static_cast<std::uint64_t>(static_cast<std::int64_t>(from) - offsetting) & mask;
      // The slot's bytes, read little-endian as the inserter writes them.
      const std::uint64_t stored =
          read_pointer_value(rom_, f->pointer.at, format.size, ByteOrder::le).value_or(0);
      if (written != stored)
        script_.errors.push_back(
            "pointer #" + std::to_string(f->pointer.index) + " at $" + hex_number(f->pointer.at) +
            " would not be written back unchanged" +
            (format.order == ByteOrder::be ? " (the inserter writes pointers little-endian)" : ""));
      piece.pointers.push_back(f->pointer);
    }
    ++string_number;
  }
  std::string original, editable;
  std::string line;
  const auto end_line = [&] {
    original += "//" + line + "\r\n";
    editable += line + "\r\n";
    line.clear();
  };
  for (const Item& item : items) {
    line += item.text;
    if (item.line_end) end_line();
  }
  if (!line.empty()) end_line();
  body += original + editable;
  piece.text = editable.substr(0, editable.size() >= 2 ? editable.size() - 2 : 0);
}

Script Builder::build() {
  // Every pointer and the string it points at.
  std::vector<Found> found;
  std::size_t number = 0;
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    const PointerTable& ptable = request_.ptables[t];
    for (const PointerRead& read : read_pointers(ptable, rom_)) {
      const std::string which = "pointer #" + std::to_string(number++) + " (table " +
                                std::to_string(t + 1) + ", index " + std::to_string(read.index) +
                                ") at $" + hex_number(read.slot);
      if (!read.inside)
        script_.warnings.push_back(which + " lies outside the ROM file");
      else if (!read.target)
        script_.warnings.push_back(which + " holds $" + hex_number(read.value) +
                                   ", which points outside the ROM file");
      else
        found.push_back({{t, read.index, read.slot, read.value}, *read.target});
    }
  }
  std::vector<std::uint64_t> targets;
  for (const Found& f : found) targets.push_back(f.target);
  std::sort(targets.begin(), targets.end());
  targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

  // Where each string ends, and every place where a piece of the script begins.
  std::vector<std::uint64_t> ends(targets.size());
  std::vector<std::uint64_t> bounds = targets;
  for (std::size_t s = 0; s < targets.size(); ++s) {
    const std::uint64_t next = s + 1 < targets.size() ? targets[s + 1] : NO_NEXT;
    bool cut = false;
    ends[s] = string_end(targets[s], next, cut);
    if (cut)
      for (const Found& f : found)
        if (f.target == targets[s])
          script_.warnings.push_back("the string of pointer #" + std::to_string(f.pointer.index) +
                                     " (table " + std::to_string(f.pointer.table + 1) + ") at $" +
                                     hex_number(targets[s]) + " reached the maximum length of " +
                                     std::to_string(request_.end.max_length) + " bytes");
    bounds.push_back(ends[s]);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());

  // The pointers of each table, grouped by what the inserter subtracts.
  std::map<std::pair<std::size_t, std::int64_t>, std::string> names;
  std::string declarations;
  std::map<std::uint64_t, std::vector<const Found*>> by_target;
  for (const Found& f : found) {
    by_target[f.target].push_back(&f);
    const std::int64_t offsetting =
        static_cast<std::int64_t>(f.target) - static_cast<std::int64_t>(f.pointer.value);
    auto [it, fresh] = names.try_emplace({f.pointer.table, offsetting}, "");
    if (!fresh) continue;
    it->second = pointer_name(names.size() - 1);
    declarations += "#VAR(" + it->second + ", CUSTOMPOINTER)\r\n#CREATEPTR(" + it->second +
                    ", \"LINEAR\", " + atlas_number(offsetting) + ", " +
                    std::to_string(8 * request_.ptables[f.pointer.table].size) + ")\r\n";
  }

  // Every piece of the region, decoded; the insertion table takes its texts
  // in address order, so the first key to use a text owns it.
  // Every piece of the region; the insertion table takes the texts of their
  // keys in address order, so the first key to use a text owns it. The pieces
  // are decoded again, a run at a time, when the script is written: a run's
  // items are all that is held at once.
  std::vector<ScriptString> segments;
  std::uint64_t reach = 0; // the furthest end of the strings begun so far
  for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
    const std::uint64_t from = bounds[b], to = bounds[b + 1];
    const auto here = std::lower_bound(targets.begin(), targets.end(), from);
    if (here != targets.end() && *here == from)
      reach = std::max(reach, ends[static_cast<std::size_t>(here - targets.begin())]);
    ScriptString& segment = segments.emplace_back();
    segment.start = from;
    segment.end = to;
    segment.referenced = reach > from;
    for (const Item& item : decode(from, to))
      if (item.claim) claim(*item.claim);
  }

  std::string body;
  std::size_t string_number = 0;
  // Text lines with no command between them join when inserted: each run of
  // segments up to the next #WRITE is proven as one.
  for (std::size_t first = 0; first < segments.size();) {
    std::size_t last = first + 1;
    while (last < segments.size() && by_target.count(segments[last].start) == 0) ++last;
    std::vector<Item> run;
    std::vector<std::size_t> starts; // where each segment's items begin in the run
    for (std::size_t k = first; k < last; ++k) {
      starts.push_back(run.size());
      std::vector<Item> items = decode(segments[k].start, segments[k].end);
      items.front().line_start = true;
      for (Item& item : items)
        if (item.claim && !owns(*item.claim)) make_raw(item, rom_);
      run.insert(run.end(), std::make_move_iterator(items.begin()),
                 std::make_move_iterator(items.end()));
    }
    starts.push_back(run.size());
    const std::uint64_t from = segments[first].start, to = segments[last - 1].end;
    settle(run, from, to);
    std::string joined;
    for (const Item& item : run) joined += item.text;
    const std::optional<std::string> bytes = encoder_.encode(joined);
    const std::string_view original(reinterpret_cast<const char*>(rom_.data + from),
                                    static_cast<std::size_t>(to - from));
    if (!bytes || *bytes != original)
      script_.errors.push_back("the bytes at $" + hex_number(from) + "-$" + hex_number(to - 1) +
                               " would not be inserted back unchanged");
    for (std::size_t k = first; k < last; ++k)
      write_segment(segments[k],
                    {run.data() + starts[k - first], run.data() + starts[k - first + 1]}, by_target,
                    names, string_number, body);
    first = last;
  }
  for (ScriptString& segment : segments) script_.strings.push_back(std::move(segment));

  // The header, the table and pointer declarations, then the strings.
  std::string& out = script_.script;
  for (const std::string& line : request_.header) out += "// " + line + "\r\n";
  for (const std::string& argument : request_.pointer_arguments)
    out += "// Pointers: " + argument + "\r\n";
  out += "// End: " + request_.end_text + " (at most " + std::to_string(request_.end.max_length) +
         " bytes a string)\r\n";
  if (!bounds.empty())
    out += "// Region: $" + hex_number(bounds.front()) + "-$" + hex_number(bounds.back() - 1) +
           " (" + std::to_string(bounds.back() - bounds.front()) +
           " bytes). #JMP sets no end: text that grows runs on past $" +
           hex_number(bounds.back() - 1) + ".\r\n";
  for (const std::string& warning : script_.warnings) out += "// " + warning + "\r\n";
  out += "\r\n#VAR(Table, TABLE)\r\n#ADDTBL(\"" + request_.insertion_table_name +
         "\", Table)\r\n#ACTIVETBL(Table)\r\n" + declarations;
  if (!bounds.empty()) out += "#JMP($" + hex_number(bounds.front()) + ")\r\n";
  out += body;

  std::sort(claims_.begin(), claims_.end(),
            [](const Claim& a, const Claim& b) { return a.key < b.key; });
  for (const Claim& claim : claims_) {
    script_.insertion_table += (claim.marker != 0 ? std::string(1, claim.marker) : "") +
                               hex_bytes(claim.key) + "=" + claim.text + "\r\n";
  }
  return std::move(script_);
}

} // namespace scripting

std::variant<EndRule, std::string> parse_end_rule(std::string_view text) {
  EndRule rule;
  rule.token = false;
  const std::string given(text);
  for (const std::string_view part : comma_fields(text)) {
    if (part == "token") {
      rule.token = true;
    } else if (part == "next") {
      rule.next = true;
    } else if (part.substr(0, 6) == "fixed:") {
      std::uint32_t n = 0;
      const std::string_view digits = part.substr(6);
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
      if (error != std::errc{} || end != digits.data() + digits.size() || n == 0)
        return "--end \"" + given + "\": fixed:N takes a decimal number of bytes above 0";
      rule.fixed = n;
    } else {
      return "--end \"" + given + "\": the rules are token, next and fixed:N, joined by commas";
    }
  }
  if (!rule.token && !rule.next && !rule.fixed) rule.token = true;
  return rule;
}

bool has_end_entry(const CodeTable& table) {
  for (const auto& [key, index] : table.keys())
    if (table.entry(index).kind == EntryKind::end) return true;
  return false;
}

Script build_script(const ScriptRequest& request) {
  return scripting::Builder(request).build();
}

} // namespace textdump
