// Script dumps: the strings that pointer tables point at, written as a script
// that the inserter reads back unchanged, with its insertion table.
//
// The strings are written in blocks, each opening with #JMP($start, $end) so
// that the inserter never writes past $end. A block holds strings and the
// padding between them (unreferenced bytes that are all 00 or all FF); its
// room runs on over the padding after its last string. No block holds a byte
// of a pointer slot or of unreferenced bytes that are not padding (those are
// named in // lines and left as they are); a string ends before a pointer
// slot; the strings of different pointer tables share a block only when they
// lie side by side; with a banked map a block stays inside the bank its
// pointers reach. A null pointer is a warning and its slot is left alone.
//
// Every string is proven before the script is complete: encoding its editable
// copy with the insertion table, as the inserter reads text, gives exactly the
// original bytes, and every pointer's value is what the inserter writes for
// that string's position. A piece that would not come back (two keys with one
// text, a text that looks like a command or a comment at the start of a line,
// control characters, an empty text, a text the inserter would read otherwise)
// is written as <$XX> bytes instead. The insertion table holds every text entry
// of the table that leaves the proof standing; the others are named in the
// script's header.
//
// Strings of a set length are written in the inserter's own forms: a Pascal
// string (pascal:N, its length in N bytes before it, in its pointers' byte
// order) under #STRTYPE("PASCAL") and #PASCALLEN(N); a string of fixed:N
// bytes under #FIXEDLENGTH(N, pad), without the pad bytes that end it (the
// byte that ends most of them); a string whose length its pointer table holds
// beside its pointer (length=) under #FIXEDLENGTH of that length, after a
// //LENGTH line: the inserter cannot rewrite the length, so it must stay.
// In these forms an end entry is written as <$XX>, which ends no string.
//
// The inserter cannot switch tables inside a string: a switch of a standard
// table is written as its label (or <$XX> bytes), and the bytes its frames
// read through the file's other tables as <$XX>, with the text they decode to
// in the // lines; the string ends where an end entry ends the frames.
//
// A range of the ROM may be given too: its strings that no pointer reaches
// (text that code refers to) are written in place, each in a block of its own
// whose room is its own bytes. They run from where the one before ended, by
// the end rule, and stop before a pointer slot and before a pointed-to string,
// which stays with its pointers; a run of two or more equal 00 or FF bytes
// where a string would begin is padding, left as it is.
//
//   parse_end_rule   --end token | next | fixed:N | token,next | pascal:N
//   build_script     the script, the insertion table, the strings as data
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/chunked_text.hpp"
#include "core/tables/code_table.hpp"
#include "core/maps/pointer_table.hpp"
#include "core/base/report.hpp"
#include "core/base/rom_view.hpp"

namespace textdump {

struct EndRule {
  bool token = true;                  // at the table's end entry
  bool next = false;                  // where the next pointed-to string begins
  std::optional<std::uint32_t> fixed; // this many bytes
  std::optional<unsigned> pascal;     // after a length of this many bytes (1 to 4)
  std::uint32_t max_length = 4096;    // every rule stops here, with a warning
};

// The rule, or a report on what is wrong with it (the rule as given its argument).
std::variant<EndRule, Report> parse_end_rule(std::string_view text);

struct ScriptRequest {
  RomView rom;
  const CodeTable* table = nullptr;
  const std::vector<CodeTable>* tables = nullptr; // a standard file's tables, for its switches
  std::vector<PointerTable> ptables;
  std::vector<std::string> pointer_arguments; // as given, for the header
  EndRule end;
  std::string end_text;             // as given, for the header
  std::vector<std::string> header;  // lines for the header (tool, ROM, table), without "//"
  std::string insertion_table_name; // as #ADDTBL names it
  // The words of a report, for the warnings the header shows and its notes on
  // the texts left out of the insertion table (app/common/report_text.hpp).
  std::function<std::string(const Report&)> words;
  // The map whose addresses the // lines show beside file offsets
  // (core/maps/map_address.hpp); none: the offsets alone.
  const MapDescriptor* address_map = nullptr;
  // The range whose strings are written in place, [first, end) of the ROM.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> range;
};

struct ScriptPointer {
  std::uint32_t table = 0; // which pointer table of the request
  std::uint32_t index = 0;
  std::uint64_t at = 0; // its file offset
  std::uint32_t value = 0;
};

struct ScriptString {
  std::uint64_t start = 0;
  std::uint64_t end = 0; // exclusive
  std::string text;      // the editable copy, lines joined by CR LF
  // Its pointers: Script::pointers [first_pointer, first_pointer + pointer_count).
  std::uint32_t first_pointer = 0, pointer_count = 0;
  bool referenced = true; // false for bytes between strings
};

// A run of the ROM that one #JMP of the script fills.
struct ScriptBlock {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // exclusive: the end of its last string
  std::uint64_t room = 0; // exclusive: the end of the padding after it, the #JMP bound + 1
};

struct Script {
  ChunkedText script;                // CR LF lines
  std::string insertion_table;       // CR LF lines
  std::vector<ScriptBlock> blocks;   // in address order
  std::vector<ScriptString> strings; // in address order, the padding inside blocks included
  std::vector<ScriptPointer> pointers; // the strings' pointers, string after string
  // Pointers outside the ROM or null, strings cut at the maximum length: every
  // one; the script's header shows them summarised (core/base/warning_summary.hpp).
  std::vector<Report> warnings;
  std::vector<Report> errors; // what could not be made to round-trip

  std::span<const ScriptPointer> pointers_of(const ScriptString& string) const {
    return {pointers.data() + string.first_pointer, string.pointer_count};
  }
};

// Builds the script. The request's table must have an end entry when the rule
// ends strings at one (checked by the caller: has_end_entry).
Script build_script(const ScriptRequest& request);

} // namespace textdump
