#include "app/common/messages.hpp"

#include <cstdio>
#include <cstring>

#include "core/base/numbers.hpp"
#include "core/base/utf8.hpp"
#include "io/rom_image.hpp"

namespace textdump {

namespace {

std::string shown(std::string_view name) {
  return std::string(name.substr(0, name.find('\0')));
}

std::string quoted(std::string_view name) {
  return "\"" + shown(name) + "\"";
}

} // namespace

int exit_status(Failure failure) {
  switch (failure) {
  case Failure::none: return 0;
  case Failure::usage: return 2;
  default: return 1;
  }
}

std::string hex_error_text(char c) {
  const auto widened =
      static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  char text[32];
  std::snprintf(text, sizeof text, "HEX VALUE ERROR:%x\n", widened);
  return text;
}

std::string message_input_ended() {
  return "Input ended before all five answers were given.\n";
}

std::string message_rom_open(std::string_view romfile) {
  return "Can't open the ROM file " + quoted(romfile) + ".\n";
}

std::string message_rom_too_large(std::string_view romfile) {
  return "The ROM file " + quoted(romfile) + " is larger than 4 GiB, the most an offset reaches.\n";
}

std::string message_rom_stream_too_large(std::string_view romfile) {
  return "The ROM file " + quoted(romfile) + " is not a regular file and gives more than " +
         std::to_string(STREAM_ROM_LIMIT >> 20) +
         " MiB, the most read from a pipe or device; give the ROM as a file.\n";
}

std::string message_rom_changed(std::string_view romfile) {
  return "The ROM file " + quoted(romfile) + " changed while it was read.\n";
}

std::string message_table_open(std::string_view tablefile) {
  return "Can't open the table file " + quoted(tablefile) + ".\n";
}

std::string message_table_too_large(std::string_view tablefile) {
  return "The table file " + quoted(tablefile) +
         " is larger than 64 MiB; no table is that large.\n";
}

std::string message_table_unreadable(std::string_view tablefile) {
  return "Couldn't read table file " + quoted(tablefile) + ".\n";
}

std::string message_table_error(std::string_view tablefile, std::size_t line, std::size_t column,
                                std::string_view what) {
  std::string text = shown(tablefile);
  text += ":" + std::to_string(line) + ":" + std::to_string(column) + ": error: ";
  text += what;
  text += "\n";
  return text;
}

std::string message_output_create(std::string_view role, std::string_view name, int error) {
  return "Can't create the " + std::string(role) + " " + quoted(name) + ": " +
         std::strerror(error) + ".\n";
}

std::string message_output_is_input(std::string_view role, std::string_view name,
                                    std::string_view which) {
  return "Won't write the " + std::string(role) + " " + quoted(name) + ": it is " +
         std::string(which) + ".\n";
}

std::string message_insertion_table_is_input(std::string_view name, std::string_view which) {
  std::string text = message_output_is_input("insertion table", name, which);
  text.insert(text.size() - 2, "; give it another name with --atlas-table FILE");
  return text;
}

std::string message_output_write(std::string_view role, std::string_view name, int error) {
  return "Can't write the " + std::string(role) + " " + quoted(name) + ": " + std::strerror(error) +
         ".\n";
}

std::string message_output_is_output(std::string_view role, std::string_view name,
                                     std::string_view other_role) {
  return message_output_is_input(role, name, "the " + std::string(other_role));
}

std::string message_dump_create(std::string_view dumpfile, int error) {
  return message_output_create("dump file", dumpfile, error);
}

std::string message_dump_is_input(std::string_view dumpfile, std::string_view which) {
  return message_output_is_input("dump file", dumpfile, which);
}

std::string message_dump_write(std::string_view dumpfile, int error) {
  return message_output_write("dump file", dumpfile, error);
}

std::string usage_error_text(std::string_view why) {
  return "textdump: " + std::string(why) + "\nTry 'textdump --help'.\n";
}

std::string usage_unknown_option(std::string_view option) {
  return "unknown option " + printable(option);
}

std::string usage_bad_offset(std::string_view which, std::string_view word) {
  return std::string(which) + " \"" + printable(word) +
         "\" is not a hexadecimal offset of one to eight digits.";
}

std::string usage_no_position(std::string_view what, std::string_view map) {
  return printable(what) + ": the ROM holds no such " + std::string(map) + " address.";
}

std::string usage_end_below_start(std::string_view end, std::string_view start) {
  return "END " + std::string(end) + " is below START " + std::string(start) + ".";
}

std::string usage_needs_value(std::string_view option) {
  std::string text(option);
  text += " needs a value";
  return text;
}

std::string usage_bad_encoding(std::string_view name) {
  return "unknown table encoding \"" + printable(name) +
         "\" (use utf-8, windows-1252, shift-jis, euc-jp, euc-kr, big5, gbk, utf-16le or "
         "utf-16be)";
}

std::string usage_bad_number(std::string_view option, std::string_view value) {
  return std::string(option) + " \"" + printable(value) + "\" is not a decimal number above 0";
}

std::string usage_takes_no_value(std::string_view option) {
  return std::string(option) + " takes no value";
}

std::string usage_requires(std::string_view option, std::string_view modes) {
  return std::string(option) + " requires " + std::string(modes);
}

std::string usage_excludes(std::string_view mode, std::string_view option) {
  return std::string(mode) + " excludes " + std::string(option);
}

std::string usage_names(std::string_view mode, std::string_view names, std::size_t wanted,
                        std::size_t given) {
  std::string text(mode);
  if (wanted == 0)
    text += " takes no names";
  else
    text += " takes " + std::to_string(wanted) + (wanted == 1 ? " name, " : " names, ") +
            std::string(names);
  return text + "; " + std::to_string(given) + " given";
}

std::string usage_pointers_past_rom(std::string_view argument, std::uint32_t at, std::uint64_t fits,
                                    std::uint64_t rom_size) {
  const std::string rom = "the ROM file (" + with_commas(rom_size) + " bytes)";
  if (fits == 0)
    return "--pointers " + std::string(argument) + ": its first pointer at $" + hex_number(at) +
           " lies outside " + rom;
  return "--pointers " + std::string(argument) + ": " + rom + " holds at most " +
         with_commas(fits) + (fits == 1 ? " pointer" : " pointers") + " from $" + hex_number(at) +
         ": give count=" + std::to_string(fits) + " or less";
}

std::string usage_two_on_standard_output(std::string_view role, std::string_view other_role) {
  return "the " + std::string(other_role) + " and the " + std::string(role) +
         " cannot both go to standard output (\"-\")";
}

std::string message_no_end_entry(std::string_view tablefile) {
  return "The table file " + quoted(tablefile) +
         " has no end entry, so no string would end: give --end next or --end fixed:N.\n";
}

std::string message_no_end_entry_to_find(std::string_view tablefile) {
  return "The table file " + quoted(tablefile) +
         " has no end entry, so no string start can be told: add one (/XX).\n";
}

std::string message_no_table_beside(std::string_view scriptfile) {
  return "The script file " + quoted(scriptfile) +
         " is not a regular file, so the insertion table cannot go beside it: give "
         "--atlas-table FILE.\n";
}

std::string message_script_error(std::string_view what) {
  return "Error: " + std::string(what) + ".\n";
}

std::string message_no_strings(std::size_t pointers) {
  return "Error: none of the " + std::to_string(pointers) +
         " pointers leads to a string in the ROM file (outside it, or null); nothing was "
         "written: check base= and map= of --pointers.\n";
}

std::string message_no_range_strings(std::string_view start, std::string_view end) {
  return "Error: --range " + printable(start) + "-" + printable(end) +
         " holds no string, only padding; nothing was written.\n";
}

std::string message_script_summary(const ScriptSummary& summary) {
  const auto counted = [](std::size_t n, std::string_view one, std::string_view more) {
    return with_commas(n) + " " + std::string(n == 1 ? one : more);
  };
  std::string text = counted(summary.strings, "string", "strings") + ", " +
                     counted(summary.pointers, "pointer", "pointers") + ", " +
                     counted(summary.blocks, "block", "blocks") + ", " + with_commas(summary.used) +
                     " of " + counted(summary.room, "byte", "bytes") + " of room used; wrote ";
  for (std::size_t i = 0; i < summary.outputs.size(); ++i) {
    const auto& [role, name] = summary.outputs[i];
    if (i > 0) text += i + 1 == summary.outputs.size() ? " and " : ", ";
    text += "the " + role + (name == "-" ? " to standard output" : " " + quoted(name));
  }
  return text + ".\n";
}

std::string warning_no_end_for_snes() {
  return "Warning: the table has SNES entries but no END entry: every string they point to "
         "runs to the end of the ROM file.\n";
}

std::string warning_end_past_rom(std::uint32_t end_offset, std::uint64_t rom_size) {
  char text[160];
  std::snprintf(text, sizeof text,
                "Warning: END %X lies past the end of the ROM file (%llu bytes): every offset "
                "after it is written as the byte FF.\n",
                end_offset, static_cast<unsigned long long>(rom_size));
  return text;
}

std::string warning_long_keys(std::string_view tablefile, std::size_t count, std::size_t line,
                              std::string_view content) {
  return "Warning: " + quoted(tablefile) + " has " + with_commas(count) +
         (count == 1 ? " line" : " lines") +
         " with keys of four or more digits, which this table format reads as one-byte codes "
         "(first: line " +
         with_commas(line) + ": " + printable(content) + ").\n";
}

std::string warning_keys_again(std::string_view tablefile, std::size_t count, std::size_t line,
                               std::string_view content) {
  return "Warning: " + quoted(tablefile) + " defines " + with_commas(count) +
         (count == 1 ? " key" : " keys") + " again, the later line winning (first: line " +
         with_commas(line) + ": " + printable(content) + ").\n";
}

std::string message_no_such_table(std::string_view tablefile, std::string_view name) {
  return quoted(tablefile) + " has no table named " + quoted(printable(name)) + ".\n";
}

std::string warning_parameters_past_rom(std::size_t count, std::uint64_t offset) {
  return "Warning: " +
         std::string(count == 1 ? "a control code's parameters run"
                                : with_commas(count) + " control codes' parameters run") +
         " past the end of the ROM file (first at offset " + hex_number(offset) +
         "): only the bytes in the file are written.\n";
}

std::string printable(std::string_view bytes) {
  std::string text;
  const auto escape = [&text](unsigned char c) {
    text += "\\x";
    text += hex_byte(c);
  };
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = c < 0x20 || c == 0x7F ? 0 : utf8_sequence_at(bytes, i);
    if (length == 0) {
      escape(c);
      ++i;
      continue;
    }
    text.append(bytes.substr(i, length));
    i += length;
  }
  return text;
}

} // namespace textdump
