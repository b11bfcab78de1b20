#include "core/script/script.hpp"

#include <algorithm>

#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script_builder.hpp"

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

Script Builder::build() {
  start_switches();
  make_claims();
  const std::vector<Found> found = find_strings(read_slots());
  const ByTarget by_target(found);
  const Declarations declared = declare_pointers(found);
  Blocks gathered = gather_blocks(place_strings(found, by_target), by_target);
  set_rooms(gathered);
  const std::vector<bool> owned = claim_texts(gathered);

  std::size_t in_blocks = 0;
  for (const Open& open : gathered.blocks) in_blocks += open.last - open.first;
  script_.strings.reserve(in_blocks);
  script_.pointers.reserve(found.size());
  Writing writing{gathered, owned, by_target, declared.names, {}, {}, {}, 0};
  writing.runs.runs.reserve(in_blocks);
  for (std::size_t b = 0; b < gathered.blocks.size(); ++b) write_block(b, writing);
  gathered = {};
  writing.items = {};
  const std::vector<Report> left_out = complete_table(writing.runs);
  writing.runs = {};

  writing.body.prepend(header(declared.text, left_out));
  script_.script = std::move(writing.body);
  write_insertion_table();
  return std::move(script_);
}

// Vectors whose size is known are reserved: one that grew would leave the
// memory it outgrew behind it, unused, for the rest of the run.
std::vector<std::vector<PointerRead>> Builder::read_slots() {
  std::vector<std::vector<PointerRead>> reads;
  std::size_t pointer_count = 0;
  for (const PointerTable& ptable : request_.ptables)
    pointer_count += std::size_t{ptable.count} * (ptable.length ? 2 : 1);
  slots_.reserve(pointer_count);
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    reads.push_back(read_pointers(request_.ptables[t], rom_));
    const PointerTable& ptable = request_.ptables[t];
    for (const PointerRead& read : reads.back()) {
      if (read.inside) slots_.push_back({read.slot, ptable.size, static_cast<std::uint32_t>(t)});
      if (read.length) {
        const std::uint64_t at = read.slot - ptable.offset + ptable.length->at;
        slots_.push_back({at, ptable.length->size, static_cast<std::uint32_t>(t)});
      }
    }
  }
  std::sort(slots_.begin(), slots_.end(),
            [](const Slot& a, const Slot& b) { return a.from < b.from; });
  return reads;
}

std::vector<Found> Builder::find_strings(const std::vector<std::vector<PointerRead>>& reads) {
  std::vector<Found> found;
  std::size_t pointers_read = 0;
  for (const std::vector<PointerRead>& of_table : reads) pointers_read += of_table.size();
  found.reserve(pointers_read);
  std::size_t number = 0;
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    const PointerTable& ptable = request_.ptables[t];
    for (const PointerRead& read : reads[t]) {
      // Which pointer, then its value: the arguments of each warning.
      std::vector<std::string> which = {std::to_string(number++), std::to_string(t + 1),
                                        std::to_string(read.index), at_text(read.slot)};
      const auto warn = [&](ReportId id) {
        if (id != ReportId::script_pointer_outside) which.push_back(hex_number(read.value));
        script_.warnings.push_back({id, Severity::warning, 0, 0, std::move(which)});
      };
      if (!read.inside)
        warn(ReportId::script_pointer_outside);
      else if (ptable.null && read.value == *ptable.null)
        warn(ReportId::script_pointer_null);
      else if (!read.target)
        warn(ReportId::script_target_outside);
      else if (next_slot(*read.target) == *read.target)
        warn(ReportId::script_target_in_table);
      else
        found.push_back({{static_cast<std::uint32_t>(t), read.index, read.slot, read.value},
                         *read.target,
                         read.length,
                         ptable.length ? read.slot - ptable.offset + ptable.length->at : 0});
    }
  }
  return found;
}

// The pointers of each table, grouped by what the inserter subtracts.
Builder::Declarations Builder::declare_pointers(const std::vector<Found>& found) const {
  Declarations declared;
  for (const Found& f : found) {
    const std::int64_t offsetting =
        static_cast<std::int64_t>(f.target) - static_cast<std::int64_t>(f.pointer.value);
    auto [it, fresh] = declared.names.try_emplace({f.pointer.table, offsetting}, "");
    if (!fresh) continue;
    it->second = pointer_name(declared.names.size() - 1);
    declared.text += "#VAR(" + it->second + ", CUSTOMPOINTER)\r\n#CREATEPTR(" + it->second +
                     ", \"LINEAR\", " + atlas_number(offsetting) + ", " +
                     std::to_string(8 * request_.ptables[f.pointer.table].size) + ")\r\n";
  }
  return declared;
}

// The header, the table and pointer declarations; the blocks follow it.
std::string Builder::header(const std::string& declarations,
                            const std::vector<Report>& left_out) const {
  std::string out;
  for (const std::string& line : request_.header) out += "// " + line + "\r\n";
  for (const std::string& argument : request_.pointer_arguments)
    out += "// Pointers: " + argument + "\r\n";
  for (const InPlaceRange& range : request_.ranges)
    out += "// Range: " + span_text(range.first, range.end - 1) +
           (range.text.empty() ? "" : ", end=" + range.text) +
           ", its strings that no pointer reaches written in place\r\n";
  for (const RecordFields& records : request_.records)
    out += "// Records: " + records.text + ", each field a fixed-length string written in place\r\n";
  out += "// End: " + request_.end_text + " (at most " + std::to_string(request_.end.max_length) +
         " bytes a string)\r\n";
  if (!script_.blocks.empty())
    out += "// Each #JMP bounds its block: the inserter writes nothing past its end.\r\n";
  for (std::size_t b = 0; b < script_.blocks.size(); ++b)
    out += "// Block " + std::to_string(b + 1) + ": " + block_text(script_.blocks[b]) + "\r\n";
  for (std::size_t t = 0; t < request_.ptables.size(); ++t) {
    const auto first = std::find_if(slots_.begin(), slots_.end(),
                                    [&](const Slot& slot) { return slot.table == t; });
    const auto last = std::find_if(slots_.rbegin(), slots_.rend(),
                                   [&](const Slot& slot) { return slot.table == t; });
    if (first != slots_.end())
      out += "// Pointer table " + std::to_string(t + 1) + ": " +
             span_text(first->from, last->to() - 1) + ", outside every block\r\n";
  }
  for (const std::string& line : summarise_warnings(script_.warnings, request_.words))
    out += "// " + line + "\r\n";
  for (const Report& note : left_out) out += "// " + request_.words(note) + "\r\n";
  out += "\r\n#VAR(Table, TABLE)\r\n#ADDTBL(\"" + request_.insertion_table_name +
         "\", Table)\r\n#ACTIVETBL(Table)\r\n" + declarations;
  return out;
}

void Builder::write_insertion_table() {
  std::sort(claims_.begin(), claims_.end(),
            [](const Claim& a, const Claim& b) { return a.key < b.key; });
  for (const Claim& claim : claims_) {
    script_.insertion_table += (claim.marker != 0 ? std::string(1, claim.marker) : "") +
                               hex_bytes(claim.key) + "=" + claim.text + "\r\n";
  }
}

} // namespace scripting

Script build_script(const ScriptRequest& request) {
  return scripting::Builder(request).build();
}

bool needs_end_entry(const ScriptRequest& request) {
  for (const PointerTable& ptable : request.ptables)
    if (!ptable.length && request.end.token) return true;
  return std::any_of(request.ranges.begin(), request.ranges.end(),
                     [](const InPlaceRange& range) { return range.rule.token; });
}

} // namespace textdump
