// The words of the address maps, below every part of core/maps: the maps'
// ids, the fields of a pointer table that a map reads, what a map knows of a
// ROM, a pointer's place, a typed position, a bank, a header's checksums and
// size fields, and the descriptor that each platform's file fills in
// (core/maps/maps.hpp lists the files).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/base/base.hpp"

namespace textdump {

// One id a map, in the order of the registry (core/maps/address_map.hpp).
enum class AddressMap { linear, lorom, hirom, gb, nes, gba, md };

// The fields of a pointer table that the maps read. A map takes only some of
// them (its descriptor lists which); the others keep these defaults.
struct MapFields {
  std::int64_t base = 0;                 // linear: offset = value + base
  std::optional<std::uint32_t> bank;     // the bank 16-bit pointers point into
  std::uint32_t window = 0x8000;         // nes: where the bank is seen
  std::optional<std::uint32_t> banksize; // nes: the size of a bank

  friend bool operator==(const MapFields&, const MapFields&) = default;
};

// What the maps need to know of a ROM (layout_of in core/maps/address_map.hpp).
struct RomLayout {
  std::uint64_t size = 0;
  std::uint32_t copier_header = 0; // size & 0x7FF
  bool ines = false;               // "NES\x1A" at offset 0
  std::uint32_t prg_start = 0;     // iNES: 16, plus 512 with a trainer
  std::uint32_t prg_size = 0;      // iNES: byte 4 * 16 KiB
};

// Past the end of every ROM: what a value that maps to no offset gives.
inline constexpr std::uint64_t NO_OFFSET = ~std::uint64_t{0};

// A position as typed: BANK:ADDRESS (bank set), or one hexadecimal value.
struct TypedPosition {
  std::optional<std::uint32_t> bank;
  std::uint32_t value = 0;

  friend bool operator==(const TypedPosition&, const TypedPosition&) = default;
};

// One pointer as a map sees it: its size in bytes and its own file offset.
struct PointerPlace {
  unsigned size = 2;
  std::uint64_t slot = 0;
};

// The file offsets from, to - 1 of one bank.
struct BankSpan {
  std::uint64_t from = 0, to = 0;

  friend bool operator==(const BankSpan&, const BankSpan&) = default;
};

// A ROM whose header says its 16-bit pointers may point into other banks
// than their own: a pointer that lies in tables (the fixed bank of a ROM
// that switches the others, or the whole ROM) may point into any of the
// banks first to first + count - 1, bank b being the bank_size bytes from
// banks_at + b * bank_size on.
struct SwitchedBanks {
  BankSpan tables;
  std::uint32_t first = 0, count = 0;
  std::uint64_t banks_at = 0, bank_size = 0;

  BankSpan bank(std::uint32_t b) const {
    const std::uint64_t from = banks_at + std::uint64_t{b} * bank_size;
    return {from, from + bank_size};
  }

  friend bool operator==(const SwitchedBanks&, const SwitchedBanks&) = default;
};

// What a map without banks answers.
inline std::optional<BankSpan> no_bank_span(const MapFields&, const RomLayout&, unsigned,
                                            std::uint64_t) {
  return std::nullopt;
}
inline std::optional<SwitchedBanks> no_switched_banks(const RomView&, const RomLayout&) {
  return std::nullopt;
}

// Up to four bytes of a ROM's header, in the order they lie.
struct HeaderBytes {
  std::array<std::uint8_t, 4> bytes{};
  unsigned size = 0;

  friend bool operator==(const HeaderBytes&, const HeaderBytes&) = default;
};

// One checksum of a platform's header (core/maps/rom_header.hpp checks and
// fixes them): its bytes lie at at, past the copier header where
// past_copier_header says so; value gives the bytes it holds when right, for
// the ROM as it is now (its own bytes counted as the platform's rule says).
struct ChecksumRule {
  std::string_view name{}; // as the reports name it: "header checksum"
  std::uint64_t at = 0;
  unsigned size = 0;
  bool past_copier_header = false;
  HeaderBytes (*value)(const RomView&, const RomLayout&) = nullptr;
};

// A header field written at a file offset.
struct HeaderWrite {
  std::uint64_t at = 0;
  HeaderBytes value{};

  friend bool operator==(const HeaderWrite&, const HeaderWrite&) = default;
};

// The header fields that say a ROM's size, with their values for a new size,
// or the report why the ROM cannot have that size.
using SizeFields = std::variant<std::vector<HeaderWrite>, Report>;

// One platform's map: all the registry knows of it.
struct MapDescriptor {
  AddressMap id = AddressMap::linear;
  std::string_view name{};
  unsigned sizes = 0;       // bit n set: takes n-byte pointers
  ReportId sizes_refused{}; // the report when a size is not taken
  std::span<const std::string_view> fields{};
  std::string_view finder_field{}; // the field --map NAME:VALUE sets, if any (a base)
  unsigned default_size = 2;
  ByteOrder default_order = ByteOrder::le;
  bool searched_big_endian = true; // the finder also reads its pointers big-endian
  // The file offset a value stands for; it may lie past the ROM's end (the
  // caller checks), and is NO_OFFSET when the map reaches no offset with it.
  std::uint64_t (*to_offset)(const MapFields&, const RomLayout&, PointerPlace,
                             std::uint32_t value) = nullptr;
  // A value that stands for the offset; nothing when no value of the
  // pointer's size does. It gives the offset back through to_offset.
  std::optional<std::uint32_t> (*to_value)(const MapFields&, const RomLayout&, PointerPlace,
                                           std::uint64_t offset) = nullptr;
  // The ROM's header suggests the map; null for a map no header suggests.
  bool (*suggested_by)(const RomView&, const RomLayout&) = nullptr;
  // The platform's address of a file offset ("$C1:013D") under a pointer
  // table's map fields; null for a map without one, and "" for an offset the
  // map does not see.
  std::string (*address_text)(const MapFields&, const RomLayout&, std::uint64_t offset) = nullptr;
  // The file offset of a typed position under the map fields: the map's
  // address form, or a plain file offset; NO_OFFSET when it is neither.
  std::uint64_t (*position_offset)(const MapFields&, const RomLayout&,
                                   TypedPosition position) = nullptr;
  // The bank that holds target, all of which a pointer of size bytes that
  // reaches target reaches too; nothing when its values run on through the ROM.
  std::optional<BankSpan> (*bank_span)(const MapFields&, const RomLayout&, unsigned size,
                                       std::uint64_t target) = no_bank_span;
  // The banks that tables may point into besides their own, when the ROM's
  // header says it has such banks; nothing otherwise.
  std::optional<SwitchedBanks> (*switched_banks)(const RomView&, const RomLayout&) =
      no_switched_banks;
  // The size of the platform's banks (a power of two), whose edges a picture
  // of the ROM marks; 0 when it has none.
  std::uint32_t bank_bytes = 0;
  // The checksums of the platform's header, in the order they are computed:
  // a later one may cover an earlier one's bytes. None for a platform without.
  std::span<const ChecksumRule> checksums{};
  // The size a ROM of the platform grows to at most by adding bytes at its
  // end; 0 when its ROMs are not expanded so.
  std::uint64_t grows_to = 0;
  // The header fields that say a ROM's size, for a size from the ROM's own up
  // to grows_to; null when none does.
  SizeFields (*size_fields)(const RomView&, std::uint64_t size) = nullptr;

  bool takes_size(unsigned size) const { return size < 32 && (sizes >> size & 1u) != 0; }
  bool takes_field(std::string_view field) const {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
  }
};

} // namespace textdump
