// The nes map: the PRG of an iNES file (past its 16-byte header and a 512-byte
// trainer), in banks seen at the window.
//   value   window (8000) is where the bank is seen; banksize defaults to the
//           PRG's bank, bank to the one that holds the pointer table
//   address $AAAA (bank BB): the PRG's bank at 8000, the fixed last one of
//           16 KiB at C000; typed BB:AAAA, either half of the CPU's 8000-FFFF.
//           Under a table's own window= or banksize=, its banks of that size
//           at the window, typed back in that form
//   header  the iNES magic at 0
//   banks   the PRG's banks: the PRG itself up to 32 KiB, else 16 KiB, the
//           last of them fixed while the others switch
#include "core/maps/map_parts.hpp"
#include "core/maps/platforms.hpp"

namespace textdump {

namespace {

using namespace map_parts;

constexpr std::uint32_t SWITCHED = 0x4000; // the bank that a PRG of over 32 KiB switches

// The PRG's bank: the PRG itself up to 32 KiB, else 16 KiB.
std::uint64_t prg_bank(const RomLayout& layout) {
  return layout.prg_size != 0 && layout.prg_size <= 2 * SWITCHED ? layout.prg_size : SWITCHED;
}

std::uint64_t bank_size(const MapFields& fields, const RomLayout& layout) {
  return fields.banksize.value_or(prg_bank(layout));
}

std::uint64_t to_offset(const MapFields& fields, const RomLayout& layout, PointerPlace place,
                        std::uint32_t value) {
  if (!layout.ines) return NO_OFFSET;
  const std::uint64_t banksize = bank_size(fields, layout);
  if (value < fields.window || value - fields.window >= banksize) return NO_OFFSET;
  const std::uint64_t bank = own_bank(fields, place.slot, layout.prg_start, banksize);
  return layout.prg_start + bank * banksize + (value - fields.window);
}

std::optional<std::uint32_t> to_value(const MapFields& fields, const RomLayout& layout,
                                      PointerPlace place, std::uint64_t offset) {
  if (!layout.ines || offset < layout.prg_start) return std::nullopt;
  const std::uint64_t banksize = bank_size(fields, layout), inside = offset - layout.prg_start;
  if (inside / banksize != own_bank(fields, place.slot, layout.prg_start, banksize))
    return std::nullopt;
  return fitting(fields.window + inside % banksize, place.size);
}

bool header(const RomView&, const RomLayout& layout) {
  return layout.ines;
}

// A table's own window= or banksize= shows its banks as it sees them: each at
// the window, none of them fixed.
bool own_fields(const MapFields& fields) {
  return fields.window != 0x8000 || fields.banksize.has_value();
}

std::string address_text(const MapFields& fields, const RomLayout& layout, std::uint64_t offset) {
  if (!layout.ines || offset < layout.prg_start) return "";
  const std::uint64_t inside = offset - layout.prg_start, banksize = bank_size(fields, layout);
  if (layout.prg_size != 0 && inside >= layout.prg_size) return ""; // CHR
  const std::uint64_t bank = inside / banksize;
  const bool last =
      !own_fields(fields) && banksize == SWITCHED && (bank + 1) * banksize == layout.prg_size;
  const std::uint64_t address = (last ? 0xC000 : fields.window) + inside % banksize;
  if (address > 0xFFFF || bank > 0xFFFF) return ""; // no form types it back
  return "$" + hex_digits(address, 4) + " (bank " + hex_digits(bank, 2) + ")";
}

std::uint64_t position_offset(const MapFields& fields, const RomLayout& layout,
                              TypedPosition position) {
  if (!position.bank) return plain_position(fields, layout, position);
  const auto bank = banked(position);
  if (!layout.ines || !bank) return NO_OFFSET;
  const std::uint64_t banksize = bank_size(fields, layout);
  std::uint64_t inside = *bank * banksize;
  if (own_fields(fields)) {
    if (position.value < fields.window || position.value - fields.window >= banksize)
      return NO_OFFSET;
    inside += position.value - fields.window;
  } else {
    if (position.value < 0x8000) return NO_OFFSET;
    inside += (position.value - 0x8000) % banksize;
  }
  if (layout.prg_size != 0 && inside >= layout.prg_size) return NO_OFFSET;
  return layout.prg_start + inside;
}

std::optional<BankSpan> bank_span(const MapFields& fields, const RomLayout& layout, unsigned,
                                  std::uint64_t target) {
  return bank_around(layout.prg_start, bank_size(fields, layout), target);
}

// A PRG of more than 32 KiB keeps its last 16 KiB at C000 and switches the
// others in at 8000.
std::optional<SwitchedBanks> switched_banks(const RomView&, const RomLayout& layout) {
  if (!layout.ines || layout.prg_size <= 2 * SWITCHED) return std::nullopt;
  const std::uint64_t fixed = layout.prg_start + layout.prg_size - SWITCHED;
  return SwitchedBanks{{fixed, fixed + SWITCHED}, 0, layout.prg_size / SWITCHED - 1,
                       layout.prg_start, SWITCHED};
}

constexpr std::string_view FIELDS[] = {"window", "banksize", "bank"};

} // namespace

constexpr MapDescriptor platforms::nes{
    .id = AddressMap::nes,
    .name = "nes",
    .sizes = 1u << 2,
    .sizes_refused = ReportId::pointers_nes_size,
    .fields = FIELDS,
    .searched_big_endian = false,
    .to_offset = to_offset,
    .to_value = to_value,
    .suggested_by = header,
    .address_text = address_text,
    .position_offset = position_offset,
    .bank_span = bank_span,
    .switched_banks = switched_banks,
    .bank_bytes = SWITCHED,
};

} // namespace textdump
