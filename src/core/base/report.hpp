// Reports: what core finds wrong with an input, or worth a note, as data.
//
// Contract:
// - Every kind of report has one ReportId; an id never changes meaning, and a
//   new kind of report gets a new id. Core never writes a report's words: the
//   app turns {id, arguments} into text through one table (app/common/report_text.hpp).
// - line and column count from 1; 0 means the report has none (a ROM's reports
//   name their offsets among the arguments).
// - Positions in a ROM are written "$OFFSET" or "$OFFSET (ADDRESS)", as a
//   script's // lines show them (a script without addresses: the offset alone).
// - The arguments are the parts of the text that vary, in the order the id
//   documents, already written as the text shows them (numbers in decimal or
//   hex as the id says, keys as hex bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace textdump {

enum class Severity { error, warning, note };

// Arguments are listed after each id, in order.
enum class ReportId : std::uint16_t {
  // Standard tables.
  std_backslash,            // a line beginning with "\"
  std_name_invalid,         // an empty "@" id, or one with "<" or ">"
  std_name_again,           // id
  std_table_unknown,        // id: a switch names no table of the file
  std_table_unused,         // id
  std_switch_loop,          // id: weight-0 switches nest without end
  std_weight,               // a key's <W> that is not 0 to 999999999
  std_key_missing,          //
  std_key_not_hex,          //
  std_key_odd,              //
  std_key_long,             //
  std_value_encoding,       // a value that does not convert to UTF-8
  std_file_encoding,        // the whole file does not convert
  std_control_character,    // the control character's byte, 2 hex digits
  std_key_again,            // key (hex bytes), the line that defined it before
  std_artificial_end,       // "/" without a key
  std_control_needs_equals, //
  std_control_empty,        //
  std_control_fields,       // more than 255 parameters
  std_control_directive,    // the label: FIXED, SNES or TABLE
  std_switch_needs_equals,  //
  std_text_needs_equals,    //
  std_prefix,               // key, the longer key (hex bytes)
  std_value_not_utf8,       // the checker's note on a table read as UTF-8
  // The value of a standard table's switch line.
  switch_label_open,
  switch_label_angle,
  switch_form,
  switch_label_comma,
  switch_id_open,
  switch_id_empty,
  switch_id_colon,
  switch_id_back,
  switch_until,
  switch_frame,
  switch_back_plus,
  switch_back_last,
  switch_param,
  switch_raw_zero,
  switch_separator,
  // The tool's own table format.
  own_hex_missing_at_file_end,  // the character (one byte), its column
  own_hex_missing_at_line_end,  // the character, its column
  own_hex_not_digit,            // the character (printable), its column
  own_hex_byte_not_digit,       // the character, its column
  own_keyword_unknown,          // the keyword
  own_keyword_without_comma,    //
  own_empty_field,              // how many (1)
  own_empty_fields,             // how many
  own_text_spaced,              // a text that begins or ends with a space or tab
  own_four_digit_code,          // the four digits, the code (2 hex digits), the text
  own_code_again,               // the code (2 hex digits), the line that defined it before
  own_member_no_digit,          // role ("switch" or "restore")
  own_member_bad_digit,         // role, the member's name (printable)
  own_member_cannot_open,       // role, the member's name
  own_switch_loads,             // the member's name, the digit now, what it becomes
  own_switch_loads_end,         // the member's name, the digit now (it becomes the end)
  // Script dumps.
  script_pointer_outside,      // which pointer: its number, table, index, slot (offset and address)
  script_pointer_null,         // which pointer, its value (hex)
  script_target_outside,       // which pointer, its value (hex)
  script_target_in_table,      // which pointer, its value (hex)
  script_string_cut,           // pointer number, table, start, the maximum length
  script_string_past_bank,     // pointer number, table, start, the bank's last byte
  script_pointer_not_back,     // pointer number, its slot
  script_bytes_not_back,       // the span of the bytes
  script_length_past,          // start, the length its pointer table holds beside the pointer
  script_pascal_length_past,   // start, the length its Pascal length claims
  script_text_owned,           // key (hex bytes), text, the key whose entry has the text
  script_text_control,         // key, "..." (the text holds control characters)
  script_text_raw_form,        // key, text: it reads as a raw byte
  script_text_reads_otherwise, // key, text
  script_text_too_long,        // key, text, the longest text the Atlas inserter reads
  script_more_like_this,       // how many more (in groups of three), the words of the last
  // An edited script dump, as --fit reads it.
  fit_text_without_table,    //
  fit_text_before_jmp,       //
  fit_raw_misread,           // the five characters
  fit_not_in_table,          // the character
  fit_raw_taken,             // the five characters, the table text that takes the first
  fit_block_overflow,        // start, last (hex), bytes needed, how many more, the room
  fit_string_left_empty,     // (as fit_string_cut)
  fit_string_cut,            // bytes kept, bytes it has
  fit_jmp_without_end,       // start (hex)
  fit_string_grew,           // bytes it needs, how many more, bytes it held
  fit_command_form,          //
  fit_arguments,             // command, how many it takes, (again), how many given
  fit_arguments_either,      // command, fewest, most, how many given
  fit_not_number,            // the text
  fit_one_digit_negative,    // the text
  fit_hex_lower_case,        // the text
  fit_not_quoted,            // the argument
  fit_not_that_variable,     // the argument, TABLE or CUSTOMPOINTER
  fit_not_a_name,            // the name
  fit_name_is_number,        // the name
  fit_name_with_k,           // the name
  fit_variable_kind,         //
  fit_table_unreadable,      // the file
  fit_table_comment,         // the file, its line
  fit_table_no_equals,       // the file, its line, the line's text
  fit_table_bad_key,         // the file, its line, the key
  fit_table_never_added,     // the variable
  fit_pointer_bits,          //
  fit_jmp_backwards,         //
  fit_pointer_never_created, // the variable
  fit_unknown_command,       // the command
  fit_set_length_no_text,    // a Pascal or fixed string's pointer with no text after it
  fit_held_length_changed,   // the length it must keep, bytes it has
  fit_fixed_cut,             // bytes it needs, its fixed length
  fit_strtype_value,         //
  fit_pascal_length,         //
  fit_fixedlength_args,      //
  fit_stringalign_value,     //
  fit_negative,              // the number
  fit_address_type,          // the name given
  fit_endianswap_value,      //
  fit_write_before_jmp,      //
  fit_length_field_small,    // the string's bytes, the field's bytes
  fit_typed_line_break,      // a "\n" typed in a text line, which writes its two characters
  fit_atlas_reads_shorter,   // the table text (its start), its characters
  fit_pascal_too_long,       // the string's bytes, the Pascal length's bytes
  fit_not_in_table_times,    // the character, how many times it is used
  fit_no_lower_case,         // how many lower-case letters are used, how many times in all
  fit_no_upper_case,         // (as fit_no_lower_case)
  fit_no_digits,             // (as fit_no_lower_case)
  fit_set_length_no_end,     // as fit_set_length_no_text, in a table without an end token
  // Text boxes (core/script/text_box.hpp).
  fit_line_over_box,             // the line's characters, how many more, the box's
  fit_line_over_box_pixels,      // the line's pixels, how many more, the box's
  fit_page_over_box,             // the page's lines, how many more, the box's
  fit_line_over_original,        // the line's characters, how many more, the widest original's
  fit_line_over_original_pixels, // the line's pixels, how many more, the widest original's
  fit_text_no_width,             // the table text
  box_form,                      // the text given
  box_widths_line,               // the line's number, its text
  // --insert: a script put into a ROM (core/insert), and the proof of what was
  // written; offsets in hex, sizes in decimal.
  insert_block_outside,      // the block's start, its last byte, the ROM's size
  insert_slot_outside,       // the slot, its last byte, the ROM's size
  insert_length_outside,     // the field, its last byte, the ROM's size
  insert_pointer_reaches,    // the slot, the offset its value reaches ("nowhere"), the string's
  insert_string_differs,     // the string's offset, the first offset that differs
  insert_length_differs,     // the field, the length it holds, the string's bytes
  insert_stray_byte,         // the offset
  insert_checksum_wrong,     // the checksum's name, its offset
  insert_no_free_room,       // the string's bytes, its offset in the script's block
  insert_free_outside,       // the --free value: a range the ROM does not hold
  // A --pointers argument: a field's report names the field first.
  pointer_field_form,          // the field
  pointer_at,                  // the field
  pointer_count,               // the field
  pointer_size,                // the field
  pointer_stride,              // the field
  pointer_offset,              // the field
  pointer_length,              // the field
  pointer_order,               // the field
  pointer_map,                 // the field, the maps ("linear, lorom, ... or md")
  pointer_null,                // the field
  pointer_base,                // the field
  pointer_value,               // the field: bank, window or banksize
  pointer_banksize,            // the field
  pointer_unknown_field,       // the field, the map fields ("base, bank, ...")
  pointer_repeated,            // the field
  pointers_at_required,        //
  pointers_count_required,     //
  pointers_offset_past,        //
  pointers_length_past,        //
  pointers_length_overlap,     //
  pointers_gb_size,            //
  pointers_nes_size,           //
  pointers_gba_size,           //
  pointers_at_not_position,    // the map
  pointers_map_field,          // the map, the field it takes not
  pointers_map_field_only,     // the map, the field, the fields it takes ("window=, bank=")
  // A map field's value (--bank, and --map NAME:VALUE).
  map_base,                    //
  map_value,                   //
  map_banksize,                //
  // An --end rule.
  end_pascal,                  // the rule as given
  end_fixed,                   // the rule
  end_rules,                   // the rule
  end_pascal_alone,            // the rule
  end_repeated,                // the rule, the part given twice
  // --find-text: a user's kana order, a word.
  order_not_utf8,              // the file's name
  order_twice,                 // the file's name, the character
  order_no_run,                // the file's name
  word_empty,                  //
  word_no_run,                 // the word
  word_repeated_letter,        // the word
  // Patches: making one (--make-patch) and applying one (--apply-patch). The
  // format is BPS, IPS or UPS; a byte of a patch is its offset in decimal, a
  // CRC32 eight hex digits, a size in decimal with commas.
  patch_not_format,            // the format, the bytes it begins with ("BPS1")
  patch_damaged,               // the format, the CRC32 of its bytes, the CRC32 it holds
  patch_cut,                   // the format, the byte where the record that runs past its end begins
  patch_no_end,                //
  patch_after_end,             // how many bytes, the byte of the end marker
  patch_number_large,          // the format, the byte where the number's record begins
  patch_wrong_rom,             // the ROM's CRC32, its size, the CRC32 and size the patch is for
  patch_copier_header,         // the header's size, the CRC32 without it
  patch_already_applied,       // the format, the ROM's CRC32 (the patch's result's)
  patch_ips_applied,           //
  patch_reads_outside,         // the format, the byte of the record, the ROM's size
  patch_copies_ahead,          // the byte of the record, the bytes made so far
  patch_writes_past,           // the format, the byte of the record, the new file's size
  patch_ips_reach,             // the byte of the record, the last offset it writes (hex)
  patch_result_size,           // the format, the bytes made, the size the patch gives
  patch_result_crc,            // the format, the result's CRC32, the CRC32 the patch gives
  patch_result_too_large,      // the format, the size the patch gives
  patch_ips_too_large,         // the modified file's size
  patch_ips_no_truncation,     // the modified file's size
  patch_extension,             // the patch file's name
  patch_file_open,             // the file's role ("patch file"), its name
  patch_file_too_large,        // the file's role, its name
  patch_file_stream_too_large, // the file's role, its name, the most read from a pipe, in MiB
  // --find-text's draft table: its heading, and why each group of its lines is
  // what it is (codes written as code_text writes them, "$41").
  draft_heading,               // the layout ("2-byte le codes"), the letter order, the
                               // words with their hits (draft_word_hit(s), draft_word_no_hit,
                               // joined by ", ")
  draft_word_hit,              // the word (1 hit)
  draft_word_hits,             // the word, its hits
  draft_no_end,                //
  draft_run,                   // the run, its first and last code, the letters seen (by " ")
  draft_space_varied,          // its hits
  draft_character_varied,      // the character, its hits
  draft_space_taken,           // its code, the text that has that code
  draft_character_taken,       // the character, its code, the text that has that code
  draft_space_same,            // its code, its hits
  draft_character_same,        // the character, its code, its hits
  draft_word_no_hit,           // the word
  // --expand SIZE: a ROM grown at its end (core/maps/rom_header.hpp); sizes in
  // decimal with commas, a cartridge type 2 hex digits.
  expand_map,                  // the map, the maps whose ROMs grow ("linear, gb, gba or md")
  expand_smaller,              // the size, the ROM's size
  expand_too_large,            // the size, the map, the most its ROMs grow to
  expand_no_header,            // the map, the offset of the size field ("$01A4")
  expand_odd,                  // the size
  expand_gb_rom_only,          // the cartridge type
  expand_gb_cartridge,         // the cartridge type
  expand_gb_size,              // the size
  expand_gb_controller,        // the size, the cartridge type, its controller ("MBC1"), its reach
  // Exchange files of a script's strings (.po, .tsv, .csv): what makes one
  // malformed (line is the file's line), then what importing it leaves out.
  exchange_bad_line,           // the line's text (printable)
  exchange_bad_string,         //
  exchange_plural,             //
  exchange_no_id,              //
  exchange_id_again,           // the id, the line of its first entry
  exchange_bad_escape,         // the two characters
  exchange_fields,             // how many fields, how many columns
  exchange_quote,              //
  exchange_open_quote,         //
  exchange_columns,            // the columns it lacks ("id, original")
  exchange_unknown_id,         // the id
  exchange_original_changed,   // the id
  exchange_untranslated,       // the id
  exchange_not_text,           // the id, the line of its translation (printable)
  count_                       // not an id: how many there are
};

struct Report {
  ReportId id{};
  Severity severity = Severity::error;
  std::size_t line = 0, column = 0;
  std::vector<std::string> args;
};

// An error without a place in a file (an argument of the command line).
inline Report error_report(ReportId id, std::vector<std::string> args = {}) {
  return {id, Severity::error, 0, 0, std::move(args)};
}

// A report on a line of a table file: content is the line, a view into the
// parsed bytes.
struct TableReport : Report {
  std::string_view content;
};

} // namespace textdump
