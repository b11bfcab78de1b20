// Where a script's blocks may run: the bank a banked map's pointers reach,
// the pointer slots they stop at, and what lies between them untouched.
#include <algorithm>

#include "core/base/base.hpp"
#include "core/script/script_builder.hpp"

namespace textdump::scripting {

// The file offsets a pointer of a banked map can reach from its target: the
// bank that holds it. Nothing for maps whose values run on through the ROM.
std::optional<std::pair<std::uint64_t, std::uint64_t>>
bank_of(const PointerTable& ptable, const RomLayout& layout, std::uint64_t target) {
  const auto bank = map_of(ptable.map).bank_span(ptable, layout, ptable.size, target);
  if (!bank) return std::nullopt;
  return std::pair{bank->from, bank->to};
}

std::uint64_t Builder::next_slot(std::uint64_t pos) const {
  const auto after = std::upper_bound(slots_.begin(), slots_.end(), pos,
                                      [](std::uint64_t p, const Slot& s) { return p < s.to(); });
  return after == slots_.end() ? NO_NEXT : std::max(after->from, pos);
}

std::string Builder::left_alone(std::uint64_t from, std::uint64_t to) const {
  std::string lines;
  for (std::uint64_t pos = from; pos < to;) {
    const std::uint64_t slot = next_slot(pos);
    if (slot == pos) {
      const auto it = std::upper_bound(slots_.begin(), slots_.end(), pos,
                                       [](std::uint64_t p, const Slot& s) { return p < s.to(); });
      std::uint64_t end = it->to();
      for (auto next = it + 1;
           next != slots_.end() && next->from <= end && next->table == it->table; ++next)
        end = std::max(end, next->to());
      end = std::min(end, to);
      lines += "// $" + hex_number(pos) + "-$" + hex_number(end - 1) + ": pointers of table " +
               std::to_string(it->table + 1) + ", outside every block\r\n";
      pos = end;
      continue;
    }
    const std::uint64_t end = std::min(slot, to);
    const unsigned char first = rom_.data[pos];
    const bool padding =
        is_padding_byte(first) &&
        std::all_of(rom_.data + pos, rom_.data + end, [&](unsigned char b) { return b == first; });
    if (!padding)
      lines += "// $" + hex_number(pos) + "-$" + hex_number(end - 1) + ": " +
               std::to_string(end - pos) +
               " bytes that no pointer reaches, outside every block and left as they are\r\n";
    pos = end;
  }
  return lines;
}

} // namespace textdump::scripting
