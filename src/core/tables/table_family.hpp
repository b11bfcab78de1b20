// Table families: table files whose names differ in one character, the table
// digit, the character just before the first '.' of the file-name part
// (kana0.tbl, kana1.tbl, ...). Member n has the digit 0x30 + n modulo 256, so
// member 10 is kana:.tbl.
#pragma once

#include <cstdint>
#include <string>

namespace textdump {

constexpr char table_digit(std::uint8_t member) {
  return static_cast<char>(0x30 + member);
}

// Stores the member's digit just before the first '.' of the file-name part of
// the name (after the last '/' or '\'). False, leaving the name alone, when
// that part has no '.' or begins with one; false too, after storing it, for a
// digit that is '/', '\' or NUL, which would name another file.
bool set_table_digit(std::string& tablefile, char digit);

} // namespace textdump
