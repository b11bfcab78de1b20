// The few system calls on files that the io layer makes, the same on Linux and
// Windows: open, read, write, stat, truncate, remove, close, by descriptor.
#pragma once

#include <cstdint>
#include <string>

#include "io/files.hpp"

namespace textdump::system_files {

enum class Kind { regular, directory, other };

struct Status {
  Kind kind = Kind::other;
  std::uint64_t size = 0;
};

int open_read(const std::string& path);                  // -1 on failure (errno set)
int open_write(const std::string& path, bool exclusive); // creating when exclusive
bool status(int fd, Status& status);
long long read(int fd, void* buffer, std::size_t size); // -1 on failure, 0 at the end
long long write(int fd, const void* bytes, std::size_t size);
bool truncate(int fd);
bool remove(const std::string& path);
int close(int fd);
FileId identity(int fd);
FileId identity(const std::string& path); // without opening it for reading

} // namespace textdump::system_files
