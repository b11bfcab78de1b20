#include "hexutil/hexutil.hpp"

#include <cstdio>

namespace textdump {

std::string hex_error_text(char c) {
  // The character widens as a signed byte: 0x80..0xFF show as ffffff80..ffffffff.
  const auto widened =
      static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  char text[32];
  std::snprintf(text, sizeof text, "HEX VALUE ERROR:%x\n", widened);
  return text;
}

int hex_return(char c, const Console& console) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  say(console, hex_error_text(c));
  return 0;
}

std::uint32_t hex_to_int(std::string_view digits, const Console& console) {
  std::uint32_t value = 0;
  // The word ends at its first NUL, as a C string would.
  for (std::size_t i = 0; i < digits.size() && digits[i] != '\0'; ++i)
    value = (value << 4) + static_cast<std::uint32_t>(hex_return(digits[i], console));
  return value;
}

int check_str(std::string_view word, std::string_view keyword) {
  for (std::size_t i = 0; i < word.size() && word[i] != '\0'; ++i) {
    // Past the keyword's end the word is longer than the keyword: no match.
    if (i >= keyword.size() || word[i] != keyword[i]) return 0;
  }
  return 1;
}

std::int32_t power(std::int32_t a, std::int32_t n) {
  // Unsigned arithmetic keeps the low 32 bits without signed overflow.
  auto result = static_cast<std::uint32_t>(a);
  for (; n > 0; --n) result *= static_cast<std::uint32_t>(a);
  return static_cast<std::int32_t>(result);
}

} // namespace textdump
