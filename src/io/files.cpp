#include "io/files.hpp"

#include <algorithm>
#include <cerrno>

#include "io/system_files.hpp"

namespace textdump {

namespace sys = system_files;

namespace {

// Opens for reading; refuses anything that is not a file to read bytes from.
int open_for_reading(const std::string& name) {
  const int fd = sys::open_read(name_until_nul(name));
  if (fd < 0) return -1;
  sys::Status st;
  if (!sys::status(fd, st) || st.kind == sys::Kind::directory) {
    sys::close(fd);
    return -1;
  }
  return fd;
}

} // namespace

std::string folder_part(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string file_part(std::string_view path) {
  return std::string(path.substr(folder_part(path).size()));
}

std::string name_until_nul(std::string_view name) {
  return std::string(name.substr(0, name.find('\0')));
}

bool file_opens(const std::string& name) {
  const int fd = open_for_reading(name);
  if (fd < 0) return false;
  sys::close(fd);
  return true;
}

ReadStatus read_all(int fd, std::string& bytes, std::uint64_t limit) {
  bytes.clear();
  sys::Status st;
  const bool regular = sys::status(fd, st) && st.kind == sys::Kind::regular;
  const std::uint64_t expected = regular ? st.size : 0;
  if (!regular) limit = std::min(limit, STREAM_READ_LIMIT);
  if (expected > limit) return ReadStatus::too_large;
  bytes.reserve(static_cast<std::size_t>(expected));
  char chunk[1 << 16];
  for (;;) {
    const long long got = sys::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      if (bytes.size() + static_cast<std::size_t>(got) > limit) return ReadStatus::too_large;
      bytes.append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0) {
      return bytes.size() < expected ? ReadStatus::changed : ReadStatus::ok;
    } else if (errno != EINTR) {
      return ReadStatus::read_error;
    }
  }
}

int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long long wrote = sys::write(fd, bytes.data(), bytes.size());
    if (wrote > 0)
      bytes.remove_prefix(static_cast<std::size_t>(wrote));
    else if (wrote == 0 || errno != EINTR)
      return wrote < 0 ? errno : EIO;
  }
  return 0;
}

ReadStatus read_file(const std::string& name, std::string& bytes, std::uint64_t limit) {
  bytes.clear();
  const int fd = open_for_reading(name);
  if (fd < 0) return ReadStatus::cannot_open;
  const ReadStatus status = read_all(fd, bytes, limit);
  sys::close(fd);
  return status;
}

bool same_file(const FileId& a, const FileId& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

FileId file_id_of(const std::string& name) {
  return sys::identity(name_until_nul(name));
}

FileId file_id_of(int fd) {
  return sys::identity(fd);
}

} // namespace textdump
