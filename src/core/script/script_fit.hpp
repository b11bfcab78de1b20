// What an edited script dump will do when inserted, worked out without the
// ROM: the script and its insertion tables are read as the inserter reads
// them, and every place where it would stop, read other text than was meant,
// or cut strings at a block's #JMP bound is reported like a compiler's
// diagnostic, with the bytes each block uses of its room.
//
// The script's commands are those a script dump holds: #VAR, #ADDTBL,
// #ACTIVETBL, #CREATEPTR, #HDR, #SMA, #ENDIANSWAP, #STRTYPE, #PASCALLEN,
// #FIXEDLENGTH, #JMP, #WRITE, #W16, #W24 and #W32; any other is reported. A
// string under #FIXEDLENGTH that would be cut is an error, and so is one
// after a //LENGTH line (its length is held beside its pointer) that would
// not keep its length. Nothing here opens a file: the tables come
// through the reader the caller gives.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/report.hpp"

namespace textdump {

struct FitBlock {
  std::size_t line = 0; // of its #JMP
  std::uint64_t start = 0;
  std::optional<std::uint64_t> last; // the #JMP bound: the last byte it may fill
  std::uint64_t used = 0;            // bytes its strings need
};

struct FitReport {
  // In script order; columns count characters.
  std::vector<Report> diagnostics;
  std::vector<FitBlock> blocks;
  bool fits() const;
};

// The bytes of the table file that #ADDTBL names, as written there; nothing
// when it cannot be read.
using FitTableReader = std::function<std::optional<std::string>(const std::string& name)>;

FitReport fit_script(std::string_view script, const FitTableReader& read_table);

} // namespace textdump
