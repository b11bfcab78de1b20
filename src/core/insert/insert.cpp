// A plan of insertion checked against the ROM, applied to a copy of it, its
// header's checksums fixed, and the result proven.
#include "core/insert/insert.hpp"

#include <algorithm>
#include <cstring>

#include "core/insert/insert_proof.hpp"

namespace textdump {

bool Insertion::ok() const {
  return std::none_of(diagnostics.begin(), diagnostics.end(),
                      [](const Report& d) { return d.severity == Severity::error; });
}

namespace {

void put_field(std::string& rom, std::uint64_t at, unsigned size, bool big_endian,
               std::uint64_t value) {
  for (unsigned k = 0; k < size; ++k)
    rom[at + (big_endian ? size - 1 - k : k)] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

void fail(Insertion& insertion, std::size_t line, ReportId id, std::vector<std::string> args) {
  insertion.diagnostics.push_back({id, Severity::error, line, 1, std::move(args)});
}

// Every block, slot and field inside the ROM; an error for each that is not.
void check_reach(const InsertPlan& plan, std::uint64_t size, Insertion& insertion) {
  const auto past = [size](std::uint64_t at, std::uint64_t bytes) {
    return at > size || bytes > size - at;
  };
  const std::string rom_size = std::to_string(size);
  for (const PlanBlock& b : plan.blocks)
    if (past(b.start, b.bytes.size()))
      fail(insertion, b.line, ReportId::insert_block_outside,
           {hex_number(b.start), hex_number(b.start + b.bytes.size() - (b.bytes.empty() ? 0 : 1)),
            rom_size});
  for (const PlanPointer& p : plan.pointers)
    if (past(p.slot, p.format.bits / 8))
      fail(insertion, p.line, ReportId::insert_slot_outside,
           {hex_number(p.slot), hex_number(p.slot + p.format.bits / 8 - 1), rom_size});
  for (const PlanLength& l : plan.lengths)
    if (past(l.at, l.size))
      fail(insertion, l.line, ReportId::insert_length_outside,
           {hex_number(l.at), hex_number(l.at + l.size - 1), rom_size});
}

void apply(const InsertPlan& plan, std::string& out) {
  for (const PlanBlock& b : plan.blocks)
    if (!b.bytes.empty()) std::memcpy(out.data() + b.start, b.bytes.data(), b.bytes.size());
  for (const PlanPointer& p : plan.pointers)
    put_field(out, p.slot, p.format.bits / 8, p.big_endian, p.value);
  for (const PlanLength& l : plan.lengths) put_field(out, l.at, l.size, l.big_endian, l.value);
}

// Recomputes the checksums that were right; a warning for each that was wrong.
void keep_checksums(std::string_view rom, Insertion& insertion) {
  const RomView before_view{reinterpret_cast<const std::uint8_t*>(rom.data()), rom.size()};
  insertion.platform = platform_map(before_view);
  if (insertion.platform == nullptr) return;
  const std::vector<HeaderChecksum> before = header_checksums(*insertion.platform, before_view);
  const std::vector<HeaderChecksum> after =
      fix_checksums(*insertion.platform, insertion.rom, before);
  for (std::size_t k = 0; k < before.size(); ++k) {
    const HeaderChecksum& c = before[k];
    const bool changed = c.state != ChecksumState::none &&
                         std::memcmp(rom.data() + c.at, insertion.rom.data() + c.at, c.size) != 0;
    insertion.checksums.push_back({c, k < after.size() ? after[k].state : c.state, changed});
    if (c.state == ChecksumState::wrong)
      insertion.diagnostics.push_back({ReportId::insert_checksum_wrong,
                                       Severity::warning,
                                       0,
                                       0,
                                       {std::string(c.name), hex_number(c.at)}});
  }
}

} // namespace

Insertion insert_script(const InsertPlan& plan, std::string_view rom) {
  Insertion insertion;
  for (const PlanBlock& b : plan.blocks)
    if (!b.moved) insertion.blocks.push_back({b.line, b.start, b.last, b.bytes.size()});
  check_reach(plan, rom.size(), insertion);
  if (!insertion.ok()) return insertion;
  insertion.rom.assign(rom);
  apply(plan, insertion.rom);
  insertion.pointers = plan.pointers.size();
  insertion.lengths = plan.lengths.size();
  keep_checksums(rom, insertion);
  prove(plan, rom, insertion);
  if (!insertion.ok()) insertion.rom.clear();
  return insertion;
}

} // namespace textdump
