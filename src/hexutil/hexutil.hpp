// Hexadecimal and number helpers shared by the dialogue, the table loader and
// the pointer handling.
//
//   hex_return  one digit character -> 0..15; reports anything else and gives 0
//   hex_to_int  a digit string -> 32-bit value (last eight digits kept)
//   check_str   is a word the whole keyword or a beginning of it?
//   power       a to the power n + 1, in 32 bits
//
// All numbers the user types and all numbers in a table file are hexadecimal
// without prefix, of any length, accumulated modulo 2^32. A character that is
// not a digit is never fatal: it is reported as "HEX VALUE ERROR:" followed by
// its value (sign-extended, lower-case hex) and counts as the digit 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hexutil/console.hpp"

namespace textdump {

// True for 0-9, A-F and a-f.
constexpr bool is_hex_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The digit's value, or 0 with a "HEX VALUE ERROR:" line on the console.
int hex_return(char c, const Console& console);

// The report hex_return prints for a character that is not a digit.
std::string hex_error_text(char c);

// The string read as hexadecimal, modulo 2^32, up to its first NUL; empty gives 0.
std::uint32_t hex_to_int(std::string_view digits, const Console& console);

// 1 when word is keyword or a beginning of it (the empty word included), else 0.
// The word ends at its first NUL, as a C string would; case-sensitive.
int check_str(std::string_view word, std::string_view keyword);

// a to the power n + 1 for n >= 0, and a itself for n <= 0; low 32 bits kept.
std::int32_t power(std::int32_t a, std::int32_t n);

} // namespace textdump
