// Table files in the community's standard format: bytes in, definitions and
// reports out.
//
// Contract:
// - Lines end at CR LF, LF or CR; blank lines are passed over; a UTF-8
//   byte-order mark at the start is skipped.
// - "#..." is a comment. "@NAME" starts a named table; the lines before the
//   first "@" line belong to the first table, which that line names. Keys
//   belong to the table they are written in. A dump starts in the first table
//   unless it names another; a table other than the first is noted as unused.
// - "KEY=TEXT": KEY is 2 to 16 hexadecimal digits, an even number, either case,
//   the bytes in ROM order. TEXT is everything after the first "=", byte for
//   byte, and may be empty. "\n" in it stands for a line break (CR LF).
// - "/KEY=LABEL" or "/KEY": an end token (LABEL <END> when missing). A "/" line
//   whose rest is not a hexadecimal key ("/<END>") is an inserter's artificial
//   end and defines nothing.
// - "*KEY=LABEL" or "*KEY": a line break (LABEL <LINE> when missing).
// - "$KEY=LABEL,F1,F2,...": a control code followed by one parameter byte per
//   field; a single field that is a decimal number N from 1 to 8 stands for N
//   bytes.
// - "!" lines (table switching) are not read yet: a warning, and they define
//   nothing. A line beginning with "\" is an error (it means a wait in the
//   tool's own format and an end in others). The same key twice: a warning, the
//   later line wins. Anything else (no "=", an odd or non-hexadecimal key, a key
//   over 8 bytes) is an error.
// - With a converter, every TEXT and LABEL is converted to UTF-8 as it is read;
//   a value that does not convert is an error.
// - Notes, for the checker: keys that are prefixes of longer keys, control
//   characters in values, unused tables, and "$" labels that are a directive
//   word of the tool's own format.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tables/code_table.hpp"
#include "core/base/report.hpp"

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
