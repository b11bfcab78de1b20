// What a script dump writes when inserted, as the fitter works it out without
// the ROM: the bytes of each block from its #JMP start, every pointer write
// (its slot, size, byte order, address type and value) and every length field
// that a //LENGTH line names. core/insert applies a plan to a ROM and proves
// the result; the fitter makes it (script_fit.cpp, script_fit_commands.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/tables/tables.hpp"

namespace textdump {

// How #CREATEPTR and #SMA turn a file offset into a pointer's value.
enum class AddressType { linear, lorom00, lorom80, hirom, gb };

// A pointer as #CREATEPTR made it, or a plain one of #W16, #W24, #W32.
struct PointerFormat {
  AddressType type = AddressType::linear;
  std::int64_t header = 0;     // the #HDR in force when it was made
  std::int64_t offsetting = 0; // subtracted from the converted offset
  unsigned bits = 16;          // 8, 16, 24 or 32
};

// The value the pointer holds for the file offset pos: ((pos - header)
// converted by the type, less the offsetting) masked to its bits.
std::uint32_t pointer_value(const PointerFormat& format, std::uint64_t pos);

// The file offset a value reaches back through the format; the target the
// value was made for gives the bank that a value without one (16-bit gb,
// lorom, hirom) points into. Nothing when the value reaches no offset.
std::optional<std::uint64_t> pointer_reach(const PointerFormat& format, std::uint32_t value,
                                           std::uint64_t target);

struct PlanPointer {
  std::size_t line = 0; // of its #WRITE (or #W16 ...)
  std::uint64_t slot = 0;
  PointerFormat format;
  bool big_endian = false;
  std::uint64_t target = 0; // the file offset the text after it starts at
  std::uint32_t value = 0;
  std::size_t block = 0; // the block it was written in
  // The script's text from its target on: its block's text from this index,
  // read back through this table (the insertion table in force).
  std::size_t text_at = 0;
  const CodeTable* table = nullptr;
};

// A string's length held in a field of its own, which the inserter rewrites.
struct PlanLength {
  std::size_t line = 0; // of the string's text
  std::uint64_t at = 0;
  unsigned size = 1; // 1 to 4 bytes
  bool big_endian = false;
  std::uint64_t value = 0; // the string's bytes
};

// A string whose bytes the proof reads back by its length: its Pascal length
// before it, its #FIXEDLENGTH or its length field.
struct PlanString {
  std::size_t line = 0;
  std::uint64_t at = 0;              // file offset of its first byte (of its Pascal length)
  std::uint64_t bytes = 0;           // all it writes
  unsigned pascal = 0;               // the bytes of its Pascal length; 0: none
  bool big_endian = false;           // of its Pascal length
  std::optional<std::size_t> length; // its PlanLength
};

struct PlanBlock {
  std::size_t line = 0; // of its #JMP
  std::uint64_t start = 0;
  std::optional<std::uint64_t> last; // the #JMP bound: the last byte it may fill
  std::string bytes;                 // written from start on
  // The file offsets where a string ends (after an end token, or where a
  // string of set length ends), ascending: a pointer's string runs to the first past it.
  std::vector<std::uint64_t> ends;
  // The script's text of the block as written (its lines joined, no end
  // token of a Pascal string), and where in it each of ends falls.
  std::string text;
  std::vector<std::size_t> end_texts;
  bool moved = false; // a string moved out of its block into free space (core/insert/placement)
};

struct InsertPlan {
  std::vector<PlanBlock> blocks;   // in script order
  std::vector<PlanString> strings; // of set length, in script order
  std::vector<PlanPointer> pointers;
  std::vector<PlanLength> lengths;
  // The insertion tables of the script as a decoder reads them: each key's
  // text, an end token's key an end.
  std::vector<std::shared_ptr<const CodeTable>> tables;
};

} // namespace textdump
