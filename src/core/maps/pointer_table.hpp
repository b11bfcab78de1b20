// Pointer tables: how they are described (the --pointers argument), read from a
// ROM, and mapped from a pointer's value to a file offset.
//
// A --pointers argument is comma-separated key=value fields:
//   at=HEX        file offset of the first pointer (required; 0x or $ may lead),
//                 or its address as the map writes it (C1:013D with map=hirom)
//   count=N       number of pointers, decimal (required)
//   size=2|3|4    bytes per pointer (default 2)
//   stride=N      bytes from one pointer to the next, decimal (default size)
//   offset=N      where the pointer lies in each entry of stride bytes, decimal
//                 (default 0): the entry begins at at= plus a stride a pointer
//   length=O:S    each entry holds the string's length in bytes: S = 1..4
//                 bytes at byte O of the entry, in the pointers' byte order
//   order=le|be   byte order (default le)
//   map=NAME      the address map (default linear)
//   base=HEX      linear: offset = value + base (may be negative: -7FF0)
//   bank=HEX      16-bit SNES, Game Boy and NES pointers: the bank they point into
//   window=HEX    nes: where the bank is seen (default 8000)
//   banksize=HEX  nes: the size of a bank
//   null=HEX|none the value of an empty entry, which points nowhere (default 0)
//
// Which maps there are (core/maps/address_map.hpp), which of base, bank,
// window and banksize each takes and how each turns a value into a file
// offset: the platform's own file (core/maps/maps.hpp lists them). A field of
// a map other than the table's own is refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/base.hpp"
#include "core/maps/address_map.hpp"

namespace textdump {

// A string's length held in the entry beside its pointer.
struct LengthField {
  unsigned at = 0;   // its byte in the entry
  unsigned size = 2; // 1 to 4 bytes

  friend bool operator==(const LengthField&, const LengthField&) = default;
};

// The map's own fields (base, bank, window, banksize) come from MapFields.
struct PointerTable : MapFields {
  std::uint32_t at = 0;
  std::uint32_t count = 0;
  unsigned size = 2;
  unsigned stride = 2;
  ByteOrder order = ByteOrder::le;
  AddressMap map = AddressMap::linear;
  std::optional<std::uint32_t> null = 0; // none: every value is an address
  // at= typed in the map's address form (core/maps/map_address.hpp), which the
  // ROM's layout turns into at (place_pointer_table); none: at is the offset.
  std::optional<TypedPosition> typed_at;
  unsigned offset = 0; // of the pointer in its entry
  std::optional<LengthField> length;

  friend bool operator==(const PointerTable&, const PointerTable&) = default;
};

// The most pointers one table may have.
inline constexpr std::uint32_t MAX_POINTERS = 1u << 24;

// The table the argument describes, or a report on what is wrong (a field's
// report names the field as given first).
std::variant<PointerTable, Report> parse_pointer_table(std::string_view text);

// Sets at from an at= typed in the map's address form; false when the ROM
// has no such position.
bool place_pointer_table(PointerTable& ptable, const RomLayout& layout);

// The table as a --pointers argument, with the fields that differ from their defaults.
std::string pointers_argument(const PointerTable& ptable);

// The file offset a pointer value stands for; nothing when the value is no
// address the map can reach. slot is the pointer's own file offset.
// map is the table's own descriptor, for a caller that maps many values.
inline std::optional<std::uint64_t> map_pointer(const MapDescriptor& map,
                                                const PointerTable& ptable, const RomLayout& layout,
                                                std::uint32_t value, std::uint64_t slot) {
  const std::uint64_t offset = map.to_offset(ptable, layout, {ptable.size, slot}, value);
  if (offset >= layout.size) return std::nullopt;
  return offset;
}

inline std::optional<std::uint64_t> map_pointer(const PointerTable& ptable, const RomLayout& layout,
                                                std::uint32_t value, std::uint64_t slot) {
  return map_pointer(map_of(ptable.map), ptable, layout, value, slot);
}

// One pointer of a table as it stands in the ROM.
struct PointerRead {
  std::uint32_t index = 0;
  std::uint64_t slot = 0;              // its file offset
  bool inside = false;                 // all its bytes lie inside the ROM
  std::uint32_t value = 0;             // as read, in the table's byte order
  std::optional<std::uint64_t> target; // a file offset inside the ROM, when it maps to one
  std::optional<std::uint32_t> length; // the entry's length field, when the table has one
};

std::vector<PointerRead> read_pointers(const PointerTable& ptable, const RomView& rom);

// The bytes of an entry that its pointer and length field take, from its first.
unsigned entry_span(const PointerTable& ptable);

// The first byte that a pointer or length field of one table shares with one
// of the other (nothing when they share none), the tables' entries as they
// lie in the ROM. A pointer that both read alike (the same bytes, size, byte
// order and map) is shared whole and is no such byte.
std::optional<std::uint64_t> shared_slot_byte(const PointerTable& a, const PointerTable& b);

// The most pointers the table can have in a ROM of rom_size bytes: those whose
// bytes all lie inside it, from the first. 0 when not even the first does.
std::uint64_t pointers_that_fit(const PointerTable& ptable, std::uint64_t rom_size);

} // namespace textdump
