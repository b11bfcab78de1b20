#include "core/base/fields.hpp"

#include <algorithm>
#include <charconv>
#include <set>

#include "core/base/numbers.hpp"

namespace textdump {

std::vector<std::string_view> comma_fields(std::string_view text) {
  std::vector<std::string_view> fields;
  while (!text.empty()) {
    const std::size_t comma = std::min(text.find(','), text.size());
    fields.push_back(text.substr(0, comma));
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
  return fields;
}

std::optional<std::uint32_t> hex_field(std::string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  for (const char c : text)
    if (!is_hex_digit(c)) return std::nullopt;
  return hex_to_int(text);
}

std::optional<std::uint32_t> decimal_field(std::string_view text) {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.size() > 9)
    return std::nullopt;
  return value;
}

std::optional<std::string_view> repeated_field(const std::vector<std::string_view>& fields,
                                               char separator, std::string_view may_repeat) {
  std::set<std::string_view> keys;
  for (const std::string_view field : fields) {
    const std::string_view key = field.substr(0, field.find(separator));
    if ((may_repeat.empty() || key != may_repeat) && !keys.insert(key).second) return field;
  }
  return std::nullopt;
}

} // namespace textdump
