// The hirom map: 64 KiB banks, each seen whole at C0-FF (core/maps/snes.hpp).
//   value   24-bit: (v & 3FFFFF) + h, banks C0-FF and 40-7D; 16-bit: the
//           64 KiB bank of the pointer table unless bank= is given
//   address $BB:AAAA, bank C0-FF, address 0000-FFFF, past the copier header;
//           typed, also 40-7D, and 00-3F and 80-BF at 8000-FFFF
//   header  the SNES header at FFC0
//   check   the SNES header's checksum and its complement (core/maps/snes.hpp)
//   banks   64 KiB from the copier header on, for 16-bit pointers (24-bit
//           ones run on from bank to bank); with the header, a 16-bit table
//           in any bank may point into any other
#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"
#include "core/maps/snes.hpp"

namespace textdump {

namespace {

using namespace map_parts;

std::uint64_t to_offset(const MapFields& fields, const RomLayout& layout, PointerPlace place,
                        std::uint32_t value) {
  if (place.size >= 3) {
    const std::uint32_t bank = (value >> 16) & 0xFF;
    if (bank < 0x40 || (bank > 0x7D && bank < 0xC0)) return NO_OFFSET;
    return snes_offset(SnesMap::hirom, value, bank & 0x3F, layout.copier_header);
  }
  return snes_offset(SnesMap::hirom, value,
                     own_bank(fields, place.slot, layout.copier_header, HIROM_BANK),
                     layout.copier_header);
}

std::optional<std::uint32_t> to_value(const MapFields& fields, const RomLayout& layout,
                                      PointerPlace place, std::uint64_t offset) {
  if (offset < layout.copier_header) return std::nullopt;
  const std::uint64_t inside = offset - layout.copier_header;
  if (place.size >= 3)
    return inside < 0x400000 ? fitting(0xC00000 | inside, place.size) : std::nullopt;
  if (inside / HIROM_BANK != own_bank(fields, place.slot, layout.copier_header, HIROM_BANK))
    return std::nullopt;
  return fitting(inside & 0xFFFF, place.size);
}

bool header(const RomView& rom, const RomLayout& layout) {
  return snes_header_of(SnesMap::hirom, rom, layout);
}

std::string address_text(const MapFields&, const RomLayout& layout, std::uint64_t offset) {
  if (offset < layout.copier_header) return "";
  const std::uint64_t inside = offset - layout.copier_header;
  if (inside >= 0x400000) return "";
  return "$" + hex_digits(0xC0 | inside >> 16, 2) + ":" + hex_digits(inside & 0xFFFF, 4);
}

std::uint64_t position_offset(const MapFields&, const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position({}, layout, position);
  const auto bank = banked(position);
  if (!bank || *bank > 0xFF || (*bank >= 0x7E && *bank < 0x80)) return NO_OFFSET;
  // Banks 40-7D and C0-FF see the whole 64 KiB; the others their upper half.
  const bool whole = (*bank & 0x40) != 0;
  if (!whole && position.value < 0x8000) return NO_OFFSET;
  return snes_offset(SnesMap::hirom, position.value, *bank & 0x3F, layout.copier_header);
}

std::optional<BankSpan> bank_span(const MapFields&, const RomLayout& layout, unsigned size,
                                  std::uint64_t target) {
  if (size >= 3) return std::nullopt;
  return bank_around(layout.copier_header, HIROM_BANK, target);
}

// A SNES header: code reads a table of 16-bit pointers in any bank with
// the bank of its strings, which may be any other.
std::optional<SwitchedBanks> switched_banks(const RomView& rom, const RomLayout& layout) {
  return snes_banks(SnesMap::hirom, rom, layout);
}

HeaderBytes checksum(const RomView& rom, const RomLayout& layout) {
  return snes_checksum(SnesMap::hirom, rom, layout);
}

constexpr ChecksumRule CHECKSUMS[] = {snes_checksum_rule(SnesMap::hirom, checksum)};

} // namespace

constexpr MapDescriptor platforms::hirom{
    .id = AddressMap::hirom,
    .name = "hirom",
    .sizes = SIZES_2_3_4,
    .fields = BANK_FIELD,
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = header,
    .address_text = address_text,
    .position_offset = position_offset,
    .bank_span = bank_span,
    .switched_banks = switched_banks,
    .bank_bytes = HIROM_BANK,
    .checksums = CHECKSUMS,
};

} // namespace textdump
