#include "core/base/numbers.hpp"

namespace textdump {

int hex_return(char c, std::vector<char>* bad) {
  const int value = hex_value(c);
  if (value >= 0) return value;
  if (bad != nullptr) bad->push_back(c);
  return 0;
}

std::uint32_t hex_to_int(std::string_view digits, std::vector<char>* bad) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < digits.size() && digits[i] != '\0'; ++i)
    value = (value << 4) + static_cast<std::uint32_t>(hex_return(digits[i], bad));
  return value;
}

bool check_str(std::string_view word, std::string_view keyword) {
  for (std::size_t i = 0; i < word.size() && word[i] != '\0'; ++i) {
    // Past the keyword's end the word is longer than the keyword: no match.
    if (i >= keyword.size() || word[i] != keyword[i]) return false;
  }
  return true;
}

std::string hex_number(std::uint64_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), HEX_DIGITS[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return digits;
}

std::string hex_bytes(std::string_view bytes) {
  std::string digits;
  digits.reserve(2 * bytes.size());
  for (const char c : bytes) digits += hex_byte(static_cast<std::uint8_t>(c));
  return digits;
}

std::optional<std::string> bytes_of_hex(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hex_value(digits[i]), low = hex_value(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

std::string with_commas(std::size_t n) {
  const std::string digits = std::to_string(n);
  std::string text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

} // namespace textdump
