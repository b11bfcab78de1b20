// Which file a name refers to, however it is spelled (another path, a link):
// the identity the files of io compare, below both the whole-file reads
// (files.hpp) and the system calls (system_files.hpp).
#pragma once

#include <cstdint>

namespace textdump {

struct FileId {
  bool known = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

// Both known, and the same file.
bool same_file(const FileId& a, const FileId& b);

} // namespace textdump
