#include "io/dump_file.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace textdump {

DumpFile::~DumpFile() {
  if (owns_fd_) ::close(fd_);
}

DumpOpen DumpFile::check(const FileId& rom, const std::string& tablefile) {
  // The table is looked up only now: a dump file just created under the table's
  // name (a table that did not exist) is that table too.
  return same_file(id_, rom)                        ? DumpOpen::is_rom
         : same_file(id_, file_id_of(tablefile)) ? DumpOpen::is_table
                                                    : DumpOpen::ok;
}

DumpOpen DumpFile::open(const std::string& name, const FileId& rom, const std::string& tablefile) {
  name_ = name;
  const std::string path = name_until_nul(name);
  bool created = true;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    error_ = errno;
    return DumpOpen::cannot_create;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error_ = errno;
    ::close(fd);
    return DumpOpen::cannot_create;
  }
  fd_ = fd;
  owns_fd_ = true;
  regular_ = S_ISREG(st.st_mode);
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
  if (!owns_fd_ || !regular_ || ::ftruncate(fd_, 0) == 0) return true;
  error_ = errno;
  return false;
}

void DumpFile::discard() {
  if (owns_fd_) ::close(fd_);
  if (!created_path_.empty()) ::unlink(created_path_.c_str());
  fd_ = -1;
  owns_fd_ = false;
}

bool DumpFile::close() {
  if (owns_fd_) {
    if (::close(fd_) != 0 && error_ == 0) error_ = errno;
    owns_fd_ = false;
    fd_ = -1;
  }
  return error_ == 0;
}

bool DumpFile::write(std::string_view bytes) {
  if (error_ != 0 || fd_ < 0) return false;
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
    if (wrote > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(wrote));
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else {
      error_ = wrote < 0 ? errno : EIO;
      return false;
    }
  }
  return true;
}

} // namespace textdump
