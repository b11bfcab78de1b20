// The gb map (Game Boy): 16 KiB banks, bank 0 at 0000-3FFF, the switched bank
// at 4000-7FFF.
//   value   a 2-byte pointer points into the bank of the pointer table (bank
//           1 when the table lies in bank 0) unless bank= is given; a 3-byte
//           one is the address and then its bank byte
//   address BB:AAAA, bank 00 at 0000-3FFF, every other bank at 4000-7FFF
//   header  the header checksum at 014D holds
//   banks   16 KiB from offset 0 on; with a bank controller in the header,
//           bank 0's tables may point into any bank from 2 on
//   check   the header checksum at 014D: x = x - byte - 1 over 0134-014C; the
//           global checksum at 014E-014F, big-endian: the sum of every byte
//           but those two
//   grows   with a memory bank controller (the cartridge type at 0147), to
//           32 KiB << n, which the ROM size byte at 0148 holds as n: up to
//           what the controller reaches
#include <bit>

#include "core/base/base.hpp"
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

constexpr std::uint64_t HEADER_CHECKSUM = 0x14D, GLOBAL_CHECKSUM = 0x14E, HEADER_END = 0x150;

HeaderBytes header_checksum(const RomView& rom, const RomLayout&) {
  std::uint8_t check = 0;
  for (std::uint64_t i = 0x134; i < HEADER_CHECKSUM; ++i)
    check = static_cast<std::uint8_t>(check - rom.data[i] - 1);
  return {{check}, 1};
}

HeaderBytes global_checksum(const RomView& rom, const RomLayout&) {
  const std::uint64_t own = rom.data[GLOBAL_CHECKSUM] + rom.data[GLOBAL_CHECKSUM + 1];
  return big_endian(byte_sum(rom, 0, rom.size) - own, 2);
}

constexpr ChecksumRule CHECKSUMS[] = {
    {.name = "header checksum", .at = HEADER_CHECKSUM, .size = 1, .value = header_checksum},
    {.name = "global checksum", .at = GLOBAL_CHECKSUM, .size = 2, .value = global_checksum},
};

bool header(const RomView& rom, const RomLayout& layout) {
  return rom.size >= HEADER_END &&
         header_checksum(rom, layout).bytes[0] == rom.data[HEADER_CHECKSUM];
}

std::string address_text(const MapFields&, const RomLayout&, std::uint64_t offset) {
  if (offset < BANK) return "00:" + hex_digits(offset, 4);
  return hex_digits(offset / BANK, 2) + ":" + hex_digits(BANK + offset % BANK, 4);
}

std::uint64_t position_offset(const MapFields&, const RomLayout& layout, TypedPosition position) {
  if (!position.bank) return plain_position({}, layout, position);
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

constexpr std::uint64_t CARTRIDGE_TYPE = 0x147, ROM_SIZE = 0x148, SMALLEST = 0x8000;

// The memory bank controllers and the most ROM each reaches, by the
// cartridge types that have them.
struct Controller {
  std::uint8_t first_type, last_type;
  std::string_view name;
  std::uint64_t reach;
};
constexpr Controller CONTROLLERS[] = {
    {0x01, 0x03, "MBC1", 2u << 20},
    {0x05, 0x06, "MBC2", 256u << 10},
    {0x0F, 0x13, "MBC3", 2u << 20},
    {0x19, 0x1E, "MBC5", 8u << 20},
};

SizeFields size_fields(const RomView& rom, std::uint64_t size) {
  if (rom.size < HEADER_END) return error_report(ReportId::expand_no_header, {"gb", "$0148"});
  const std::uint8_t type = rom.data[CARTRIDGE_TYPE];
  if (type == 0x00 || type == 0x08 || type == 0x09)
    return error_report(ReportId::expand_gb_rom_only, {hex_byte(type)});
  const auto* controller =
      std::find_if(std::begin(CONTROLLERS), std::end(CONTROLLERS), [&](const Controller& c) {
        return type >= c.first_type && type <= c.last_type;
      });
  if (controller == std::end(CONTROLLERS))
    return error_report(ReportId::expand_gb_cartridge, {hex_byte(type)});
  if (size < SMALLEST || !std::has_single_bit(size))
    return error_report(ReportId::expand_gb_size, {with_commas(size)});
  if (size > controller->reach)
    return error_report(ReportId::expand_gb_controller,
                        {with_commas(size), hex_byte(type), std::string(controller->name),
                         with_commas(controller->reach)});
  const auto n = static_cast<std::uint8_t>(std::countr_zero(size / SMALLEST));
  return std::vector<HeaderWrite>{{ROM_SIZE, {{n}, 1}}};
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
    .checksums = CHECKSUMS,
    .grows_to = SMALLEST << 8,
    .size_fields = size_fields,
};

} // namespace textdump
