// The encodings of table values, converted to UTF-8 by the system's own
// converter (the C library's iconv; Windows' code pages there).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "core/tables/tables.hpp"

namespace textdump {

enum class TableEncoding {
  utf8,         // values passed through byte for byte
  windows_1252, // Western European single-byte code page
  shift_jis,    // Japanese, as Windows writes it (code page 932)
  euc_jp,
  euc_kr,
  big5,
  gbk,
  utf16le, // the whole file is converted before it is read
  utf16be,
};

// The name of each encoding (either case); nothing for any other name.
std::optional<TableEncoding> encoding_named(std::string_view name);

// Every name encoding_named knows, utf-8 first.
std::vector<std::string_view> encoding_names();

// A converter of values to UTF-8; empty for utf8, whose values are kept as they
// are, and for the UTF-16 encodings, whose files are converted whole.
ValueConverter converter_for(TableEncoding encoding);

// A file in UTF-16 as UTF-8 (its lines then read as any other's); nothing when
// it does not convert. Files in other encodings are returned as they are.
std::optional<std::string> whole_file_in_utf8(std::string_view bytes, TableEncoding encoding);

} // namespace textdump
