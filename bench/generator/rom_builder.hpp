// The state of one ROM being generated, shared by the steps that fill it:
// text blocks and planted tables, decoys, filler, headers and the final checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "generator/rom_content.hpp"
#include "generator/rom_generator.hpp"
#include "generator/rom_headers.hpp"
#include "generator/rom_layout.hpp"
#include "generator/rom_pointers.hpp"
#include "generator/rom_random.hpp"

namespace textdump::testing {

// What each byte of the ROM belongs to; filler bytes may be changed at the end.
enum class Owner : std::uint8_t { filler, header, text, table, decoy };

struct TextBlock {
  ByteRange range;                 // leading padding included
  std::vector<std::size_t> starts; // file offsets of its strings, ascending
};

// A planted table's format as the address maps read it.
struct PlantedFormat {
  PointerFormat format;
  std::size_t at = 0;
  std::size_t count = 0;
  std::vector<std::optional<std::size_t>> targets; // by entry; nothing for a null entry
  bool lengths = false; // at is the first pointer's own slot, 2 bytes into its entry
};

class RomBuilder {
public:
  explicit RomBuilder(const RomOptions& options);
  GeneratedRom build();

private:
  struct PlacedDecoy {
    Decoy decoy;
    ByteRange taken;
    PointerFormat format;
  };

  bool banked(unsigned size) const { return size == 2 && g_.map != AddressMap::linear; }
  std::size_t bank_count() const;
  ByteRange bank_range(std::size_t bank) const;
  ByteRange data_range() const { return {g_.data_begin, g_.data_end}; }
  std::vector<unsigned> valid_sizes() const;

  void own(ByteRange r, Owner owner);
  // Whether the pointer at pos leads to a string start, with f's bank if set.
  bool hits(const PointerFormat& f, std::size_t pos) const;
  // Random bytes for the stride-long slot at pos whose pointer leads to no string start.
  void fill_quiet_slot(const PointerFormat& f, std::size_t pos);

  std::vector<std::vector<std::uint8_t>> make_strings(std::size_t n);
  std::optional<TextBlock> place_block(const std::vector<std::vector<std::uint8_t>>& strings,
                                       std::size_t padding, ByteRange window);
  void release_block(const TextBlock& block);
  void write_block(const TextBlock& block, const std::vector<std::vector<std::uint8_t>>& strings,
                   std::size_t padding);
  std::int64_t linear_base(unsigned size, std::size_t low, std::size_t high);
  void plant_table(std::size_t index);
  void add_text_blocks();
  void fill_free_space();
  void pad_banks();

  // rom_decoys.cpp
  void add_decoys();
  PointerFormat decoy_format();
  std::uint64_t address_like(const PointerFormat& f, std::size_t at, ByteRange window);
  std::optional<PlacedDecoy> make_numbers(bool equal);
  std::optional<PlacedDecoy> make_off_by_one();
  std::optional<PlacedDecoy> make_two_entry();
  std::optional<PlacedDecoy> make_text_tiles();
  bool quiet(const PlacedDecoy& d) const;

  // rom_checks.cpp
  // Four or more consecutive hits under the main format that nobody planted:
  // filler bytes are redrawn when fix is set, the rest are recorded.
  std::vector<StrayRun> scan_strays(bool fix);
  void verify() const;

  const RomOptions& o_;
  Rng rng_;
  NesChoices nes_;
  RomGeometry g_;
  CharTable chars_;
  Cpu cpu_ = Cpu::m6502;
  std::vector<std::uint8_t> rom_;
  std::vector<Owner> owner_;
  std::vector<bool> is_start_;
  Layout layout_;
  std::vector<TextBlock> blocks_;
  std::vector<PlantedTable> planted_;
  std::vector<PlantedFormat> planted_formats_;
  std::vector<Decoy> decoys_;
};

} // namespace textdump::testing
