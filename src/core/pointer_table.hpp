// Pointer tables: how they are described (the --pointers argument), read from a
// ROM, and mapped from a pointer's value to a file offset.
//
// A --pointers argument is comma-separated key=value fields:
//   at=HEX        file offset of the first pointer (required; 0x or $ may lead)
//   count=N       number of pointers, decimal (required)
//   size=2|3|4    bytes per pointer (default 2)
//   stride=N      bytes from one pointer to the next, decimal (default size)
//   order=le|be   byte order (default le)
//   map=linear|lorom|hirom|gb|nes (default linear)
//   base=HEX      linear: offset = value + base (may be negative: -7FF0)
//   bank=HEX      16-bit SNES, Game Boy and NES pointers: the bank they point into
//   window=HEX    nes: where the bank is seen (default 8000)
//   banksize=HEX  nes: the size of a bank
//   null=HEX|none the value of an empty entry, which points nowhere (default 0)
//
// Maps (h is the copier header: the ROM size modulo 0x800):
//   lorom  24-bit: (v & 7FFF) + ((v >> 16) & 7F) * 8000 + h; 16-bit: the 32 KiB
//          bank of the pointer table itself unless bank= is given. Bit 15 set.
//   hirom  24-bit: (v & 3FFFFF) + h (banks C0-FF and 40-7D); 16-bit: the
//          64 KiB bank of the pointer table unless bank= is given.
//   gb     0000-3FFF bank 0; 4000-7FFF the bank of the pointer table (at least
//          1) unless bank= is given; size 3 is an address then a bank byte.
//   nes    the iNES header (and a 512-byte trainer) skipped; window (8000) is
//          where the bank is seen; banksize defaults to the PRG size up to
//          32 KiB, else 16 KiB; bank to the one that holds the pointer table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/rom_view.hpp"

namespace textdump {

enum class AddressMap { linear, lorom, hirom, gb, nes };
enum class ByteOrder { le, be };

std::string_view name_of(AddressMap map);

struct PointerTable {
  std::uint32_t at = 0;
  std::uint32_t count = 0;
  unsigned size = 2;
  unsigned stride = 2;
  ByteOrder order = ByteOrder::le;
  AddressMap map = AddressMap::linear;
  std::int64_t base = 0;
  std::optional<std::uint32_t> bank;
  std::uint32_t window = 0x8000;
  std::optional<std::uint32_t> banksize;
  std::optional<std::uint32_t> null = 0; // none: every value is an address

  friend bool operator==(const PointerTable&, const PointerTable&) = default;
};

// The most pointers one table may have.
inline constexpr std::uint32_t MAX_POINTERS = 1u << 24;

// The table the argument describes, or a message naming the field that is wrong.
std::variant<PointerTable, std::string> parse_pointer_table(std::string_view text);

// The table as a --pointers argument, with the fields that differ from their defaults.
std::string pointers_argument(const PointerTable& ptable);

// What the maps need to know of a ROM.
struct RomLayout {
  std::uint64_t size = 0;
  std::uint32_t copier_header = 0; // size & 0x7FF
  bool ines = false;               // "NES\x1A" at offset 0
  std::uint32_t prg_start = 0;     // iNES: 16, plus 512 with a trainer
  std::uint32_t prg_size = 0;      // iNES: byte 4 * 16 KiB
};

RomLayout layout_of(const RomView& rom);

// The file offset a pointer value stands for; nothing when the value is no
// address the map can reach. slot is the pointer's own file offset.
std::optional<std::uint64_t> map_pointer(const PointerTable& ptable, const RomLayout& layout,
                                         std::uint32_t value, std::uint32_t slot);

// One pointer of a table as it stands in the ROM.
struct PointerRead {
  std::uint32_t index = 0;
  std::uint64_t slot = 0;              // its file offset
  bool inside = false;                 // all its bytes lie inside the ROM
  std::uint32_t value = 0;             // as read, in the table's byte order
  std::optional<std::uint64_t> target; // a file offset inside the ROM, when it maps to one
};

std::vector<PointerRead> read_pointers(const PointerTable& ptable, const RomView& rom);

} // namespace textdump
