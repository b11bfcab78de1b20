// The message catalogue: every text the tool prints on the console, and every
// way a run can end with its exit status.
//
// Names in messages are shown up to a NUL, as the file system sees them.
// Warnings go on standard error in command-line runs only; the run goes on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/numbers.hpp" // with_commas, for the callers

namespace textdump {

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
  usage,          // command line not understood
};

// 0 after a complete run, 2 for a command line not understood, 1 for every failure.
int exit_status(Failure failure);

// The dialogue.
inline constexpr std::string_view BANNER = "Quarvel. v0.03 by Zebrinth\n";
inline constexpr std::string_view PROMPTS[] = {
    "ROM FILE NAME :", "TABLE FILE NAME :", "DUMP TO FILE :", "START OFFSET :", "END OFFSET :"};
inline constexpr std::string_view END_PROGRAM = "END PROGRAM.\n";
inline constexpr std::string_view PRESS_ENTER = "Press Enter to continue . . .";
// --version prints this, then TEXTDUMP_VERSION (textdump_version.hpp) and a line end.
inline constexpr std::string_view VERSION_PREFIX = "textdump ";
inline constexpr std::string_view COULDNT_READ_TABLE = "Couldn't read table file.\n";

// A character that is not a hexadecimal digit: "HEX VALUE ERROR:" and its value
// widened as a signed byte, in lower-case hex (0xE9 shows as ffffffe9).
std::string hex_error_text(char c);

std::string message_input_ended();
std::string message_rom_open(std::string_view romfile);
std::string message_rom_too_large(std::string_view romfile);
std::string message_rom_stream_too_large(std::string_view romfile); // a pipe or device
std::string message_rom_changed(std::string_view romfile);
std::string message_table_open(std::string_view tablefile);
std::string message_table_too_large(std::string_view tablefile);
std::string message_table_unreadable(std::string_view tablefile); // the checker's
// An error of a standard table: "FILE:LINE:COLUMN: error: WHAT".
std::string message_table_error(std::string_view tablefile, std::size_t line, std::size_t column,
                                std::string_view what);
// Files the tool writes (role: "dump file", "script file", ...).
std::string message_output_create(std::string_view role, std::string_view name, int error);
std::string message_output_is_input(std::string_view role, std::string_view name,
                                    std::string_view which);
std::string message_output_write(std::string_view role, std::string_view name, int error);
// The insertion table of a script dump that is an input: the same, and how to name it.
std::string message_insertion_table_is_input(std::string_view name, std::string_view which);
// other_role: the role of the output declared before it under the same file.
std::string message_output_is_output(std::string_view role, std::string_view name,
                                     std::string_view other_role);
std::string message_dump_create(std::string_view dumpfile, int error);
// which: "the ROM file", "the table file", "a table file"
std::string message_dump_is_input(std::string_view dumpfile, std::string_view which);
std::string message_dump_write(std::string_view dumpfile, int error);

// A usage error as printed: "textdump: WHY" and a line that points to --help.
std::string usage_error_text(std::string_view why);

// Usage errors of the command line: the WHY of usage_error_text.
std::string usage_unknown_option(std::string_view option);
std::string usage_bad_offset(std::string_view which, std::string_view word);
std::string usage_end_below_start(std::string_view end, std::string_view start);
// A position typed as an address that the ROM does not hold under the map.
std::string usage_no_position(std::string_view what, std::string_view map);
std::string usage_needs_value(std::string_view option);
std::string usage_bad_encoding(std::string_view name);
std::string usage_bad_number(std::string_view option, std::string_view value);
std::string usage_takes_no_value(std::string_view option);
// modes: "--script or --find-pointers"
std::string usage_requires(std::string_view option, std::string_view modes);
std::string usage_excludes(std::string_view mode, std::string_view option);
// mode: "--check" or "a dump"; names: "ROM TABLE", wanted of them.
std::string usage_names(std::string_view mode, std::string_view names, std::size_t wanted,
                        std::size_t given);
// A --pointers table that runs past the end of the ROM file: fits is the most
// pointers it can have there.
std::string usage_pointers_past_rom(std::string_view argument, std::uint32_t at, std::uint64_t fits,
                                    std::uint64_t rom_size);
std::string usage_two_on_standard_output(std::string_view role, std::string_view other_role);

// Script dumps.
std::string message_no_end_entry(std::string_view tablefile);
std::string message_script_error(std::string_view what);
std::string message_no_strings(std::size_t pointers);
// --range without --pointers found nothing but padding.
std::string message_no_range_strings(std::string_view start, std::string_view end);
std::string message_no_end_entry_to_find(std::string_view tablefile);
// A finished script dump, for a terminal: its counts, then each output as
// {role, name} ("-" is standard output).
struct ScriptSummary {
  std::size_t strings = 0, pointers = 0, blocks = 0;
  std::size_t used = 0, room = 0; // bytes of the blocks
  std::vector<std::pair<std::string, std::string>> outputs;
};
std::string message_script_summary(const ScriptSummary& summary);
// A script that is not a regular file (a device) has no folder for the default table.
std::string message_no_table_beside(std::string_view scriptfile);

std::string warning_no_end_for_snes();
std::string warning_end_past_rom(std::uint32_t end_offset, std::uint64_t rom_size);
// A standard table: its keys defined again (the first of them), a --table
// that names no table of the file, control parameters past the ROM.
std::string warning_keys_again(std::string_view tablefile, std::size_t count, std::size_t line,
                               std::string_view content);
std::string message_no_such_table(std::string_view tablefile, std::string_view name);
std::string warning_parameters_past_rom(std::size_t count, std::uint64_t offset);
std::string warning_long_keys(std::string_view tablefile, std::size_t count, std::size_t line,
                              std::string_view content);

// A line of a file as the console can show it: control characters and bytes
// that are not UTF-8 written as \xHH.
std::string printable(std::string_view bytes);

} // namespace textdump
