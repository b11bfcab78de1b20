#include "core/search/search_types.hpp"

#include <algorithm>

#include "core/base/base.hpp"

namespace textdump {

std::string code_key(std::uint32_t code, CodeLayout layout) {
  if (layout.width == 1) return hex_byte(static_cast<std::uint8_t>(code));
  const auto low = static_cast<std::uint8_t>(code & 0xFF),
             high = static_cast<std::uint8_t>(code >> 8);
  return layout.order == ByteOrder::le ? hex_byte(low) + hex_byte(high)
                                       : hex_byte(high) + hex_byte(low);
}

std::string code_text(std::uint32_t code, CodeLayout layout) {
  const std::string digits = hex_number(code);
  const std::size_t wanted = std::size_t{2} * layout.width;
  return "$" + std::string(wanted - std::min(digits.size(), wanted), '0') + digits;
}

} // namespace textdump
