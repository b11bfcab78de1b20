// The code table: for every code, what the loaded table files say about it.
//
// Three parallel arrays of 65,536 entries indexed by code, created once per run:
//   code_value   the kind of the entry, or for a text entry its offset in the
//                table file that defined it (capped at CODE_TEXT_MAX)
//   code_base    base offset of a FIXED or SNES entry (initially 0xFFFB)
//   code_params  format, p1, p2, p3 of a directive entry
// and, beside them, code_text: the bytes of each text entry's own text, kept
// from the file and line that defined it for the rest of the run.
//
// Table files fill only codes 0x00 to 0xFF; every other entry keeps its initial
// value. The table loader is the only writer and never clears an entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace textdump {

inline constexpr std::size_t CODE_COUNT = 0x10000;
inline constexpr std::size_t TABLE_CODES = 0x100; // codes a table file can name

// Kinds of code_value.
inline constexpr std::uint32_t CODE_UNDEFINED = 0;
inline constexpr std::uint32_t CODE_TEXT_MAX = 0xFFF0; // 1..CODE_TEXT_MAX: text entry
inline constexpr std::uint32_t CODE_TABLE_SWITCH = 0xFFFA;
inline constexpr std::uint32_t CODE_POINTER = 0xFFFC;
inline constexpr std::uint32_t CODE_END = 0xFFFD;
inline constexpr std::uint32_t CODE_WAIT = 0xFFFE;
inline constexpr std::uint32_t CODE_LINE_BREAK = 0xFFFF;

inline constexpr std::uint32_t CODE_BASE_INITIAL = 0xFFFB;

// Formats of directive entries (code_params[].format).
inline constexpr std::uint8_t FORMAT_FIXED = 0; // p1 record length, p2 argument count
inline constexpr std::uint8_t FORMAT_TABLE = 1; // p1 table number
inline constexpr std::uint8_t FORMAT_SNES = 2;  // p1 memory map, p2 pointer size, p3 argument count

// Memory maps of SNES entries: "L" gives LoROM, any other letter HiROM.
inline constexpr std::uint8_t MAP_LOROM = 0;
inline constexpr std::uint8_t MAP_HIROM = 1;

struct CodeParams {
  std::uint8_t format = 0;
  std::uint8_t p1 = 0;
  std::uint8_t p2 = 0;
  std::uint8_t p3 = 0;
};

struct CodeTable {
  std::vector<std::uint32_t> code_value;
  std::vector<std::uint32_t> code_base;
  std::vector<CodeParams> code_params;
  std::vector<std::string> code_text; // TABLE_CODES entries
};

// Every code_value 0, every code_base 0xFFFB, no texts.
void init_code_table(CodeTable& table);

// True when the table has a SNES entry and no END entry: every string a SNES
// entry points to then runs to the end of the ROM file.
bool has_snes_without_end(const CodeTable& table);

// True when a code_value stands for a text entry.
constexpr bool is_text_value(std::uint32_t value) {
  return value != CODE_UNDEFINED && value <= CODE_TEXT_MAX;
}

} // namespace textdump
