// The gb map (Game Boy): 16 KiB banks, bank 0 at 0000-3FFF, the switched bank
// at 4000-7FFF.
//   value   a 2-byte pointer points into the bank of the pointer table (bank
//           1 when the table lies in bank 0) unless bank= is given; a 3-byte
//           one is the address and then its bank byte
//   address BB:AAAA, bank 00 at 0000-3FFF, every other bank at 4000-7FFF
//   header  the header checksum at 014D holds
//   banks   16 KiB from offset 0 on; with a bank controller in the header,
//           bank 0's tables may point into any bank from 2 on
#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"

namespace textdump {

namespace {

using namespace map_parts;

constexpr std::uint32_t BANK = 0x4000;

std::uint64_t own_switched_bank(const MapFields& fields, std::uint64_t slot) {
  const std::uint64_t bank = fields.bank.value_or(slot / BANK);
  return !fields.bank && bank == 0 ? 1 : bank;
}

std::uint64_t to_offset(const MapFields& fields, const RomLayout&, PointerPlace place,
                        std::uint32_t value) {
  const std::uint32_t address = value & 0xFFFF;
  if (address >= 2 * BANK) return NO_OFFSET;
  if (address < BANK) return address;
  const std::uint64_t bank =
      place.size >= 3 ? (value >> 16) & 0xFF : own_switched_bank(fields, place.slot);
  return bank * BANK + (address - BANK);
}

std::optional<std::uint32_t> to_value(const MapFields& fields, const RomLayout&, PointerPlace place,
                                      std::uint64_t offset) {
  if (offset < BANK) return fitting(offset, place.size);
  const std::uint64_t bank = offset / BANK, address = BANK + offset % BANK;
  if (place.size >= 3)
    return bank <= 0xFF ? fitting(bank << 16 | address, place.size) : std::nullopt;
  if (bank != own_switched_bank(fields, place.slot)) return std::nullopt;
  return fitting(address, place.size);
}

bool header(const RomView& rom, const RomLayout&) {
  if (rom.size < 0x150) return false;
  std::uint8_t check = 0;
  for (std::size_t i = 0x134; i <= 0x14C; ++i)
    check = static_cast<std::uint8_t>(check - rom.data[i] - 1);
  return check == rom.data[0x14D];
}

std::string address_text(const RomLayout&, std::uint64_t offset) {
  if (offset < BANK) return "00:" + hex_digits(offset, 4);
  return hex_digits(offset / BANK, 2) + ":" + hex_digits(BANK + offset % BANK, 4);
}

std::uint64_t position_offset(const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position(layout, position);
  const auto bank = banked(position);
  if (!bank || position.value >= 2 * BANK) return NO_OFFSET;
  if (position.value < BANK) return *bank == 0 ? position.value : NO_OFFSET;
  if (*bank == 0) return NO_OFFSET;
  return std::uint64_t{*bank} * BANK + (position.value - BANK);
}

std::optional<BankSpan> bank_span(const MapFields&, const RomLayout&, unsigned,
                                  std::uint64_t target) {
  return bank_around(0, BANK, target);
}

// A cartridge with a bank controller (its type at 0147) keeps bank 0 fixed
// and switches the others in at 4000, where bank 0's tables point into bank
// 1 unless told another.
std::optional<SwitchedBanks> switched_banks(const RomView& rom, const RomLayout& layout) {
  if (!header(rom, layout) || rom.size <= 2 * std::uint64_t{BANK}) return std::nullopt;
  const std::uint8_t type = rom.data[0x147];
  if (type == 0x00 || type == 0x08 || type == 0x09) return std::nullopt; // no controller
  const auto banks = static_cast<std::uint32_t>(rom.size / BANK);
  if (banks <= 2) return std::nullopt;
  return SwitchedBanks{{0, BANK}, 2, banks - 2, 0, BANK};
}

} // namespace

constexpr MapDescriptor platforms::gb{
    .id = AddressMap::gb,
    .name = "gb",
    .sizes = 1u << 2 | 1u << 3,
    .sizes_refused = ReportId::pointers_gb_size,
    .fields = BANK_FIELD,
    .searched_big_endian = false,
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = header,
    .address_text = address_text,
    .position_offset = position_offset,
    .bank_span = bank_span,
    .switched_banks = switched_banks,
    .bank_bytes = BANK,
};

} // namespace textdump
