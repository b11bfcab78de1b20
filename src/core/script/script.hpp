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
// pointers reach, and a string that runs past that bank's end is held up to
// it, with a warning. A null pointer is a warning and its slot is left alone.
//
// Every string is proven before the script is complete: encoding its editable
// copy with the insertion table, as the inserter reads text, gives exactly the
// original bytes, and every pointer's value is what the inserter writes for
// that string's position. A piece that would not come back (two keys with one
// text, a text that looks like a command or a comment at the start of a line,
// control characters, an empty text, a text the inserter would read otherwise,
// a text longer than the Atlas inserter reads whole)
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
// //LENGTH line that names the field, its size and byte order: the Atlas
// inserter cannot rewrite the length, so it keeps it; --insert rewrites it.
// In these forms an end entry is written as <$XX>, which ends no string.
//
// The inserter cannot switch tables inside a string: a switch of a standard
// table is written as its label (or <$XX> bytes), and the bytes its frames
// read through the file's other tables as <$XX>, with the text they decode to
// in the // lines; the string ends where an end entry ends the frames.
//
// Ranges of the ROM may be given too: their strings that no pointer reaches
// (text that code refers to) are written in place, each in a block of its own
// whose room is its own bytes. They run from where the one before ended, by
// the range's end rule, and stop before a pointer slot and before a
// pointed-to string, which stays with its pointers; a run of two or more
// equal 00 or FF bytes where a string would begin is padding, left as it is.
// A fixed:N range is N-byte fields from its start, each under #FIXEDLENGTH;
// a Pascal range is one block: its strings one after another from its start,
// each under #PASCALLEN (its length little-endian), then its closing bytes.
// Records (count of stride bytes from at) give fixed-length text fields that
// no pointer reaches, each written in place under #FIXEDLENGTH, the bytes
// between them left alone; each field's pad is the byte that ends most of its
// records' copies.
//
// What an edited script dump will do when inserted (fit_script), worked out
// without the ROM: the script and its insertion tables are read as the
// inserter reads them, and every place where it would stop, read other text
// than was meant, or cut strings at a block's #JMP bound is reported like a
// compiler's diagnostic, with the bytes each block uses of its room. The
// script's commands are those a script dump holds: #VAR, #ADDTBL,
// #ACTIVETBL, #CREATEPTR, #HDR, #SMA, #ENDIANSWAP, #STRTYPE, #PASCALLEN,
// #FIXEDLENGTH, #JMP, #WRITE, #W16, #W24 and #W32, and #STRINGALIGN(N),
// which starts each later string at a multiple of N, 00 bytes before it; any
// other is reported. A string under #FIXEDLENGTH that would be cut is an
// error, so is a Pascal string longer than its length's bytes hold, and so is
// one after a //LENGTH line (its length is held beside its pointer) that would
// not keep its length, when the script is judged for the Atlas inserter;
// judged for --insert, such a string may change length when its //LENGTH
// line names its field, and the plan rewrites the field. The report holds the
// plan of insertion (script_plan.hpp): every block's bytes, pointer write and
// length field, complete when the script fits, with the script's text and
// its tables as a decoder reads them for the proof. Judged for the Atlas
// inserter, text is read as it reads it (TextEncoder::Reading::atlas), with
// a warning wherever --insert would read a longer table text; a line of
// blanks alone adds nothing, and a byte-order mark that opens the script or
// a table is passed over. Nothing here opens a file:
// the tables come through the reader the caller gives.
//
//   parse_end_rule   --end token | next | fixed:N | token,next | pascal:N
//   build_script     the script, the insertion table, the strings as data
//   fit_script       an edited script's diagnostics, blocks and plan
//   summarise_missing  the characters the insertion table lacks, summarised
//   script_entries   a script's strings as its lines hold them: each one's
//                    offset, pointers, original (its // lines), text, where
//                    its text lines lie and the bytes it held when dumped
//
// The folder's files:
//   script_types.hpp        the vocabulary above and below
//   script_builder.hpp      the builder's own parts: items, claims, forms
//   script.cpp              build: its steps in order, the pointers read, the header
//   script_layout.cpp       where strings end, the pieces, the blocks, their room
//   script_runs.cpp         the claims, the blocks and runs written and proven,
//                           the insertion table completed
//   script_items.cpp        where a string ends, each key's item, settling a run
//   script_strings.cpp      set-length forms, a piece's lines, the end rule
//   script_in_place.cpp     the strings of ranges and records, fixed strings' pads
//   script_blocks.cpp       banks, pointer slots, what lies between blocks
//   script_switches.cpp     switching tables: a switch as one item
//   script_fitter.hpp       the fitter's state (script_fit.cpp: text, strings,
//                           blocks; script_fit_commands.cpp: the commands)
//   script_fit_reading.hpp  the fitter's reading of numbers, names, tables and lines
//   script_entries.cpp      a script's strings as its lines hold them
//   script_plan.hpp         the plan of insertion, and pointer values both ways
//   text_box.hpp            each string's lines and pages against its text box
//   fit_summary.cpp         the characters the insertion table lacks, summarised
#pragma once

#include <string_view>
#include <variant>
#include <vector>

#include "core/script/script_types.hpp"
#include "core/script/text_box.hpp"

namespace textdump {

// The rule, or a report on what is wrong with it (the rule as given its argument).
std::variant<EndRule, Report> parse_end_rule(std::string_view text);

// Builds the script. The request's table must have an end entry when a rule
// ends strings at one (checked by the caller: needs_end_entry, has_end_entry).
Script build_script(const ScriptRequest& request);

// Whether a string of the request ends at an end entry: one of a pointer table
// without length= under a token rule, or of a range under one. Set lengths
// (length=, pascal:N, fixed:N) and records need none.
bool needs_end_entry(const ScriptRequest& request);

FitReport fit_script(std::string_view script, const FitTableReader& read_table,
                     FitFor judged_for = FitFor::insert);

// The fitter's reports of characters the insertion table lacks, summarised:
// one at each character's first use with how often it is used, or one for a
// whole class (lower case, upper case, digits) the table has none of.
void summarise_missing(std::vector<Report>& diagnostics, std::string_view script,
                       const FitTableReader& read_table);

// In script order; a string's pointers, original and text as the dump wrote
// them, or as they were edited since.
std::vector<ScriptEntry> script_entries(std::string_view script);

// Whether the inserter reads the line as text: not a command, a comment or empty.
bool script_text_line(std::string_view line);

} // namespace textdump
