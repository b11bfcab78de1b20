// The vocabulary of script dumps, shared by their parts: the end rule, the
// request and the script it gives, with its blocks, strings and pointers; and
// what the fitter reports of an edited script, with its plan of insertion.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/base.hpp"
#include "core/maps/maps.hpp"
#include "core/script/script_plan.hpp"
#include "core/tables/tables.hpp"

namespace textdump {

struct EndRule {
  bool token = true;                  // at the table's end entry
  bool next = false;                  // where the next pointed-to string begins
  std::optional<std::uint32_t> fixed; // this many bytes
  std::optional<unsigned> pascal;     // after a length of this many bytes (1 to 4)
  std::uint32_t max_length = 4096;    // every rule stops here, with a warning
};

// A range of the ROM whose strings no pointer reaches, [first, end), read by
// its own rule: a fixed:N rule makes N-byte fields from its start, each
// written in place; a Pascal rule makes strings one after another from its
// start, written back one after another as one block with the bytes after
// the last (the range's closing bytes); the other rules make strings in place.
struct InPlaceRange {
  std::uint64_t first = 0, end = 0;
  EndRule rule;
  std::string text; // as given, for the header
};

// Records of fixed-length text fields that no pointer reaches: count records
// of stride bytes from at, each field (its offset in the record, its length)
// a fixed-length string written in place; the bytes between fields stay.
struct RecordFields {
  std::uint64_t at = 0;
  std::uint32_t count = 0, stride = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> fields;
  std::string text; // as given, for the header
};

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
  MapFields address_fields; // of the pointer table whose map that is
  // The ranges and records whose strings are written in place; they do not overlap.
  std::vector<InPlaceRange> ranges;
  std::vector<RecordFields> records;
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
  bool padding = false;   // bytes between strings all 00 or all FF: room
};

// A run of the ROM that one #JMP of the script fills.
struct ScriptBlock {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // exclusive: the end of its last string
  std::uint64_t room = 0; // exclusive: the end of the padding after it, the #JMP bound + 1
  std::uint64_t padding = 0; // bytes of padding between its strings: room, not used
};

struct Script {
  ChunkedText script;                  // CR LF lines
  std::string insertion_table;         // CR LF lines
  std::vector<ScriptBlock> blocks;     // in address order
  std::vector<ScriptString> strings;   // in address order, the padding inside blocks included
  std::vector<ScriptPointer> pointers; // the strings' pointers, string after string
  // Pointers outside the ROM or null, strings cut at the maximum length: every
  // one; the script's header shows them summarised (core/base/warning_summary.hpp).
  std::vector<Report> warnings;
  std::vector<Report> errors; // what could not be made to round-trip

  std::span<const ScriptPointer> pointers_of(const ScriptString& string) const {
    return {pointers.data() + string.first_pointer, string.pointer_count};
  }
};

// A block as a dump's "// BLOCK 1: $6C10-$6CFF, 240 bytes of room, 219 used" line names it.
struct DumpedBlock {
  std::uint64_t start = 0, room = 0, used = 0;
};

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
  InsertPlan plan; // what the script writes; whole when it fits
  bool fits() const;
};

// A string of a script dump as its lines hold it: what an exchange file
// carries of it, and where its text lines lie in the script.
struct ScriptEntry {
  std::uint64_t start = 0;           // its file offset, which names it
  std::string where;                 // its offset (and address) as its // line shows it
  std::vector<std::string> pointers; // where each of its pointers lies, as shown
  bool referenced = true;            // false: bytes between strings (//UNREFERENCED)
  std::string original;              // its // lines without "//", joined by LF
  std::string text;                  // its text lines, joined by LF
  // The bytes of the script its text lines take, the last one's line end
  // included; without text lines, where they would go (from == to).
  std::size_t from = 0, to = 0;
  std::size_t line = 0;              // of its first text line (or where it would go)
  std::optional<std::uint64_t> held; // the bytes it held when dumped, when the dump says
  std::optional<DumpedBlock> block; // the block it lies in
};

// Whom a script is judged for: --insert, which rewrites the length fields
// that //LENGTH lines name, or the Atlas inserter, which keeps them.
enum class FitFor { insert, atlas };

// The bytes of the table file that #ADDTBL names, as written there; nothing
// when it cannot be read.
using FitTableReader = std::function<std::optional<std::string>(const std::string& name)>;

} // namespace textdump
