// The fitter's reading of a script dump, as the inserter reads one: its
// lines, numbers and variable names, and its insertion tables.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/base/base.hpp"
#include "core/script/script_types.hpp"
#include "core/script/script_plan.hpp"
#include "core/tables/tables.hpp"

namespace textdump::fitting {

inline constexpr auto npos = std::string_view::npos;

// An insertion table: its texts, and which of them are end tokens (a string ends after one).
struct FitTable {
  TextEncoder encoder;
  std::shared_ptr<CodeTable> decoder = std::make_shared<CodeTable>(TableFormat::standard);
  std::unordered_set<std::string> ends;
};

// A script or table file without the UTF-8 byte-order mark it may start with.
std::string_view without_bom(std::string_view file);

// Without the blanks and tabs around it.
std::string trimmed(std::string_view s);

// A report without its place: the command's line and column are added to it.
Report fault(ReportId id, std::vector<std::string> args);

// Reads the insertion table named name into table; a report naming the file's
// line when it is wrong (arguments: the file, the line, then the id's own).
std::optional<Report> load_table(const std::string& name, std::string_view file, FitTable& table);

// A number as the inserter reads it; nothing, with why set, otherwise.
std::optional<std::int64_t> atlas_number(std::string_view s, std::optional<Report>& why);

// Why the inserter would not take name for a variable name; nothing when it would.
std::optional<Report> bad_name(std::string_view name);

// The offset that a dump's line names last: 6C10 of "//POINTER #0 @ $6D00 -
// STRING #0 @ $6C10", of the same line with the addresses in brackets after
// the offsets ("$6C10 ($8C10 (bank 00))"), and of "//STRING #0 @ $6C10: ...".
std::optional<std::uint64_t> last_hex(std::string_view line);

// How the inserter takes a line of a script: a command (# after blanks), a
// comment (// after blanks), text, or nothing (empty, or blanks and tabs alone).
enum class ScriptLine { empty, command, comment, text };
ScriptLine line_kind(std::string_view line);

// What a dump's "// BLOCK" line says.
std::optional<DumpedBlock> dumped_block(std::string_view line);

// The length field a //LENGTH line names: "//LENGTH @ $1F0, 2 BYTES LE - 5
// BYTES, ..."; nothing for a line without its size and byte order (as
// written before --insert rewrote lengths).
std::optional<PlanLength> length_field(std::string_view line);

// The table that the script's first #ADDTBL names, read through read_table
// (its bytes into file, when given); nothing when it cannot be read or is wrong.
std::optional<FitTable> first_insertion_table(std::string_view script,
                                              const FitTableReader& read_table,
                                              std::string* file = nullptr);

} // namespace textdump::fitting
