// The catalogue's rows of the program's own messages (app/common/messages.hpp),
// one per MessageId in id order; core's reports have theirs in report_text.cpp.
#include <array>

#include "app/common/report_text.hpp"

namespace textdump {

namespace {

using enum MessageId;

constexpr std::array<MessageText, static_cast<std::size_t>(count_)> ROWS{{
    // The dialogue.
    {banner, "banner", "", "Quarvel. v0.03 by Zebrinth\n"},
    {prompt_rom, "prompt-rom", "", "ROM FILE NAME :"},
    {prompt_table, "prompt-table", "", "TABLE FILE NAME :"},
    {prompt_dump, "prompt-dump", "", "DUMP TO FILE :"},
    {prompt_start, "prompt-start", "", "START OFFSET :"},
    {prompt_end, "prompt-end", "", "END OFFSET :"},
    {end_program, "end-program", "", "END PROGRAM."},
    {press_enter, "press-enter", "", "Press Enter to continue . . ."},
    {input_ended, "input-ended", "", "Input ended before all five answers were given."},
    {hex_value_error, "hex-value-error", "", "HEX VALUE ERROR:{0}"},
    {table_unreadable_short, "table-unreadable-unnamed", "", "Couldn't read table file."},
    {version, "version", "", "textdump {0}"},
    // Inputs.
    {rom_open, "rom-cannot-open", "", "Can't open the ROM file \"{0}\"."},
    {rom_too_large, "rom-too-large", "",
     "The ROM file \"{0}\" is larger than 4 GiB, the most an offset reaches."},
    {rom_stream_too_large, "rom-stream-too-large", "",
     "The ROM file \"{0}\" is not a regular file and gives more than {1} MiB, the most read from "
     "a pipe or device; give the ROM as a file."},
    {rom_changed, "rom-changed", "", "The ROM file \"{0}\" changed while it was read."},
    {table_open, "table-cannot-open", "", "Can't open the table file \"{0}\"."},
    {table_too_large, "table-too-large", "",
     "The table file \"{0}\" is larger than 64 MiB; no table is that large."},
    {table_unreadable, "table-unreadable", "", "Couldn't read table file \"{0}\"."},
    {no_such_table, "no-such-table", "", "\"{0}\" has no table named \"{1}\"."},
    {script_unreadable, "script-unreadable", "", "Can't read the script file \"{0}\"."},
    {kana_unreadable, "kana-order-unreadable", "", "Can't read the kana order file \"{0}\"."},
    {kana_unusable, "kana-order-unusable", "", "Can't use {0}."},
    {word_unsearchable, "word-unsearchable", "", "Can't search for that word: {0}."},
    {out_of_memory, "out-of-memory", "", "Out of memory: the run was stopped."},
    {patch_cannot_make, "patch-cannot-make", "", "Can't make {0}: {1}."},
    {patch_cannot_apply, "patch-cannot-apply", "", "Can't apply {0} to {1}: {2}."},
    // Outputs.
    {output_create, "output-cannot-create", "", "Can't create the {0} \"{1}\": {2}."},
    {output_is_input, "output-is-input", "", "Won't write the {0} \"{1}\": it is {2}."},
    {output_is_output, "output-is-output", "", "Won't write the {0} \"{1}\": it is the {2}."},
    {output_write, "output-cannot-write", "", "Can't write the {0} \"{1}\": {2}."},
    {insertion_table_is_input, "insertion-table-is-input", "",
     "Won't write the insertion table \"{0}\": it is {1}; give it another name with "
     "--atlas-table FILE."},
    {no_table_beside, "no-insertion-table-beside", "",
     "The script file \"{0}\" is not a regular file, so the insertion table cannot go beside it: "
     "give --atlas-table FILE."},
    {report_write, "report-cannot-write", "",
     "Can't write the report to standard output: {0}."},
    {role_dump_file, "role-dump-file", "", "dump file"},
    {role_script_file, "role-script-file", "", "script file"},
    {role_insertion_table, "role-insertion-table", "", "insertion table"},
    {role_json_file, "role-json-file", "", "JSON file"},
    {role_svg_file, "role-svg-file", "", "SVG file"},
    {role_draft_table, "role-draft-table", "", "draft table"},
    {role_patch_file, "role-patch-file", "", "patch file"},
    {role_rom_file, "role-rom-file", "", "ROM file"},
    {role_original_file, "role-original-file", "", "original file"},
    {role_modified_file, "role-modified-file", "", "modified file"},
    {role_patched_file, "role-patched-file", "", "patched file"},
    {input_rom, "input-rom", "", "the ROM file"},
    {input_table, "input-table", "", "the table file"},
    {input_member_table, "input-member-table", "", "a table file"},
    {input_kana_order, "input-kana-order", "", "the kana order file"},
    {input_patch, "input-patch", "", "the patch file"},
    {input_original, "input-original", "", "the original file"},
    {input_modified, "input-modified", "", "the modified file"},
    {file_offsets, "file-offsets", "", "file offset"},
    // Diagnostics.
    {diagnostic_error, "diagnostic-error", "", "{0}:{1}:{2}: error: {3}"},
    {diagnostic_warning, "diagnostic-warning", "", "{0}:{1}:{2}: warning: {3}"},
    {diagnostic_note, "diagnostic-note", "", "{0}:{1}:{2}: note: {3}"},
    // Usage errors.
    {usage_error, "usage-error", "", "textdump: {0}\nTry 'textdump --help'."},
    {mode_dump, "mode-dump", "", "a dump"},
    {usage_in_option, "usage-in-option", "", "{0}: {1}"},
    {usage_report, "usage-report", "", "{0}"},
    {usage_unknown_option, "usage-unknown-option", "", "unknown option {0}"},
    {usage_needs_value, "usage-needs-value", "", "{0} needs a value"},
    {usage_takes_no_value, "usage-takes-no-value", "", "{0} takes no value"},
    {usage_requires, "usage-requires", "", "{0} requires {1}"},
    {usage_excludes, "usage-excludes", "", "{0} excludes {1}"},
    {usage_takes_no_names, "usage-takes-no-names", "", "{0} takes no names; {1} given"},
    {usage_takes_names, "usage-takes-names", "", "{0} takes {1} {1|name|names}, {2}; {3} given"},
    {usage_bad_offset, "usage-bad-offset", "",
     "{0} \"{1}\" is not a hexadecimal offset of one to eight digits."},
    {usage_end_below_start, "usage-end-below-start", "", "{0}END {1} is below START {2}."},
    {usage_no_position, "usage-no-position", "", "{0}: the ROM holds no such {1} address."},
    {usage_bad_encoding, "usage-bad-encoding", "",
     "unknown table encoding \"{0}\" (use utf-8, windows-1252, shift-jis, euc-jp, euc-kr, big5, "
     "gbk, utf-16le or utf-16be)"},
    {usage_bad_number, "usage-bad-number", "", "{0} \"{1}\" is not a decimal number above 0"},
    {usage_width, "usage-width", "", "--width \"{0}\": 1 or 2"},
    {usage_order, "usage-order", "", "--order \"{0}\": le or be"},
    {usage_map_list, "usage-map-list", "", "--map \"{0}\": the maps are {1}"},
    {usage_map_list_empty, "usage-map-list-empty", "", "--map needs at least one map"},
    {usage_size_list, "usage-size-list", "", "--size \"{0}\": the sizes are 2, 3 and 4"},
    {usage_size_list_empty, "usage-size-list-empty", "", "--size needs at least one size"},
    {usage_map_with_dump, "usage-map-with-dump", "",
     "--map with a dump takes one map, without a base"},
    {usage_map_without_range, "usage-map-without-range", "",
     "--map with --script places --range, which is not given"},
    {usage_map_with_script, "usage-map-with-script", "",
     "--map with --script takes one map, without a base"},
    {usage_script_to_stdout, "usage-script-to-stdout", "",
     "a script on standard output needs --atlas-table FILE"},
    {usage_pointed_needs_map, "usage-pointed-needs-map", "",
     "--find-pointers-to BANK:ADDRESS needs the one --map it is an address of"},
    {usage_pointers_outside, "usage-pointers-outside", "",
     "--pointers {0}: its first pointer at ${1} lies outside the ROM file ({2} bytes)"},
    {usage_pointers_past_rom, "usage-pointers-past-rom", "",
     "--pointers {0}: the ROM file ({1} bytes) holds at most {2} {2|pointer|pointers} from ${3}: "
     "give count={4} or less"},
    {usage_two_on_standard_output, "usage-two-on-standard-output", "",
     "the {0} and the {1} cannot both go to standard output (\"-\")"},
    // Warnings of a dump.
    {warning_no_end_for_snes, "warning-snes-without-end", "",
     "Warning: the table has SNES entries but no END entry: every string they point to runs to "
     "the end of the ROM file."},
    {warning_end_past_rom, "warning-end-past-rom", "",
     "Warning: END {0} lies past the end of the ROM file ({1} bytes): every offset after it is "
     "written as the byte FF."},
    {warning_long_keys, "warning-long-keys", "",
     "Warning: \"{0}\" has {1} {1|line|lines} with keys of four or more digits, which this table "
     "format reads as one-byte codes (first: line {2}: {3})."},
    {warning_keys_again, "warning-keys-again", "",
     "Warning: \"{0}\" defines {1} {1|key|keys} again, the later line winning (first: line {2}: "
     "{3})."},
    {warning_parameter_past_rom, "warning-parameter-past-rom", "",
     "Warning: a control code's parameters run past the end of the ROM file (first at offset "
     "{0}): only the bytes in the file are written."},
    {warning_parameters_past_rom, "warning-parameters-past-rom", "",
     "Warning: {0} control codes' parameters run past the end of the ROM file (first at offset "
     "{1}): only the bytes in the file are written."},
    // Script dumps.
    {no_end_entry, "no-end-entry", "",
     "The table file \"{0}\" has no end entry, so no string would end: give --end next or --end "
     "fixed:N."},
    {no_end_entry_to_find, "no-end-entry-to-find", "",
     "The table file \"{0}\" has no end entry, so no string start can be told: add one (/XX)."},
    {script_error, "script-error", "", "Error: {0}."},
    {script_warning, "script-warning", "", "Warning: {0}."},
    {no_strings, "no-strings", "",
     "Error: none of the {0} pointers leads to a string in the ROM file (outside it, or null); "
     "nothing was written: check base= and map= of --pointers."},
    {no_range_strings, "no-range-strings", "",
     "Error: --range {0}-{1} holds no string, only padding; nothing was written."},
    {script_summary, "script-summary", "",
     "{0} {0|string|strings}, {1} {1|pointer|pointers}, {2} {2|block|blocks}, {3} of {4} "
     "{4|byte|bytes} of room used; wrote {5}."},
    {output_named, "output-named", "", "the {0} \"{1}\""},
    {output_to_stdout, "output-to-stdout", "", "the {0} to standard output"},
    {list_and, "list-and", "", "{0} and {1}"},
    {list_or, "list-or", "", "{0} or {1}"},
    {script_header_title, "script-header-title", "", "textdump {0} script dump"},
    {script_header_rom, "script-header-rom", "", "ROM: {0}, {1} bytes, SHA-256 {2}"},
    {script_header_table_standard, "script-header-table-standard", "",
     "Table: {0} (standard table)"},
    {script_header_table_own, "script-header-table-own", "",
     "Table: {0} (the tool's own table format)"},
    {script_header_insertion_table, "script-header-insertion-table", "", "Insertion table: {0}"},
    // --fit.
    {fit_block_bounded, "fit-block", "", "block {0} ${1}-${2}: {3} of {4} bytes"},
    {fit_block_open, "fit-block-open", "", "block {0} ${1}: {2} bytes, no end bound"},
    // The table checker.
    {check_where_line, "check-where-line", "", "line {0}"},
    {check_where_column, "check-where-column", "", "line {0}, column {1}"},
    {check_report, "check-report", "", "{0}: {1}: {2}"},
    {check_note, "check-note", "", "{0}: note: {1}: {2}"},
    {check_more, "check-more", "", "... and {0} more like this (lines {1}-{2})"},
    {severity_error, "severity-error", "", "error: {0}"},
    {severity_warning, "severity-warning", "", "warning: {0}"},
    {check_snes_without_end, "check-snes-without-end", "",
     "the table has SNES entries but no END entry: every string they point to runs to the end of "
     "the ROM file"},
    {check_looks_standard, "check-looks-standard", "",
     "note: this looks like a standard table (keys of four or more digits, # or @ lines, or "
     "/XX=label ends): check it with --check --std-table"},
    {check_value_not_utf8, "check-value-not-utf8", "",
     "note: 1 value is not UTF-8: --table-encoding {0} reads it"},
    {check_values_not_utf8, "check-values-not-utf8", "",
     "note: {0} values are not UTF-8: --table-encoding {1} reads them"},
    {check_value_unread, "check-value-unread", "",
     "note: 1 value is not UTF-8, and no --table-encoding reads it"},
    {check_values_unread, "check-values-unread", "",
     "note: {0} values are not UTF-8, and no --table-encoding reads them all"},
    {check_own_summary, "check-own-summary", "",
     "{0} {0|entry|entries}: {1} text, {2} line break, {3} wait, {4} end, {5} FIXED, {6} SNES, "
     "{7} TABLE; {8} {8|problem|problems}"},
    {check_entries, "check-entries", "",
     "{0} {0|entry|entries}: {1} text, {2} end, {3} line break, {4} control, {5} switch; by key "
     "length: {6}"},
    {check_key_length, "check-key-length", "", "{0} {0|byte|bytes} {1}"},
    {check_no_keys, "check-no-keys", "", "none"},
    {check_summary, "check-summary", "", "{0}; {1} {1|problem|problems}"},
    {check_table_entries, "check-table-entries", "", "table \"{0}\": {1}"},
    {check_summary_tables, "check-summary-tables", "",
     "{0} {0|entry|entries} in {1} tables; {2} {2|problem|problems}"},
    // The searches.
    {progress_searching, "progress-searching", "", "Searching {0}"},
    {progress_set_length, "progress-set-length", "", "strings of set length"},
    {candidate_heading, "candidate-heading", "",
     "#{0}  score {1}  map {2}, {3}-byte {4} pointers, stride {5}"},
    {map_with_base, "map-with-base", "", "{0} (base {1}{2})"},
    {candidate_table, "candidate-table", "",
     "    table at {0}, {1} pointers reaching {2}-{3}; {4} of {5} targets decode as text{6}"},
    {seen_null_entries, "seen-null-entries", "", "; {0} {0|null entry|null entries}"},
    {seen_empty_strings, "seen-empty-strings", "", "; {0} {0|empty string|empty strings}"},
    {candidate_pointers, "candidate-pointers", "", "    --pointers {0}{1}"},
    {candidate_end, "candidate-end", "", "    --end {0}"},
    {candidate_string, "candidate-string", "", "    \"{0}\""},
    {place_line, "pointer-place", "", "  {0}  {1}, {2}-byte {3} value ${4}  --pointers {5}"},
    {text_candidate_heading, "text-candidate-heading", "",
     "#{0}  score {1}  {2}{3}; {4} hits of {5} {5|word|words}"},
    {text_kana_order, "text-kana-order", "", ", {0} order"},
    {text_bases, "text-bases", "", "    bases {0} ({1} {1|run|runs})"},
    {text_seen_same, "text-seen-same", "", "    {0} {1} at every hit"},
    {text_seen_varies, "text-seen-varies", "", "    {0} varies between the hits"},
    {text_space, "text-space", "", "space"},
    {text_hit, "text-hit", "", "    ${0}  {1}  {2}"},
    {text_more_hits, "text-more-hits", "", "    ... {0} more hits"},
    {text_context, "text-context", "", "      ${0}  {1}"},
    {survey_span, "survey-span", "", "{0}  {1}{2}{3}"},
    {survey_bytes, "survey-bytes", "", "{0} {0|byte|bytes}"},
    {survey_text, "survey-text", "", "  \"{0}\""},
    {survey_points_into, "survey-points-into", "", ", pointing into {0}-{1}:"},
    {survey_free, "survey-free", "", " of ${0}"},
    {survey_table_name, "survey-table-name", "", "#{0} {1}, {2} {2|pointer|pointers}"},
    // The survey's picture.
    {svg_title, "svg-title", "", "{0}, {1} bytes"},
    {svg_title_map, "svg-title-map", "", "{0}, {1} bytes, {2}"},
    {svg_key_text, "svg-key-text", "", "text ({0} bytes)"},
    {svg_key_pointers, "svg-key-pointers", "", "pointer tables ({0} bytes)"},
    {svg_key_free, "svg-key-free", "", "free space ({0} bytes)"},
    {svg_key_other, "svg-key-other", "", "other bytes"},
    {svg_key_link, "svg-key-link", "", "a pointer table and the text it points into"},
    {svg_scale, "svg-scale", "",
     "A row is ${0} bytes{1}, a pixel {2} {2|byte|bytes}. Left: the file offset{3} of the row's "
     "start."},
    {svg_scale_banks, "svg-scale-banks", "", " ({0} banks of ${1}, their edges marked)"},
    {svg_scale_address, "svg-scale-address", "", " and the platform address"},
    {svg_table_title, "svg-table-title", "", "{0}: {1}-{2}, pointing into {3}-{4}"},
    {finder_none, "finder-none", "", "No pointer table found."},
    {pointers_to_heading, "pointers-to-heading", "", "Pointers to {0}: \"{1}\""},
    {pointers_to_none, "pointers-to-none", "", "No pointer to it is stored."},
    {pointers_to_places, "pointers-to-places", "", "{0} {0|place|places}."},
    {text_none, "text-none", "", "No candidate encoding found."},
    {no_draft_table, "no-draft-table", "", "No draft table written: no candidate encoding."},
    {survey_no_end, "survey-no-end-entry", "",
     "No pointer tables searched: the table file \"{0}\" has no end entry."},
    {survey_totals, "survey-totals", "",
     "Totals: {0} {0|byte|bytes} of text in {1} {1|run|runs}, {2} {2|byte|bytes} of pointer tables "
     "in {3} {3|table|tables}, {4} {4|byte|bytes} of free space in {5} {5|run|runs}; {6} "
     "{6|byte|bytes} else, of {7}."},
}};

// The rows are in id order: a row out of place fails to compile.
static_assert(rows_in_order(ROWS), "the rows of the message table follow the order of MessageId");

} // namespace

const MessageText& message_row(MessageId id) {
  return ROWS[static_cast<std::size_t>(id)];
}

} // namespace textdump
