// Number helpers: hexadecimal digits, numbers and keyword prefixes.
//
//   HEX_DIGITS   the one table of upper-case hexadecimal digits
//   hex_value    one digit character -> 0..15, -1 for anything else
//   hex_return   the same, but anything else gives 0 and is reported
//   hex_to_int   a digit string -> 32-bit value (the last eight digits count)
//   check_str    is a word the whole keyword or a beginning of it?
//   without_hex_prefix  an offset's digits after its 0x or $
//   hex_byte     a byte as two upper-case digits; hex_bytes, each byte of a
//                string so; hex_number, any number; bytes_of_hex, the way back
//   with_commas  a count in decimal, in groups of three: 6805 as "6,805"
//
// Every number the user types and every number in a table file is hexadecimal
// without prefix, of any length, accumulated modulo 2^32. A character that is
// not a digit is never fatal: it counts as the digit 0 and the caller is told,
// so that it can report the character. Offsets given as arguments (not typed
// into the dialogue) may also be written 0x8000 or $8000.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textdump {

inline constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

// The value of a hexadecimal digit of either case, 0 to 15; -1 for any other character.
constexpr int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// True for 0-9, A-F and a-f.
constexpr bool is_hex_digit(char c) {
  return hex_value(c) >= 0;
}

// The digit's value; 0 for a character that is not a digit, which is then
// appended to bad (when given).
int hex_return(char c, std::vector<char>* bad = nullptr);

// The string read as hexadecimal, modulo 2^32, up to its first NUL; empty gives
// 0. Every character that is not a digit counts as 0 and is appended to bad.
std::uint32_t hex_to_int(std::string_view digits, std::vector<char>* bad = nullptr);

// The word without a leading "0x", "0X" or "$"; the word itself when it has none.
constexpr std::string_view without_hex_prefix(std::string_view word) {
  if (word.starts_with("0x") || word.starts_with("0X")) return word.substr(2);
  if (word.starts_with('$')) return word.substr(1);
  return word;
}

// True when word is keyword or a beginning of it (the empty word included).
// The word ends at its first NUL, as a C string would; case-sensitive.
bool check_str(std::string_view word, std::string_view keyword);

// A number in upper-case hexadecimal digits, without leading zeros.
std::string hex_number(std::uint64_t value);

// Two upper-case hexadecimal digits.
inline std::string hex_byte(std::uint8_t byte) {
  return {HEX_DIGITS[byte >> 4], HEX_DIGITS[byte & 0xF]};
}

// Two upper-case hexadecimal digits a byte, nothing between them.
std::string hex_bytes(std::string_view bytes);

// The bytes that pairs of hexadecimal digits (either case) write, "0A1b" -> 0A 1B;
// nothing for an odd number of digits or a character that is not one.
std::optional<std::string> bytes_of_hex(std::string_view digits);

std::string with_commas(std::size_t n);

} // namespace textdump
