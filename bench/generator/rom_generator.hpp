// A seeded generator of test ROMs for the pointer-table finder: an image with a
// valid header for its address map, a character table, text blocks, planted
// pointer tables, decoys and filler, and a record of what lies where. The same
// options give the same bytes with every compiler and standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textdump::testing {

enum class AddressMap { linear, lorom, hirom, gb, nes, gba, md };
enum class ByteOrder { le, be };
enum class DecoyKind { ascending, equal_values, off_by_one, two_entry, text_tiles };
// How the strings of planted tables are held: ended by the end byte; as
// Pascal strings (a one-byte length, then the text, no end byte; the pointer
// leads to the length); or without an end byte, each entry of the table a
// 2-byte length in the table's byte order and then the pointer (its stride
// the pointer size plus 2). Pascal and length strings lie in table order.
enum class StringKind { token, pascal, length };

std::string_view name_of(AddressMap map);
std::string_view name_of(ByteOrder order);
std::string_view name_of(DecoyKind kind);

struct RomOptions {
  std::uint64_t seed = 0;
  // Bytes of ROM data, headers excluded: the SNES image without its copier
  // header, the NES PRG data without the iNES header, trainer and CHR data.
  // linear: at least 16 KiB, at most 16 MiB; lorom: a multiple of 32 KiB up to
  // 0x3F0000; hirom: a multiple of 64 KiB up to 4 MiB; gb: a power of two from
  // 32 KiB to 4 MiB; nes: 1 to 255 times 16 KiB; gba and md: 64 KiB to 16 MiB.
  // gba and md ROMs are drawn only when the map is asked for.
  std::size_t rom_size = 0x40000;
  AddressMap map = AddressMap::lorom;
  bool copier_header = false; // lorom and hirom only: 512 bytes before the image
  // 2, 3 or 4 for linear; 2 or 3 for lorom, hirom and gb; 2 for nes; 4 for gba; 3 or 4 for md.
  unsigned pointer_size = 2;
  ByteOrder order = ByteOrder::le;
  unsigned stride = 2; // pointer_size to 64; the bytes between pointers are random
  bool plant = true;   // whether any pointer table is planted (text is there either way)
  unsigned tables = 1; // planted tables when plant is set, 1 to 64, each with 4 to 200 pointers
  // Ascending numbers, equal values, off-by-one copies, two-entry tables, text-like tiles.
  bool decoys = true;
  // Some entries inside each planted table are null (0); the table's count covers them.
  bool null_entries = false;
  // Some pointers of each planted table lead to an empty string (an end byte
  // right after the string before).
  bool empty_strings = false;
  // The filler is random bytes only, around one dense block of many strings.
  bool dense_text = false;
  StringKind strings = StringKind::token; // pascal and length take no empty strings
  // Length strings: they lie in the opposite order of the entries (entry 0
  // leads to the last string).
  bool reverse_strings = false;
  // Each entry a record (a stride above twice the pointer size) with a
  // second pointer column at a byte of its own, never half the record on
  // (the two would read as one table at half the stride), whose pointers
  // lead again and again to 3 to 5 of the table's strings (a speaker beside
  // each line).
  bool few_valued_column = false;
  // The record after each table's last (a stride above the pointer size) is
  // all 0: the list's end, counted in the table as a null entry.
  bool closing_null = false;
  // nes of more than 32 KiB and gb of more than two banks, 2-byte pointers:
  // the tables lie in the fixed bank (nes: the last; gb: bank 0), their
  // strings in a bank switched in (nes: any other; gb: from bank 2 on).
  bool fixed_bank = false;
  // Each bank's last free bytes (at its end unless text or a table is there)
  // end in padding, as a build pads what it leaves of a bank: 256 to 2,048
  // bytes of 00 in even banks and of FF in odd ones, the ROM's last bank FF.
  bool padded_banks = false;
};

// A valid set of options drawn from the seed, for the given map or any map.
RomOptions random_options(std::uint64_t seed, std::optional<AddressMap> map = std::nullopt);

// A planted table reads back under the project's address maps with these
// fields and the defaults of everything else (the nes window is 0x8000, its bank
// size the default one). gb 3-byte pointers are the address and then the bank
// byte as one 24-bit number, so "be" puts the bank byte first.
struct PlantedTable {
  AddressMap map = AddressMap::linear;
  unsigned size = 2;
  ByteOrder order = ByteOrder::le;
  unsigned stride = 2;
  std::size_t at = 0;                // file offset of the first pointer
  std::size_t count = 0;             // pointers in the table
  std::optional<std::int64_t> base;  // linear: offset = value + base
  std::optional<std::uint32_t> bank; // 16-bit lorom/hirom/gb/nes: the table's own bank
  std::vector<std::size_t>
      targets;                  // file offset each pointer leads to, in table order, nulls left out
  std::size_t null_entries = 0; // entries of the table that are 0
  StringKind strings = StringKind::token;
  unsigned offset = 0;  // of the pointer in its entry: 2 for length strings, whose length is at 0
  bool reverse = false; // length strings in the opposite order of the entries
  std::optional<std::size_t>
      column_at; // few_valued_column: its first pointer (count as the table's)
  std::optional<std::uint32_t> into_bank; // fixed_bank: the bank its pointers lead into (bank=)
};

struct Decoy {
  std::size_t offset = 0; // two_entry: the first of its two pointers
  std::size_t length = 0;
  DecoyKind kind = DecoyKind::ascending;
};

// Four or more consecutive pointers to string starts that nobody planted, in the
// options' size and order, at their stride or at the pointer size, found after
// generation in bytes that are not filler (text, headers, tables or decoys).
// For linear ROMs they are judged with the planted tables' bases.
struct StrayRun {
  std::size_t at = 0;
  std::size_t count = 0;
  unsigned size = 2;
  ByteOrder order = ByteOrder::le;
  unsigned stride = 2;
  std::optional<std::int64_t> base; // linear: the base the run was judged with
};

struct GeneratedRom {
  std::vector<std::uint8_t> rom; // the whole file, headers included
  std::string table_text;        // the character table file
  std::uint8_t end_byte = 0;
  std::vector<PlantedTable> tables;       // ascending by offset
  std::vector<Decoy> decoys;              // ascending by offset
  std::vector<std::size_t> string_starts; // file offset of every string, ascending
  std::vector<StrayRun> stray_runs;       // ascending by offset; almost always empty
};

// Throws std::invalid_argument for options outside the ranges above, and
// std::runtime_error when the tables do not fit in the ROM.
GeneratedRom generate_rom(const RomOptions& options);

} // namespace textdump::testing
