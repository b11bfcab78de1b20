#include "app/json_text.hpp"

#include "app/messages.hpp"
#include "core/numbers.hpp"
#include "core/utf8.hpp"

namespace textdump {

nlohmann::ordered_json json_text(std::string_view text) {
  if (is_utf8(text)) return std::string(text);
  return {{"hex", json_hex(text)}, {"shown", printable(text)}};
}

std::string json_hex(std::string_view bytes) {
  std::string text;
  text.reserve(2 * bytes.size());
  for (const char c : bytes) text += hex_byte(static_cast<std::uint8_t>(c));
  return text;
}

} // namespace textdump
