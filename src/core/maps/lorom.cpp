// The lorom map: 32 KiB banks, each seen at 8000-FFFF (core/maps/snes.hpp).
//   value   24-bit: (v & 7FFF) + ((v >> 16) & 7F) * 8000 + h; 16-bit: the bank
//           of the pointer table unless bank= is given. Bit 15 set. The value
//           written for an offset takes banks 00-7D, then FE and FF.
//   address $BB:AAAA, bank 00-7D then FE and FF, address 8000-FFFF, past the
//           copier header; typed, any bank but 7E and 7F (80-FF mirror 00-7F)
//   header  the SNES header at 7FC0
//   check   the SNES header's checksum and its complement (core/maps/snes.hpp)
//   banks   32 KiB from the copier header on; with the header, a 16-bit
//           table in any bank may point into any other
#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"
#include "core/maps/snes.hpp"

namespace textdump {

namespace {

using namespace map_parts;

// The bank byte of the bank-th bank: banks 7E and 7F are work RAM, so the
// last two banks of a 4 MiB ROM are seen at FE and FF only.
std::uint64_t bank_byte(std::uint64_t bank) {
  return bank >= 0x7E ? bank | 0x80 : bank;
}

std::uint64_t to_offset(const MapFields& fields, const RomLayout& layout, PointerPlace place,
                        std::uint32_t value) {
  if ((value & 0x8000) == 0) return NO_OFFSET;
  const std::uint64_t bank = place.size >= 3
                                 ? (value >> 16) & 0x7F
                                 : own_bank(fields, place.slot, layout.copier_header, LOROM_BANK);
  return snes_offset(SnesMap::lorom, value, bank, layout.copier_header);
}

std::optional<std::uint32_t> to_value(const MapFields& fields, const RomLayout& layout,
                                      PointerPlace place, std::uint64_t offset) {
  if (offset < layout.copier_header) return std::nullopt;
  const std::uint64_t inside = offset - layout.copier_header, bank = inside / LOROM_BANK;
  const std::uint64_t address = 0x8000 | (inside & 0x7FFF);
  if (place.size >= 3)
    return bank <= 0x7F ? fitting(bank_byte(bank) << 16 | address, place.size) : std::nullopt;
  if (bank != own_bank(fields, place.slot, layout.copier_header, LOROM_BANK)) return std::nullopt;
  return fitting(address, place.size);
}

bool header(const RomView& rom, const RomLayout& layout) {
  return snes_header_of(SnesMap::lorom, rom, layout);
}

std::string address_text(const MapFields&, const RomLayout& layout, std::uint64_t offset) {
  if (offset < layout.copier_header) return "";
  const std::uint64_t inside = offset - layout.copier_header, bank = inside / LOROM_BANK;
  if (bank > 0x7F) return "";
  return "$" + hex_digits(bank_byte(bank), 2) + ":" + hex_digits(0x8000 | (inside & 0x7FFF), 4);
}

std::uint64_t position_offset(const MapFields&, const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position({}, layout, position);
  const auto bank = banked(position);
  if (!bank || *bank > 0xFF || *bank == 0x7E || *bank == 0x7F || position.value < 0x8000)
    return NO_OFFSET;
  return snes_offset(SnesMap::lorom, position.value, *bank & 0x7F, layout.copier_header);
}

std::optional<BankSpan> bank_span(const MapFields&, const RomLayout& layout, unsigned,
                                  std::uint64_t target) {
  return bank_around(layout.copier_header, LOROM_BANK, target);
}

// A SNES header: code reads a table of 16-bit pointers in any bank with
// the bank of its strings, which may be any other.
std::optional<SwitchedBanks> switched_banks(const RomView& rom, const RomLayout& layout) {
  return snes_banks(SnesMap::lorom, rom, layout);
}

HeaderBytes checksum(const RomView& rom, const RomLayout& layout) {
  return snes_checksum(SnesMap::lorom, rom, layout);
}

constexpr ChecksumRule CHECKSUMS[] = {snes_checksum_rule(SnesMap::lorom, checksum)};

} // namespace

constexpr MapDescriptor platforms::lorom{
    .id = AddressMap::lorom,
    .name = "lorom",
    .sizes = SIZES_2_3_4,
    .fields = BANK_FIELD,
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = header,
    .address_text = address_text,
    .position_offset = position_offset,
    .bank_span = bank_span,
    .switched_banks = switched_banks,
    .bank_bytes = LOROM_BANK,
    .checksums = CHECKSUMS,
};

} // namespace textdump
