// The headers of generated ROMs: an optional SNES copier header and the SNES
// internal header with its vectors, the Game Boy cartridge header, the iNES
// header with trainer, reset vectors and CHR tiles, the Game Boy Advance
// cartridge header and the Mega Drive vectors and header; and their checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "generator/rom_content.hpp"
#include "generator/rom_generator.hpp"
#include "generator/rom_layout.hpp"
#include "generator/rom_pointers.hpp"

namespace textdump::testing {

struct NesChoices {
  unsigned mapper = 0;
  bool trainer = false;
  std::size_t chr_bytes = 0;
};

NesChoices draw_nes_choices(Rng& rng, std::size_t prg_size);

// The byte ranges that the headers own; nothing else may be placed there.
std::vector<ByteRange> header_ranges(const RomGeometry& g);

void write_headers(Rng& rng, std::vector<std::uint8_t>& rom, const RomGeometry& g,
                   const RomOptions& options, const NesChoices& nes, const CharTable& table);

// The SNES, Game Boy and Mega Drive checksums over the finished image.
void write_checksums(std::vector<std::uint8_t>& rom, const RomGeometry& g);

} // namespace textdump::testing
