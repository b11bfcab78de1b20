#include "app/common/messages.hpp"

#include <cstdio>

#include "app/common/report_text.hpp"
#include "core/base/base.hpp"
#include "core/base/utf8.hpp"

namespace textdump {

int exit_status(Failure failure) {
  switch (failure) {
  case Failure::none: return 0;
  case Failure::usage: return 2;
  default: return 1;
  }
}

std::string message_text(const Message& message) {
  return filled(message_row(message.id).text, message.args);
}

std::string message_line(const Message& message) {
  return message_text(message) + "\n";
}

std::string text_of(MessageId id) {
  return message_text({id});
}

std::string usage_error_text(const Message& why) {
  return message_line({MessageId::usage_error, {message_text(why)}});
}

std::string hex_error_text(char c) {
  const auto widened =
      static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  char digits[16];
  std::snprintf(digits, sizeof digits, "%x", widened);
  return message_line({MessageId::hex_value_error, {digits}});
}

std::string shown(std::string_view name) {
  return std::string(name.substr(0, name.find('\0')));
}

std::string printable(std::string_view bytes) {
  std::string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = c < 0x20 || c == 0x7F ? 0 : utf8_sequence_at(bytes, i);
    if (length == 0) {
      text += "\\x" + hex_byte(c);
      ++i;
      continue;
    }
    text.append(bytes.substr(i, length));
    i += length;
  }
  return text;
}

std::string and_list(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i + 1 < items.size(); ++i) text += (i == 0 ? "" : ", ") + items[i];
  if (items.size() < 2) return items.empty() ? text : items.front();
  return message_text({MessageId::list_and, {text, items.back()}});
}

std::string or_list(const std::vector<std::string>& items) {
  std::string text = items.empty() ? std::string() : items.front();
  for (std::size_t i = 1; i < items.size(); ++i)
    text = message_text({MessageId::list_or, {text, items[i]}});
  return text;
}

} // namespace textdump
