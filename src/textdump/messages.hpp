// Every way a run can end, the message it prints, and its exit status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textdump {

enum class Failure {
  none,          // complete run: "END PROGRAM.\n" in the dialogue
  input_ended,   // standard input ended before the five answers were read
  rom_open,      // the ROM file cannot be opened
  rom_too_large, // the ROM file is larger than a 32-bit offset reaches
  rom_changed,   // the ROM file shrank while it was read
  table_too_large, // the table file is larger than any real table
  dump_create,   // the dump file cannot be created
  dump_is_input, // the dump file is the ROM file or the table file
  table_open,    // the table file cannot be opened
  table_read,    // the loader printed "Couldn't read table file.\n" and paused
  table_switch,  // a switch or restore could not reopen or reload (message given)
  dump_write,    // a write, flush or close of the dump file failed
  usage,         // command line not understood
};

// 0 after a complete run, 2 for a command line not understood, 1 for every failure.
int exit_status(Failure failure);

inline constexpr std::string_view BANNER = "Quarvel. v0.03 by Zebrinth\n";
// --version prints this, then TEXTDUMP_VERSION (textdump_version.hpp) and a line end.
inline constexpr std::string_view VERSION_PREFIX = "textdump ";
inline constexpr std::string_view END_PROGRAM = "END PROGRAM.\n";

// Names are shown up to a NUL, as the file system sees them.
std::string message_rom_open(std::string_view romfile);
std::string message_table_open(std::string_view tablefile);
std::string message_dump_create(std::string_view dumpfile, int error);
std::string message_dump_is_input(std::string_view dumpfile, std::string_view which);
std::string message_dump_write(std::string_view dumpfile, int error);
std::string message_input_ended();
std::string message_rom_too_large(std::string_view romfile);
std::string message_rom_changed(std::string_view romfile);
std::string message_table_too_large(std::string_view tablefile);

// Warnings of command-line runs, on standard error; the run goes on.
std::string warning_no_end_for_snes();
std::string warning_end_past_rom(std::uint32_t end_offset, std::uint64_t rom_size);
std::string warning_long_keys(std::string_view tablefile, std::size_t count, std::size_t line,
                              std::string_view content);

// A line of a file as the console can show it: control characters and bytes
// that are not UTF-8 written as \xHH.
std::string printable(std::string_view bytes);

// 6805 as "6,805".
std::string with_commas(std::size_t n);

} // namespace textdump
