// Files by name: whole-file reads with a size limit, whole writes, file
// identity, and the parts of a path.
//
// Names are used up to their first NUL character, as the file system sees
// them. A directory never opens as a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "io/file_id.hpp"

namespace textdump {

enum class ReadStatus {
  ok,
  cannot_open, // missing, unreadable, or a directory
  read_error,  // opened, but a read failed part way
  too_large,   // more bytes than the caller's limit
  changed,     // a regular file that ended before its size said (it shrank)
};

// No real table file comes near this; /dev/zero as a table must not fill memory.
inline constexpr std::uint64_t TABLE_SIZE_LIMIT = std::uint64_t{64} << 20;
// The most read from what is not a regular file (a pipe, a device such as
// /dev/zero), whatever the caller's limit: its size is known only when it ends.
inline constexpr std::uint64_t STREAM_READ_LIMIT = std::uint64_t{64} << 20;

// Reads the whole named file into bytes (replacing what it held), at most limit bytes.
ReadStatus read_file(const std::string& name, std::string& bytes,
                     std::uint64_t limit = TABLE_SIZE_LIMIT);

// Reads everything left in an open descriptor into bytes (replacing what it
// held); too_large as soon as more than limit bytes arrive (STREAM_READ_LIMIT
// when the descriptor is not a regular file and limit is more).
ReadStatus read_all(int fd, std::string& bytes, std::uint64_t limit);

// Writes every byte to an open descriptor, going on after interruptions: 0, or
// the errno of the write that failed (EIO for one that wrote nothing).
int write_all(int fd, std::string_view bytes);

// True when the name opens for reading as a file.
bool file_opens(const std::string& name);

// A name as the file system sees it: up to its first NUL character.
std::string name_until_nul(std::string_view name);

// The parts of a path: its folder with the last separator (/ or \; empty for
// a bare name), and the file's name after it.
std::string folder_part(std::string_view path);
std::string file_part(std::string_view path);

// The identity of a named file; unknown when it does not exist.
FileId file_id_of(const std::string& name);

// The identity of an open descriptor; unknown when it cannot be had.
FileId file_id_of(int fd);

} // namespace textdump
