// The dump file: opened with identity checks, emptied only once the table has
// loaded, and written with every write checked.
//
// The dump file is never the ROM or a table, however its name is spelled: such
// a name is refused before anything is truncated (a file created for the check
// is removed again). The first failing write is remembered with its errno.
#pragma once

#include <string>
#include <string_view>

#include "core/decode/decode.hpp"
#include "io/files.hpp"

namespace textdump {

enum class DumpOpen {
  ok,
  cannot_create, // error() tells why
  is_rom,        // the name is the ROM file
  is_table,      // the name is the table file
};

class DumpFile final : public Sink {
public:
  DumpFile() = default;
  DumpFile(const DumpFile&) = delete;
  DumpFile& operator=(const DumpFile&) = delete;
  ~DumpFile();

  // Opens the named file, creating it when missing, without truncating it.
  DumpOpen open(const std::string& name, const FileId& rom, const std::string& tablefile);

  // Writes to an already open descriptor (standard output), not closed at the end.
  DumpOpen use_descriptor(int fd, const std::string& name, const FileId& rom,
                          const std::string& tablefile);

  // Empties an existing regular file. False, with error(), on failure.
  bool truncate();

  // Gives up the file: closes it, and removes it when this run created it.
  void discard();

  // Closes an owned descriptor. False when the close (or an earlier write) failed.
  bool close();

  bool write(std::string_view bytes) override;

  const std::string& name() const { return name_; }
  const FileId& id() const { return id_; }
  int error() const { return error_; }

private:
  DumpOpen check(const FileId& rom, const std::string& tablefile);

  int fd_ = -1;
  bool owns_fd_ = false;
  bool regular_ = false;
  std::string name_;         // as typed, for messages
  std::string created_path_; // set when this run created the file
  FileId id_;
  int error_ = 0;
};

} // namespace textdump
