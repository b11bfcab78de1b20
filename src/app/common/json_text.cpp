#include "app/common/json_text.hpp"

#include "app/common/messages.hpp"
#include "core/base/base.hpp"
#include "core/base/utf8.hpp"

namespace textdump {

nlohmann::ordered_json json_text(std::string_view text) {
  if (is_utf8(text)) return std::string(text);
  return {{"hex", hex_bytes(text)}, {"shown", printable(text)}};
}

} // namespace textdump
