// Whole-file reads by name, for table files and the ROM's fallback path.
#pragma once

#include <string>
#include <string_view>

namespace textdump {

enum class ReadStatus {
  ok,
  cannot_open, // missing, unreadable, or not a regular file (a directory, say)
  read_error,  // opened, but a read failed part way
};

// Reads the whole named file into bytes (replacing what it held).
ReadStatus read_file(const std::string& name, std::string& bytes);

// Reads everything left in an open descriptor into bytes (replacing what it held).
ReadStatus read_all(int fd, std::string& bytes);

// True when the name opens for reading as a file; directories do not.
bool file_opens(const std::string& name);

// A name as the file system sees it: up to its first NUL character. A table
// digit of 0xD0 writes a NUL into the table file name and so shortens it.
std::string name_until_nul(std::string_view name);

} // namespace textdump
