// Table files in the community's standard format: bytes in, definitions and
// reports out.
//
// Contract:
// - Lines end at CR LF, LF or CR (core/base/text_lines.hpp); blank lines are
//   passed over; a UTF-8 byte-order mark at the start is skipped.
// - "#..." is a comment. "@NAME" starts a named table; the lines before the
//   first "@" line belong to the first table, which that line names. An empty
//   id, one with "<" or ">", and an id named twice are errors. Keys belong to
//   the table they are written in. A dump starts in the first table unless it
//   names another.
// - "KEY=TEXT": KEY is 2 to 16 hexadecimal digits, an even number, either case,
//   the bytes in ROM order, and may end in a weight "<W>" (0 to 999999999, no
//   leading zero): what a match counts toward the counter of a switch's frame,
//   1 without one. TEXT is everything after the first "=", byte for byte, and
//   may be empty. "\n" in it stands for a line break (CR LF).
// - "/KEY=LABEL" or "/KEY": an end token (LABEL <END> when missing). A "/" line
//   whose rest is not a hexadecimal key ("/<END>") is an inserter's artificial
//   end: a note, and it defines nothing.
// - "*KEY=LABEL" or "*KEY": a line break (LABEL <LINE> when missing).
// - "$KEY=LABEL,F1,F2,...": a control code followed by one parameter byte per
//   field; a single field of one to four decimal digits N stands for N bytes.
//   No "=", nothing after it, or more than 255 parameters is an error.
// - "!KEY=[<LABEL>],PARAM[,PARAM...]": a switch (core/tables/standard_switch.hpp);
//   its <@ID> parameters name tables of the file, found once the whole file is
//   read (an id no table has is an error).
// - A line beginning with "\" is an error (it means a wait in the tool's own
//   format and an end in others). The same key twice in one table: a warning,
//   the later line wins. Any other fault of a key (no "=", an odd or
//   non-hexadecimal key, a key over 8 bytes, a bad weight) is an error, and
//   the line defines nothing.
// - With a converter, every TEXT and LABEL is converted to UTF-8 as it is read;
//   a value that does not convert is an error.
// - Notes, for the checker: keys that are prefixes of longer keys, control
//   characters in values, and "$" labels that are a directive word of the
//   tool's own format; once a file has no error, tables that no switch
//   reaches from the first one, and a warning on switches of weight 0 that can
//   nest without end.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/code_table.hpp"
#include "core/base/base.hpp"

namespace textdump {

// A value converted to UTF-8, or nothing when it does not convert.
using ValueConverter = std::function<std::optional<std::string>(std::string_view)>;

// One table of a file: its id ("" for a file without "@" lines) and its
// definitions in file order.
struct NamedTable {
  std::string name;
  std::vector<Definition> definitions;
};

struct StandardTable {
  std::vector<NamedTable> tables;   // in file order; at least one
  std::vector<TableReport> reports; // in line order, prefix notes last; columns in bytes
  std::size_t errors = 0;
  std::size_t warnings = 0;

  // The first table's definitions: where a dump starts by default.
  const std::vector<Definition>& definitions() const { return tables.front().definitions; }
};

// The place of the table with the id among the file's tables, or nothing.
std::optional<std::size_t> table_named(const StandardTable& file, std::string_view name);

StandardTable parse_standard_table(std::string_view bytes, const ValueConverter& convert = {});

} // namespace textdump
