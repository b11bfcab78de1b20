#include "io/dump_file.hpp"

#include <cerrno>

#include "io/system_files.hpp"

namespace textdump {

namespace sys = system_files;

DumpFile::~DumpFile() {
  if (owns_fd_) sys::close(fd_);
}

DumpOpen DumpFile::check(const FileId& rom, const std::string& tablefile) {
  // The table is looked up only now: a dump file just created under the table's
  // name (a table that did not exist) is that table too.
  return same_file(id_, rom)                     ? DumpOpen::is_rom
         : same_file(id_, file_id_of(tablefile)) ? DumpOpen::is_table
                                                 : DumpOpen::ok;
}

DumpOpen DumpFile::open(const std::string& name, const FileId& rom, const std::string& tablefile) {
  name_ = name;
  const std::string path = name_until_nul(name);
  bool created = true;
  int fd = sys::open_write(path, true);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = sys::open_write(path, false);
  }
  sys::Status st;
  if (fd < 0 || !sys::status(fd, st)) {
    error_ = errno;
    if (fd >= 0) sys::close(fd);
    return DumpOpen::cannot_create;
  }
  fd_ = fd;
  owns_fd_ = true;
  regular_ = st.kind == sys::Kind::regular;
  if (created) created_path_ = path;
  id_ = file_id_of(fd);
  const DumpOpen clash = check(rom, tablefile);
  if (clash != DumpOpen::ok) discard();
  return clash;
}

DumpOpen DumpFile::use_descriptor(int fd, const std::string& name, const FileId& rom,
                                  const std::string& tablefile) {
  name_ = name;
  fd_ = fd;
  id_ = file_id_of(fd);
  return check(rom, tablefile);
}

bool DumpFile::truncate() {
  // An empty file is left alone: some file systems take emptying a file as the
  // sign that it is being replaced, and write it all out when it is closed.
  sys::Status st;
  if (!owns_fd_ || !regular_ || (sys::status(fd_, st) && st.size == 0) || sys::truncate(fd_))
    return true;
  error_ = errno;
  return false;
}

void DumpFile::discard() {
  if (owns_fd_) sys::close(fd_);
  if (!created_path_.empty()) sys::remove(created_path_);
  fd_ = -1;
  owns_fd_ = false;
}

bool DumpFile::close() {
  if (owns_fd_) {
    if (sys::close(fd_) != 0 && error_ == 0) error_ = errno;
    owns_fd_ = false;
    fd_ = -1;
  }
  return error_ == 0;
}

bool DumpFile::write(std::string_view bytes) {
  if (error_ != 0 || fd_ < 0) return false;
  error_ = write_all(fd_, bytes);
  return error_ == 0;
}

} // namespace textdump
