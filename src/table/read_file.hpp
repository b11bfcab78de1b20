// Whole-file reads by name, for table files and the ROM's fallback path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textdump {

enum class ReadStatus {
  ok,
  cannot_open, // missing, unreadable, or not a regular file (a directory, say)
  read_error,  // opened, but a read failed part way
  too_large,   // more bytes than the caller's limit
  changed,     // a regular file that ended before its size said (it shrank)
};

// No real table file comes near this; /dev/zero as a table must not fill memory.
inline constexpr std::uint64_t TABLE_SIZE_LIMIT = std::uint64_t{64} << 20;

// Reads the whole named file into bytes (replacing what it held), at most limit bytes.
ReadStatus read_file(const std::string& name, std::string& bytes,
                     std::uint64_t limit = TABLE_SIZE_LIMIT);

// Reads everything left in an open descriptor into bytes (replacing what it held);
// too_large as soon as more than limit bytes arrive.
ReadStatus read_all(int fd, std::string& bytes, std::uint64_t limit);

// True when the name opens for reading as a file; directories do not.
bool file_opens(const std::string& name);

// A name as the file system sees it: up to its first NUL character. A table
// digit of 0xD0 writes a NUL into the table file name and so shortens it.
std::string name_until_nul(std::string_view name);

} // namespace textdump
