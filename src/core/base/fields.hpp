// Comma-separated fields of option arguments (--pointers, --end, --map,
// --size): splitting them and reading their numbers.
//
//   comma_fields   "a,b" -> {a, b}; an empty field between two commas is kept,
//                  a comma at the very end adds none
//   hex_field      one to eight hexadecimal digits, nothing else
//   decimal_field  one to nine decimal digits, nothing else
//   repeated_field the first field whose key (the text before `separator`, or
//                  all of it) an earlier field has, unless the key may repeat
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace textdump {

std::vector<std::string_view> comma_fields(std::string_view text);

std::optional<std::uint32_t> hex_field(std::string_view text);

std::optional<std::uint32_t> decimal_field(std::string_view text);

std::optional<std::string_view> repeated_field(const std::vector<std::string_view>& fields,
                                               char separator,
                                               std::string_view may_repeat = {});

} // namespace textdump
