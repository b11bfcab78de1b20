// The program's own messages as ids, and every way a run can end.
//
// Contract:
// - Every text the program prints that is not a core report (ReportId) has a
//   MessageId: the dialogue, usage errors, failures, warnings, progress and
//   summaries. Its words are a row of the one catalogue (app/common/report_text.hpp),
//   written as core's reports are: {N} the Nth argument, {N|one|many} a word
//   that agrees with the number argument N is.
// - A message is one line, printed with its line end (say); the dialogue's
//   banner, prompts and pause are printed as they are (say_text).
// - The arguments are written as the text shows them: names up to a NUL
//   (shown), bytes of a file escaped (printable), numbers in decimal with commas
//   unless the id says otherwise.
// - A run ends with a Failure; exit_status maps it to the process's status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace textdump {

// Arguments are listed after each id, in order.
enum class MessageId : std::uint16_t {
  // The dialogue, as it always was.
  banner,                 //
  prompt_rom,             //
  prompt_table,           //
  prompt_dump,            //
  prompt_start,           //
  prompt_end,             //
  end_program,            //
  press_enter,            //
  input_ended,            //
  hex_value_error,        // the character widened as a signed byte, in lower-case hex
  table_unreadable_short, // (the dialogue's failed read of a table)
  version,                // the version
  // Inputs that cannot be had.
  rom_open,               // the ROM file's name
  rom_too_large,          // the name
  rom_stream_too_large,   // the name, the most read from a pipe, in MiB
  rom_changed,            // the name
  table_open,             // the table file's name
  table_too_large,        // the name
  table_unreadable,       // the name
  no_such_table,          // the table file's name, the --table name
  script_unreadable,      // the script file's name
  widths_unreadable,      // the width table's name
  widths_wrong,           // the width table's name, the words of the report
  kana_unreadable,        // the kana order file's name
  kana_unusable,          // the report on it
  letter_order_unreadable, // the letter order file's name
  word_unsearchable,      // the report on the word
  out_of_memory,          //
  frames_too_deep,        // the most frames a switch may nest
  patch_cannot_make,      // the patch file's name (quoted), why
  patch_cannot_apply,     // the patch file's name, the ROM file's name (quoted), why
  // Outputs that cannot be written, and their roles and the inputs they would be.
  output_create,          // role, name, the system's reason
  output_is_input,        // role, name, the input (input_*)
  output_is_output,       // role, name, the other output's role
  output_write,           // role, name, the system's reason
  insertion_table_is_input, // name, the input
  no_table_beside,        // the script file's name
  report_write,           // the system's reason
  role_dump_file,
  role_script_file,
  role_insertion_table,
  role_json_file,
  role_svg_file,
  role_draft_table,
  role_patch_file,
  role_rom_file,
  role_original_file,
  role_modified_file,
  role_patched_file,
  role_out_rom,
  input_rom,
  input_table,
  input_member_table,
  input_kana_order,
  input_letter_order,
  input_patch,
  input_original,
  input_modified,
  file_offsets,           // the "map" of positions typed without --map
  // Diagnostics on a line of a file: file, line, column, what.
  diagnostic_error,
  diagnostic_warning,
  diagnostic_note,
  diagnostic_file_error,  // file, what: a report without a line
  diagnostic_file_warning, // file, what
  // Usage errors: usage_error frames the others.
  usage_error,            // why
  mode_dump,              // what usage errors call the plain dump
  usage_in_option,        // the option (or its words), why
  usage_report,           // the words of a core report on an argument
  usage_unknown_option,   // the word (printable)
  usage_needs_value,      // the option
  usage_repeated,         // the option
  usage_takes_no_value,   // the option
  usage_requires,         // the option, the modes ("--script or --find-pointers")
  usage_excludes,         // the mode, the option
  usage_takes_no_names,   // the mode ("--help", "a dump"), how many given
  usage_takes_names,      // the mode, how many it takes, the names, how many given
  usage_bad_offset,       // START or END, the word (printable)
  usage_end_below_start,  // before END ("" or "--range "), END and START as given
  usage_no_position,      // what was typed (printable), the map
  usage_bad_encoding,     // the name (printable)
  usage_bad_number,       // the option, the value (printable)
  usage_bad_size,         // the option, the value (printable)
  usage_width,            // the value
  usage_order,            // the value
  usage_fit_for,          // the value
  usage_fill,             // the value
  usage_free,             // the value
  usage_free_fit,         // the value
  usage_map_list,         // the list, the maps
  usage_map_list_empty,   //
  usage_size_list,        // the list
  usage_size_list_empty,  //
  usage_map_with_dump,    //
  usage_map_without_range, //
  usage_map_with_script,  //
  usage_script_to_stdout, //
  usage_pointed_needs_map, //
  usage_pointers_outside, // the argument, at (hex), the ROM's size
  usage_pointers_past_rom, // the argument, the ROM's size, how many fit, at (hex), how many (no commas)
  usage_pointers_overlap,  // the two arguments, the byte they share (hex)
  usage_two_on_standard_output, // the other role, the role
  usage_records_field,    // the field as given (printable)
  usage_records_repeated, // the field as given (printable)
  usage_records_required, //
  usage_records_field_past, // the field, the stride
  usage_records_fields_overlap, // the two fields
  usage_records_past_rom, // the argument, the ROM's size
  usage_ranges_overlap,   // the two options as given ("--range 100-1FF")
  // Warnings of a dump before and after it runs.
  warning_no_end_for_snes, //
  warning_end_past_rom,   // END (upper-case hex), the ROM's size (no commas)
  warning_long_keys,      // the table file, how many lines, the first's number, its text
  warning_keys_again,     // the table file, how many keys, the first's line, its text
  warning_parameter_past_rom,  // the offset (hex)
  warning_parameters_past_rom, // how many, the offset (hex)
  // Script dumps.
  no_end_entry,           // the table file
  no_end_entry_to_find,   // the table file
  script_error,           // the report
  script_warning,         // the report
  no_strings,             // how many pointers (no commas)
  no_range_strings,       // START, END (printable)
  script_summary,         // strings, pointers, blocks, bytes used, bytes of room, the outputs
  output_named,           // role, name
  output_to_stdout,       // role
  list_and,               // the items before the last (", " between them), the last
  list_or,                // the items before the last, the last
  script_header_title,    // the version
  script_header_rom,      // the ROM's file name, its size (no commas), its SHA-256
  script_header_table_standard, // the table's file name
  script_header_table_own, // the table's file name
  script_header_insertion_table, // the insertion table's name
  // --fit's blocks.
  fit_block_bounded,      // number, start, last (hex), bytes used, bytes of room (no commas)
  fit_block_open,         // number, start (hex), bytes used (no commas)
  // --insert's report.
  insert_block,           // number, start, last (hex), bytes used, room, left (no commas)
  insert_written,         // pointers, length fields written
  insert_checksum_fixed,  // the checksum's name, its offset (hex)
  insert_checksum_right,  // the name, the offset
  insert_checksum_kept,   // the name, the offset: wrong before, left as it was
  insert_no_checksums,    //
  insert_expanded,        // the ROM's size before, after (with commas), the fill byte (hex)
  insert_moved,           // line, bytes, its block's line, to (hex)
  insert_shared,          // line, bytes, its block's line, to (hex): pointed into an equal copy
  insert_free_left,       // bytes left, ranges
  insert_share_saved,     // bytes not written
  fit_placed,             // strings moved: --free would place the script
  fit_share_would_save,   // bytes
  progress_inserting,     // the step, padded
  progress_reading,       //
  progress_proving,       //
  // The table checker.
  check_where_line,       // line (no commas)
  check_where_column,     // line, column (no commas)
  check_report,           // where, what, the line's text
  check_note,             // where, what, the line's text
  check_more,             // how many more, the first's line, the last's line
  severity_error,         // the report
  severity_warning,       // the report
  check_snes_without_end, //
  check_looks_standard,   //
  check_value_not_utf8,   // the encodings that read it
  check_values_not_utf8,  // how many, the encodings that read them
  check_value_unread,     //
  check_values_unread,    // how many
  check_own_summary,      // entries, text, line break, wait, end, FIXED, SNES, TABLE, problems
                          // (all without commas)
  check_entries,          // entries, text, end, line break, control, switch, the key lengths
  check_key_length,       // bytes of a key (no commas), how many keys
  check_no_keys,          //
  check_box_breaks,       // the keys (and labels) that end a line, those that end a page
  check_string_ends,      //
  check_summary,          // the entries, problems (no commas)
  check_table_entries,    // the table's id, its entries
  check_summary_tables,   // entries, tables, problems (no commas)
  // The searches.
  progress_searching,     // what is searched now, padded
  progress_text_scan,     // the layout (layout_*), the letter system, the word
  progress_set_length,    // what the finder's search for strings of set length is called
  // The searches' reports (numbers without commas, offsets as the ROM's map shows them).
  candidate_heading,      // rank, score, the map, pointer size, order, stride
  map_with_base,          // the map, the base's sign ("" or "-"), the base (hex)
  candidate_table,        // at, count, first target, last target, strings, count, the seen
  seen_null_entries,      // how many
  seen_empty_strings,     // how many
  candidate_pointers,     // the --pointers argument, the seen
  candidate_end,          // the --end rule
  candidate_string,       // the string's text
  place_line,             // where, the map, size, order, the value (hex), the --pointers argument
  text_candidate_heading, // rank, score, the layout, its letter order (or ""), hits, words
  text_candidate_heading_some, // rank, score, the layout, its letter order (or ""), hits,
                          // the words with hits, the words
  text_no_hit,            // the words without a hit, quoted, joined by ", "
  text_kana_order,        // the order (order_*)
  order_alphabetical,     //
  order_named,            // the letter system's name ("gojuon")
  order_of_file,          // the letter order file's name
  layout_one_byte,        //
  layout_two_bytes,       // the byte order ("le")
  text_bases,             // the bases, how many runs
  text_seen_same,         // the character, its code
  text_seen_varies,       // the character
  text_space,             //
  text_hit,               // offset (hex), its bytes, the word
  text_more_hits,         // how many
  text_context,           // offset (hex), the text
  survey_span,            // offset, the address column, the kind column, the bytes
  survey_bytes,           // how many
  survey_text,            // the first words
  survey_points_into,     // the first and last offsets of the text
  survey_free,            // the byte (hex)
  survey_table_name,      // rank, the map, how many pointers
  seen_reverse_order,     //
  // The survey's picture (numbers without commas).
  svg_title,              // the ROM's name, its size
  svg_title_map,          // the ROM's name, its size, its platform's map
  svg_key_text,           // bytes
  svg_key_pointers,       // bytes
  svg_key_free,           // bytes
  svg_key_other,          //
  svg_key_link,           //
  svg_scale,              // a row's bytes (hex), the banks, a pixel's bytes, the address
  svg_scale_banks,        // banks a row, a bank's bytes (hex)
  svg_scale_address,      //
  svg_table_title,        // the table's name, its first and last offsets, those of its text
  finder_none,            //
  pointers_to_heading,    // the offset (and address), the text there
  pointers_to_none,       //
  pointers_to_places,     // how many (no commas)
  text_none,              //
  no_draft_table,         //
  survey_no_end,          // the table file (printable)
  survey_totals,          // bytes of text, runs, bytes of tables, tables, bytes free, runs,
                          // bytes else, the ROM's size (all without commas)
  // Exchange files (--export, --import, --script --translations).
  exchange_unreadable,    // the file's role, its name
  exchange_extension,     // the mode or option, the name (printable)
  role_exchange_file,
  input_script,
  line_error,             // file, line, what
  line_warning,           // file, line, what
  line_note,              // file, line, what
  exchange_malformed,     // the file, how many problems: nothing written
  export_summary,         // how many strings, the output ("the exchange file \"x.po\"")
  import_summary,         // written, untranslated, left out, the script file (no commas)
  translations_summary,   // the file, how many carried over, how many left out (no commas)
  count_                  // not an id: how many there are
};

// A message: its id and its arguments.
struct Message {
  MessageId id{};
  std::vector<std::string> args{};
};

enum class Failure {
  none,           // complete run: "END PROGRAM.\n" in the dialogue
  input_ended,    // standard input ended before the five answers were read
  rom_open,       // the ROM file cannot be opened
  rom_too_large,  // the ROM file is larger than a 32-bit offset reaches (or, not a
                  // regular file, than is read into memory)
  rom_changed,    // the ROM file shrank while it was read
  dump_create,    // the dump file cannot be created (or emptied)
  dump_is_input,  // the dump file is the ROM file or a table file
  table_open,     // the table file cannot be opened
  table_read,     // the table file opened but could not be read (or is too large)
  table_invalid,  // a standard table has errors (each printed with its line)
  script_invalid, // a script dump cannot be made (no end entry; a string would not round-trip)
  table_switch,   // a switch or restore could not load its member (message given)
  dump_write,     // a write, flush or close of the dump file failed
  output_refused, // another output is an input or an output, or cannot be created
  output_write,   // another output could not be written or put in place
  table_problems, // the checker reported a problem of a table
  search_refused, // a search cannot run: no end entry, a kana order or word it cannot use
  not_found,      // a search found no candidate
  script_unfit,   // an edited script cannot be read or would not insert as meant
  exchange_invalid, // an exchange file is malformed, or cannot be read
  patch_refused,  // a patch cannot be made, or will not apply to the ROM (message given)
  out_of_memory,  // the run needed more memory than it could have
  frames_too_deep, // a table's switches nested frames past the decoder's bound
  usage,          // command line not understood
};

// 0 after a complete run, 2 for a command line not understood, 1 for every failure.
int exit_status(Failure failure);

// The message's words, without a line end; a line of them.
std::string message_text(const Message& message);
std::string message_line(const Message& message);
// The words of a message without arguments (a role, an input).
std::string text_of(MessageId id);

// A usage error as printed: "textdump: WHY" and a line that points to --help.
std::string usage_error_text(const Message& why);

// A character that is not a hexadecimal digit: "HEX VALUE ERROR:" and its value
// widened as a signed byte, in lower-case hex (0xE9 shows as ffffffe9), a line.
std::string hex_error_text(char c);

// A name as messages show it: up to its first NUL, as the file system sees it.
std::string shown(std::string_view name);

// A line of a file as the console can show it: control characters and bytes
// that are not UTF-8 written as \xHH.
std::string printable(std::string_view bytes);

// "a, b and c"; "a or b or c".
std::string and_list(const std::vector<std::string>& items);
std::string or_list(const std::vector<std::string>& items);

} // namespace textdump
