#include "core/base/utf8.hpp"

namespace textdump {

std::size_t utf8_sequence_at(std::string_view bytes, std::size_t at) {
  const auto c = static_cast<unsigned char>(bytes[at]);
  if (c < 0x80) return 1;
  const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                             : c >= 0xE0 && c <= 0xEF ? 3
                             : c >= 0xF0 && c <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || at + length > bytes.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(bytes[at + k]) & 0xC0) != 0x80) return 0;
  if (length >= 3) {
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
        (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F))
      return 0;
  }
  return length;
}

bool is_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8_sequence_at(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

} // namespace textdump
