// The few system calls on files that the io layer makes, the same on Linux and
// Windows: open, read, write, stat, truncate, remove, rename, close.
//
// Names are UTF-8; on Windows they are opened by their wide (UTF-16) names (a
// name that is not UTF-8 is read in the ANSI code page there).
#pragma once

#include <cstdint>
#include <string>

#include "io/file_id.hpp"

namespace textdump::system_files {

enum class Kind { regular, directory, other };

struct Status {
  Kind kind = Kind::other;
  std::uint64_t size = 0;
  unsigned mode = 0; // permission bits (Linux)
};

int open_read(const std::string& path);                  // -1 on failure (errno set)
int open_write(const std::string& path, bool exclusive); // creating when exclusive
bool status(int fd, Status& status);
bool status(const std::string& path, Status& status); // following links; false when missing
long long read(int fd, void* buffer, std::size_t size); // -1 on failure, 0 at the end
long long write(int fd, const void* bytes, std::size_t size);
bool truncate(int fd);
bool remove(const std::string& path);
bool rename(const std::string& from, const std::string& to); // replacing `to`
bool set_mode(int fd, unsigned mode);                         // nothing on Windows
int close(int fd);
FileId identity(int fd);
FileId identity(const std::string& path); // without opening it for reading
int process_id();

// The name a chain of symbolic links ends at (the name itself when it is none).
std::string resolve_links(const std::string& path);

// One spelling shared by every name of a file that need not exist yet: the
// absolute path of its folder, links resolved, and its own name; Windows folds
// case, as its file names do. False (errno set) when the folder is missing.
bool name_key(const std::string& path, std::string& key);

#ifdef _WIN32
std::wstring wide_name(const std::string& utf8);
std::string utf8_name(const wchar_t* wide);
#endif

} // namespace textdump::system_files
