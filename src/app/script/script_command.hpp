// textdump --script: the strings of a ROM's pointer tables as a script that
// the inserter reads back unchanged, its insertion table, and (--json) the
// same as data.
//
// The three outputs are checked against the inputs and each other before the
// script is built, and written all or none once it is complete and proven
// (io/output_set.hpp); a script that is a device needs --atlas-table. Every
// failure prints one message on standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/maps/maps.hpp"
#include "core/script/script.hpp"
#include "io/encoding.hpp"

namespace textdump {

// --range START-END[,end=RULE] as typed; placed once the ROM is open, under
// map (--map) when one is given. Without a rule of its own, --end's.
struct ScriptRange {
  TypedPosition start, end;
  std::string start_text, end_text;
  const MapDescriptor* map = nullptr;
  std::optional<EndRule> rule;
  std::string rule_text;
  std::string argument; // as given
};

struct ScriptOptions {
  std::string romfile, tablefile, scriptfile; // scriptfile "-" is standard output
  bool standard = false;
  TableEncoding encoding = TableEncoding::utf8;
  std::string start_table; // --table: the table its strings start in; "" for the first
  std::vector<PointerTable> ptables;
  std::vector<std::string> pointer_arguments; // as given
  EndRule end;
  std::string end_text = "token";
  std::optional<std::string> json;        // --json FILE
  std::optional<std::string> atlas_table; // --atlas-table FILE
  std::vector<ScriptRange> ranges;        // --range: strings written in place
  std::vector<RecordFields> records;      // --records: fields written in place
  std::optional<std::string> translations; // --translations OLD: carried over
};

// The exit status.
int run_command(const ScriptOptions& options);

} // namespace textdump
