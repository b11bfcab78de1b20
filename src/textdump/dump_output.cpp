#include "textdump/dump_output.hpp"

#include <cerrno>
#include <unistd.h>

namespace textdump {

bool dump_flush(DumpOutput& out) {
  const char* pending = out.buffer.get();
  std::size_t left = out.used;
  out.used = 0;
  if (out.error != 0) return false;
  if (out.fd < 0) {
    out.memory.append(pending, left);
    return true;
  }
  while (left > 0) {
    const ssize_t wrote = ::write(out.fd, pending, left);
    if (wrote > 0) {
      pending += wrote;
      left -= static_cast<std::size_t>(wrote);
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else {
      out.error = wrote < 0 ? errno : EIO;
      return false;
    }
  }
  return true;
}

bool dump_close(DumpOutput& out) {
  bool ok = dump_flush(out);
  if (out.fd >= 0 && out.owns_fd) {
    if (::close(out.fd) != 0 && out.error == 0) out.error = errno;
    out.fd = -1;
    out.owns_fd = false;
  }
  return ok && out.error == 0;
}

} // namespace textdump

#include <fcntl.h>
#include <sys/stat.h>

#include "table/read_file.hpp"
#include "textdump/rom_image.hpp"

namespace textdump {

namespace {

// Refuses a descriptor that writes into the ROM or the table file.
DumpOpen check_identity(const FileId& rom, const FileId& table, const struct stat& st) {
  const FileId id{true, static_cast<std::uint64_t>(st.st_dev),
                  static_cast<std::uint64_t>(st.st_ino)};
  return same_file(id, rom)     ? DumpOpen::is_rom
         : same_file(id, table) ? DumpOpen::is_table
                                : DumpOpen::ok;
}

} // namespace

DumpOpen open_dump_file(DumpOutput& out, const std::string& name, const FileId& rom,
                        const std::string& tablefile) {
  out.name = name;
  const std::string path = name_until_nul(name);
  // Opened without truncation first, so that a refused name loses nothing.
  bool created = true;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) {
    created = false;
    fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  }
  if (fd < 0) {
    out.error = errno;
    return DumpOpen::cannot_create;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    out.error = errno;
    ::close(fd);
    return DumpOpen::cannot_create;
  }
  // The table is looked up only now: a dump file just created under the table's
  // name (a table that did not exist) is that table too.
  const DumpOpen clash = check_identity(rom, file_id_of(tablefile), st);
  if (clash != DumpOpen::ok) {
    ::close(fd);
    if (created) ::unlink(path.c_str());
    return clash;
  }
  out.fd = fd;
  out.owns_fd = true;
  if (created) out.created_path = path;
  out.id = FileId{true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  out.regular = S_ISREG(st.st_mode);
  return DumpOpen::ok;
}

void discard_dump(DumpOutput& out) {
  if (out.owns_fd) ::close(out.fd);
  if (!out.created_path.empty()) ::unlink(out.created_path.c_str());
  out.fd = -1;
  out.owns_fd = false;
  out.used = 0;
}

bool truncate_dump(DumpOutput& out) {
  if (!out.owns_fd || !out.regular) return true;
  if (::ftruncate(out.fd, 0) == 0) return true;
  out.error = errno;
  return false;
}

DumpOpen use_dump_descriptor(DumpOutput& out, int fd, const std::string& name, const FileId& rom,
                             const std::string& tablefile) {
  out.name = name;
  struct stat st {};
  if (::fstat(fd, &st) == 0) {
    const DumpOpen clash = check_identity(rom, file_id_of(tablefile), st);
    if (clash != DumpOpen::ok) return clash;
    out.id = FileId{true, static_cast<std::uint64_t>(st.st_dev),
                    static_cast<std::uint64_t>(st.st_ino)};
  }
  out.fd = fd;
  out.owns_fd = false;
  return DumpOpen::ok;
}

} // namespace textdump
