#include "io/files.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace textdump {

namespace {

FileId id_from_stat(const struct stat& st) {
  return FileId{true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Opens for reading; refuses anything that is not a file to read bytes from.
int open_for_reading(const std::string& name) {
  const std::string path = name_until_nul(name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

} // namespace

std::string name_until_nul(std::string_view name) {
  return std::string(name.substr(0, name.find('\0')));
}

bool file_opens(const std::string& name) {
  const int fd = open_for_reading(name);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

ReadStatus read_all(int fd, std::string& bytes, std::uint64_t limit) {
  bytes.clear();
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const auto expected = regular && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (expected > limit) return ReadStatus::too_large;
  bytes.reserve(static_cast<std::size_t>(expected));
  char chunk[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
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

ReadStatus read_file(const std::string& name, std::string& bytes, std::uint64_t limit) {
  bytes.clear();
  const int fd = open_for_reading(name);
  if (fd < 0) return ReadStatus::cannot_open;
  const ReadStatus status = read_all(fd, bytes, limit);
  ::close(fd);
  return status;
}

bool same_file(const FileId& a, const FileId& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

FileId file_id_of(const std::string& name) {
  struct stat st {};
  const std::string path = name_until_nul(name);
  if (::stat(path.c_str(), &st) != 0) return FileId{};
  return id_from_stat(st);
}

FileId file_id_of(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return FileId{};
  return id_from_stat(st);
}

} // namespace textdump
