// The catalogue's rows of core's reports on tables, script dumps, edited
// scripts, text boxes and --insert, in id order up to FIRST_MODE_REPORT (the
// rest are report_text_modes.cpp's), and the filling of every row's text.
#include "app/common/report_text.hpp"

#include <array>

#include "app/common/messages.hpp"

namespace textdump {

namespace {

using enum ReportId;

constexpr std::array<ReportText, static_cast<std::size_t>(FIRST_MODE_REPORT)> ROWS{{
    // Standard tables.
    {std_backslash, "backslash-line", "backslash",
     "a line cannot begin with \"\\\": write /KEY for an end or KEY=<WAIT> for a wait"},
    {std_name_invalid, "table-id-invalid", "name",
     "a table id is not empty and holds neither \"<\" nor \">\""},
    {std_name_again, "table-id-again", "name", "table \"{0}\" is named on an earlier line"},
    {std_table_unknown, "table-id-unknown", "table", "no table of the file is named \"{0}\""},
    {std_table_unused, "table-unused", "unused",
     "table \"{0}\" is not used: no switch reaches it from the first table"},
    {std_switch_loop, "switch-loop", "loop",
     "switches of weight 0 into frames without an end lead back to table \"{0}\": they can nest "
     "without end, counting nothing"},
    {std_weight, "key-weight", "key", "a key's weight is written <W>, W from 0 to 999999999"},
    {std_key_missing, "key-missing", "key", "the key is missing before \"=\""},
    {std_key_not_hex, "key-not-hex", "key",
     "the key has a character that is not a hexadecimal digit"},
    {std_key_odd, "key-odd-digits", "key", "the key has an odd number of digits"},
    {std_key_long, "key-too-long", "key", "the key is longer than 8 bytes"},
    {std_value_encoding, "value-encoding", "encoding",
     "the value does not convert to UTF-8 from the table's encoding"},
    {std_file_encoding, "file-encoding", "encoding",
     "the file does not convert to UTF-8 from the table's encoding"},
    {std_control_character, "value-control-character", "control",
     "the value holds the control character \\x{0}"},
    {std_key_again, "key-again", "again", "key {0} was defined on line {1}; this line wins"},
    {std_artificial_end, "artificial-end", "artificial",
     "an end without a key is an inserter's artificial end: it defines nothing here"},
    {std_control_needs_equals, "control-needs-equals", "equals",
     "a control code needs \"=\" after its key"},
    {std_control_empty, "control-empty", "empty",
     "a control code without a label or a parameter would write nothing"},
    {std_control_fields, "control-too-many-parameters", "fields",
     "a control code has at most 255 parameters"},
    {std_control_directive, "control-directive-word", "directive",
     "in a standard table \"$\" is a control code; the {0} directive exists only in the tool's "
     "own format"},
    {std_switch_needs_equals, "switch-needs-equals", "equals", "a switch needs \"=\" after its key"},
    {std_text_needs_equals, "text-needs-equals", "equals", "the line has no \"=\" after its key"},
    {std_prefix, "key-prefix", "prefix",
     "key {0} begins the longer key {1}: at each offset the longest key that matches wins"},
    {std_value_not_utf8, "value-not-utf8", "utf8", "the value is not UTF-8"},
    // A standard table's switch value.
    {switch_label_open, "switch-label-open", "switch", "the switch's label is not closed"},
    {switch_label_angle, "switch-label-angle", "switch", "a switch's label holds no \"<\""},
    {switch_form, "switch-form", "switch", "a switch is written !KEY=<LABEL>,<@TABLE>:N"},
    {switch_label_comma, "switch-label-comma", "switch",
     "the switch's label is followed by \",\" and its parameters"},
    {switch_id_open, "switch-id-open", "switch", "the table id is not closed"},
    {switch_id_empty, "switch-id-empty", "switch", "the table id is empty"},
    {switch_id_colon, "switch-id-colon", "switch",
     "a table id is followed by \":\" and how long its frame lasts"},
    {switch_id_back, "switch-id-back", "switch",
     "-1 names no table: it leaves the current one (write -1 alone)"},
    {switch_until, "switch-until-bytes", "switch",
     "the bytes that end a frame are 1 to 8 bytes of two hex digits"},
    {switch_frame, "switch-frame-length", "switch",
     "a frame lasts N matches (0 for as many as match) or until $HEX"},
    {switch_back_plus, "switch-back-plus", "switch", "-1 takes no \"+\""},
    {switch_back_last, "switch-back-last", "switch", "-1 is the last parameter of a switch"},
    {switch_param, "switch-parameter", "switch",
     "a switch's parameter is <@TABLE>:N, N raw bytes or -1"},
    {switch_raw_zero, "switch-raw-zero", "switch", "0 raw bytes is no parameter"},
    {switch_separator, "switch-separator", "switch", "parameters are separated by \",\""},
    // The tool's own table format.
    {own_hex_missing_at_file_end, "digit-missing-at-file-end", "hex",
     "{0:hexerror} at column {1} (a digit is missing at the end of the file)"},
    {own_hex_missing_at_line_end, "digit-missing-at-line-end", "hex",
     "{0:hexerror} at column {1} (a digit is missing at the end of the line)"},
    {own_hex_not_digit, "not-hex-digit", "hex",
     "{0:hexerror} at column {1} ('{0}' is not a hex digit)"},
    {own_hex_byte_not_digit, "byte-not-hex-digit", "hex",
     "{0:hexerror} at column {1} (this byte is not a hex digit)"},
    {own_keyword_unknown, "keyword-unknown", "keyword", "keyword \"{0}\" selects no directive"},
    {own_keyword_without_comma, "keyword-without-comma", "keyword",
     "directive without a comma after its keyword"},
    {own_empty_field, "directive-empty-field", "fields", "directive has {0} empty field"},
    {own_empty_fields, "directive-empty-fields", "fields", "directive has {0} empty fields"},
    {own_text_spaced, "text-spaced", "space", "text begins or ends with a space or tab"},
    {own_four_digit_code, "four-digit-code", "four-digit",
     "four-digit code {0}: this line defines code {1} with the text \"{2}\""},
    {own_code_again, "code-again", "again", "code {0} was defined on line {1}; this line wins"},
    {own_member_no_digit, "member-no-table-digit", "",
     "the table file name has no table digit for the {0}"},
    {own_member_bad_digit, "member-bad-table-digit", "",
     "the {0} would load \"{1}\", whose table digit is a folder separator or NUL"},
    {own_member_cannot_open, "member-cannot-open", "",
     "the {0} loads \"{1}\", which cannot be opened"},
    {own_switch_loads, "switch-loads", "",
     "this switch loads \"{0}\" (table digit '{1}' becomes '{2}')"},
    {own_switch_loads_end, "switch-loads-end", "",
     "this switch loads \"{0}\" (table digit '{1}' becomes the end of the name)"},
    // Script dumps.
    {script_pointer_outside, "pointer-outside-rom", "",
     "pointer #{0} (table {1}, index {2}) at {3} lies outside the ROM file"},
    {script_pointer_null, "pointer-null", "",
     "pointer #{0} (table {1}, index {2}) at {3} is null (${4}): its slot is left as it is"},
    {script_target_outside, "pointer-target-outside-rom", "",
     "pointer #{0} (table {1}, index {2}) at {3} holds ${4}, which points outside the ROM file"},
    {script_target_in_table, "pointer-target-in-table", "",
     "pointer #{0} (table {1}, index {2}) at {3} holds ${4}, which points into a pointer table"},
    {script_string_cut, "string-cut", "",
     "the string of pointer #{0} (table {1}) at {2} reached the maximum length of {3} bytes"},
    {script_string_past_bank, "string-past-bank", "",
     "the string of pointer #{0} (table {1}) at {2} runs past its bank's last byte, {3}: the "
     "script holds it up to there"},
    {script_pointer_not_back, "pointer-not-written-back", "",
     "pointer #{0} at {1} would not be written back unchanged"},
    {script_bytes_not_back, "bytes-not-inserted-back", "",
     "the bytes at {0} would not be inserted back unchanged"},
    {script_length_past, "string-length-past", "",
     "the string at {0} holds {1} bytes, past a pointer table or the end of the ROM"},
    {script_pascal_length_past, "pascal-length-past", "",
     "the string at {0} claims {1} bytes, past a pointer table or the end of the ROM"},
    {script_text_owned, "text-of-another-entry", "",
     "Not in the insertion table: {0}={1} (its text is the entry of {2})"},
    {script_text_control, "text-with-control-characters", "",
     "Not in the insertion table: {0}={1} (a text with control characters cannot be typed in a "
     "script)"},
    {script_text_raw_form, "text-reads-as-raw-byte", "",
     "Not in the insertion table: {0}={1} (the inserter reads the text as a raw byte)"},
    {script_text_reads_otherwise, "text-reads-otherwise", "",
     "Not in the insertion table: {0}={1} (the dumped text would not read back the same with "
     "it)"},
    {script_text_too_long, "text-too-long", "",
     "Not in the insertion table: {0}={1} (the Atlas inserter reads no text longer than {2} "
     "characters)"},
    {script_more_like_this, "more-like-this", "", "... and {0} more like this, the last: {1}"},
    // An edited script dump, as --fit reads it.
    {fit_text_without_table, "text-without-table", "", "text with no #ACTIVETBL table before it"},
    {fit_text_before_jmp, "text-before-jmp", "",
     "text before any #JMP: the inserter has nowhere to put it"},
    {fit_raw_misread, "raw-byte-misread", "",
     "the inserter does not read \"{0}\" as a raw byte (write <$XX> with upper-case digits)"},
    {fit_not_in_table, "not-in-insertion-table", "", "'{0}' is not in the insertion table"},
    {fit_raw_taken, "raw-byte-taken", "",
     "the inserter does not read \"{0}\" as a raw byte: the table text \"{1}\" takes its first "
     "character"},
    {fit_block_overflow, "block-overflow", "",
     "the block at ${0}-${1} needs {2} bytes, {3} more than its room of {4}"},
    {fit_string_left_empty, "string-left-empty", "", "this string would be left empty"},
    {fit_string_cut, "string-would-be-cut", "",
     "this string would be cut after {0} of its {1} bytes"},
    {fit_jmp_without_end, "jmp-without-end", "", "#JMP(${0}) sets no end: nothing stops its text"},
    {fit_string_grew, "string-grew", "",
     "this string needs {0} bytes, {1} more than the {2} it held when dumped"},
    {fit_command_form, "command-form", "", "a command is #NAME(arguments)"},
    {fit_arguments, "argument-count", "", "#{0} takes {1} {1|argument|arguments}, not {3}"},
    {fit_arguments_either, "argument-count-either", "", "#{0} takes {1} or {2} arguments, not {3}"},
    {fit_not_number, "not-a-number", "", "\"{0}\" is not a number"},
    {fit_one_digit_negative, "one-digit-negative", "",
     "the inserter misreads a one-digit negative number: \"{0}\""},
    {fit_hex_lower_case, "hex-lower-case", "",
     "the inserter reads hexadecimal digits in upper case only: \"{0}\""},
    {fit_not_quoted, "not-quoted", "", "expected a quoted string, not {0}"},
    {fit_not_that_variable, "not-that-variable", "", "\"{0}\" is no {1} variable"},
    {fit_not_a_name, "not-a-variable-name", "", "\"{0}\" is not a variable name"},
    {fit_name_is_number, "variable-name-is-number", "", "the inserter reads \"{0}\" as a number"},
    {fit_name_with_k, "variable-name-with-k", "",
     "the inserter refuses a variable name with the letter K: \"{0}\""},
    {fit_variable_kind, "variable-kind", "", "a variable is a TABLE or a CUSTOMPOINTER"},
    {fit_table_unreadable, "insertion-table-unreadable", "",
     "cannot read the insertion table \"{0}\""},
    {fit_table_comment, "insertion-table-comment", "",
     "insertion table \"{0}\", line {1}: a '#' line; an insertion table has no comments"},
    {fit_table_no_equals, "insertion-table-no-equals", "",
     "insertion table \"{0}\", line {1}: no '=' in \"{2}\""},
    {fit_table_bad_key, "insertion-table-bad-key", "",
     "insertion table \"{0}\", line {1}: bad hex key \"{2}\""},
    {fit_table_never_added, "table-never-added", "", "table \"{0}\" was never added"},
    {fit_pointer_bits, "pointer-bits", "", "a pointer has 8, 16, 24 or 32 bits"},
    {fit_jmp_backwards, "jmp-backwards", "", "#JMP's end lies before its start"},
    {fit_pointer_never_created, "pointer-never-created", "", "pointer \"{0}\" was never created"},
    {fit_unknown_command, "unknown-command", "", "#{0} is not a command of a script dump"},
    {fit_set_length_no_text, "set-length-without-text", "",
     "no text follows for the string of this pointer, so the inserter writes nothing for it "
     "(write its end token for an empty string)"},
    {fit_held_length_changed, "held-length-changed", "",
     "this string's length is held beside its pointer, which the inserter does not rewrite: it "
     "must stay {0} bytes, not {1}"},
    {fit_fixed_cut, "fixed-length-cut", "",
     "this string needs {0} bytes, more than its fixed length of {1}: the inserter would cut it"},
    {fit_strtype_value, "strtype-value", "", "#STRTYPE is \"PASCAL\" or \"ENDTERM\""},
    {fit_pascal_length, "pascal-length", "", "a Pascal length has 1 to 4 bytes"},
    {fit_fixedlength_args, "fixedlength-arguments", "",
     "#FIXEDLENGTH takes a length and a pad byte"},
    {fit_stringalign_value, "stringalign-value", "",
     "#STRINGALIGN takes the number a string's offset is a multiple of, 1 (none) or more"},
    {fit_negative, "negative-offset", "", "{0} is negative: an offset or a size is not"},
    {fit_address_type, "address-type", "",
     "\"{0}\" is no address type: LINEAR, LOROM00, LOROM80, HIROM or GB"},
    {fit_endianswap_value, "endianswap-value", "", "#ENDIANSWAP is \"TRUE\" or \"FALSE\""},
    {fit_write_before_jmp, "write-before-jmp", "",
     "a pointer is written before any #JMP: it would point at offset 0"},
    {fit_length_field_small, "length-field-small", "",
     "this string needs {0} bytes, more than its length field of {1} {1|byte|bytes} can hold"},
    {fit_typed_line_break, "typed-line-break", "",
     "'\\n' writes a backslash and an n: a line break is a script line's end after its "
     "label, or the label itself"},
    {fit_atlas_reads_shorter, "atlas-reads-shorter", "",
     "the Atlas inserter does not read the table text \"{0}\" ({1} characters) here, as "
     "--insert does: a text's length past 255, or a bare line break's <LINE>, is lost to it"},
    {fit_pascal_too_long, "pascal-string-too-long", "",
     "this string needs {0} bytes, more than its Pascal length of {1} {1|byte|bytes} can hold"},
    {fit_not_in_table_times, "not-in-insertion-table-times", "",
     "'{0}' is not in the insertion table ({1} times, the first here)"},
    {fit_no_lower_case, "no-lower-case", "",
     "the insertion table has no lower-case letters: {0} are used, {1} times in all (the first "
     "here)"},
    {fit_no_upper_case, "no-upper-case", "",
     "the insertion table has no upper-case letters: {0} are used, {1} times in all (the first "
     "here)"},
    {fit_no_digits, "no-digits", "",
     "the insertion table has no digits: {0} are used, {1} times in all (the first here)"},
    {fit_set_length_no_end, "set-length-without-text-or-end", "",
     "no text follows for the string of this pointer, so the inserter writes nothing for it "
     "(the insertion table has no end token: give it a text, <$XX> bytes for its bytes)"},
    // Text boxes.
    {fit_line_over_box, "line-over-box", "",
     "this line is {0} characters wide, {1} more than the box's {2}"},
    {fit_line_over_box_pixels, "line-over-box-pixels", "",
     "this line is {0} pixels wide, {1} more than the box's {2}"},
    {fit_page_over_box, "page-over-box", "",
     "this page has {0} lines, {1} more than the box's {2}"},
    {fit_line_over_original, "line-over-original", "",
     "this line is {0} characters wide, {1} more than the widest line of its block's original "
     "text ({2}); give --box to check it against the box"},
    {fit_line_over_original_pixels, "line-over-original-pixels", "",
     "this line is {0} pixels wide, {1} more than the widest line of its block's original "
     "text ({2}); give --box to check it against the box"},
    {fit_text_no_width, "text-without-width", "",
     "'{0}' has no width in the width table: counted as 0 pixels"},
    {box_form, "box-form", "",
     "a box is COLUMNS or COLUMNSxLINES (PIXELSxLINES with --widths), numbers above 0, not "
     "\"{0}\""},
    {box_widths_line, "widths-line", "",
     "line {0} of the width table is not TEXT=WIDTH (pixels, in decimal): \"{1}\""},
    // --insert.
    {insert_block_outside, "block-outside-rom", "",
     "the block at ${0} writes up to ${1}, past the ROM's end ({2} bytes)"},
    {insert_slot_outside, "pointer-slot-outside-rom", "",
     "the pointer slot ${0}-${1} lies past the ROM's end ({2} bytes)"},
    {insert_length_outside, "length-outside-rom", "",
     "the length field ${0}-${1} lies past the ROM's end ({2} bytes)"},
    {insert_pointer_reaches, "proof-pointer", "",
     "read back, the pointer at ${0} reaches {1}, not its string at ${2}"},
    {insert_string_differs, "proof-string", "",
     "read back, the string at ${0} does not decode to the script's text from ${1} on"},
    {insert_length_differs, "proof-length", "",
     "read back, the length field at ${0} holds {1}, not the string's {2} bytes"},
    {insert_stray_byte, "proof-stray-byte", "",
     "byte ${0} changed outside every block, pointer slot, length field and checksum"},
    {insert_checksum_wrong, "checksum-wrong-before", "",
     "the ROM's {0} at ${1} was wrong before insertion: it is left as it was"},
    {insert_no_free_room, "no-free-room", "",
     "the string of {0} bytes at ${1} fits neither its block nor free space its pointers reach"},
    {insert_free_outside, "free-outside", "",
     "--free {0}: a range lies outside the ROM, or runs backwards"},
}};

// The rows are in id order: a row out of place fails to compile.
static_assert(rows_in_order(ROWS), "the rows of the report table follow the order of ReportId");

} // namespace

const ReportText& report_row(ReportId id) {
  const auto i = static_cast<std::size_t>(id);
  return i < ROWS.size() ? ROWS[i] : mode_report_rows()[i - ROWS.size()];
}

std::string filled(std::string_view text, std::span<const std::string> args) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t close = text.find('}', i);
    if (text[i] != '{' || close == std::string_view::npos) {
      out += text[i];
      continue;
    }
    const std::string_view field = text.substr(i + 1, close - i - 1);
    const auto n = static_cast<std::size_t>(field[0] - '0');
    const std::string& arg = n < args.size() ? args[n] : std::string();
    const std::string_view form = field.substr(1);
    if (form == ":hexerror") {
      std::string line = hex_error_text(arg.empty() ? '\0' : arg[0]);
      line.pop_back(); // the line end
      out += line;
    } else if (form.starts_with('|')) {
      const std::size_t bar = form.find('|', 1);
      out += arg == "1" ? form.substr(1, bar - 1) : form.substr(bar + 1);
    } else {
      out += arg;
    }
    i = close;
  }
  return out;
}

std::string report_text(const Report& report) {
  return filled(report_row(report.id).text, report.args);
}

} // namespace textdump
