// The encodings of table values, converted to UTF-8 by the system's own
// converter (the C library's iconv; Windows' code pages there).
#pragma once

#include <optional>
#include <string_view>

#include "core/standard_table.hpp"

namespace textdump {

enum class TableEncoding {
  utf8,         // values passed through byte for byte
  windows_1252, // Western European single-byte code page
  shift_jis,    // Japanese, as Windows writes it (code page 932)
};

// "utf-8", "windows-1252" or "shift-jis" (either case); nothing for any other name.
std::optional<TableEncoding> encoding_named(std::string_view name);

// A converter of values to UTF-8; empty for utf8, whose values are kept as they are.
ValueConverter converter_for(TableEncoding encoding);

} // namespace textdump
