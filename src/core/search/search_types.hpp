// The relative search's vocabulary, below every part of it: a code layout,
// the codes at an offset and as a table and the reports write them, and a
// candidate encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/base.hpp"

namespace textdump {

struct CodeLayout {
  unsigned width = 1;              // 1 or 2 bytes a code
  ByteOrder order = ByteOrder::le; // width 2 only
};

struct RunBase {
  std::size_t run = 0; // in the system's runs
  std::uint32_t base = 0;
};

struct TextHit {
  std::uint32_t offset = 0;
  std::size_t word = 0;    // as given
  std::uint32_t bytes = 0; // the word's bytes there
};

// A character of no run, and the code it had.
struct SeenCharacter {
  std::string character;
  std::uint32_t code = 0; // at its first hit
  unsigned codes = 1;     // 2: two 1-byte codes, the first in the high byte of code
  std::size_t hits = 0;   // the hits that have it
  bool same = true;       // the same code at every one of them
};

struct TextCandidate {
  CodeLayout layout;
  std::size_t system = 0;          // in the options' systems
  std::vector<RunBase> bases;      // by run
  std::vector<SeenCharacter> seen; // in the order of the words
  std::vector<TextHit> hits;       // by offset
  std::vector<std::size_t> unmatched; // the words with no hit, as given
  double score = 0;
};

// The code at q, its bytes inside the ROM's data d, for a width and byte
// order known when compiled: the scans' reading.
template <unsigned W, bool LE> std::uint32_t code_in(const unsigned char* d, std::size_t q) {
  if constexpr (W == 1)
    return d[q];
  else if constexpr (LE)
    return d[q] | std::uint32_t{d[q + 1]} << 8;
  else
    return std::uint32_t{d[q]} << 8 | d[q + 1];
}

// The code at an offset (bytes past the end read as 0xFF), and a code's bytes
// in ROM order as hexadecimal digits ("8341"): a standard table's key.
inline std::uint32_t code_at(const RomView& rom, std::uint64_t offset, CodeLayout layout) {
  if (layout.width == 1) return rom_byte(rom, offset);
  const std::uint32_t first = rom_byte(rom, offset), second = rom_byte(rom, offset + 1);
  return layout.order == ByteOrder::le ? first | second << 8 : first << 8 | second;
}
std::string code_key(std::uint32_t code, CodeLayout layout);

// The layout a seen character's code is written in: two 1-byte codes read as
// one 2-byte code in ROM order.
inline CodeLayout layout_of(const SeenCharacter& seen, CodeLayout layout) {
  return seen.codes == 2 ? CodeLayout{2, ByteOrder::be} : layout;
}

// A code as the reports show it: "$41", "$0041".
std::string code_text(std::uint32_t code, CodeLayout layout);

} // namespace textdump
