#include "io/system_files.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace textdump::system_files {

#ifdef _WIN32

int open_read(const std::string& path) {
  return ::_open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int open_write(const std::string& path, bool exclusive) {
  return ::_open(path.c_str(),
                 _O_WRONLY | _O_BINARY | _O_NOINHERIT | (exclusive ? _O_CREAT | _O_EXCL : 0),
                 _S_IREAD | _S_IWRITE);
}

bool status(int fd, Status& st) {
  struct _stat64 s {};
  if (::_fstat64(fd, &s) != 0) return false;
  st.kind = (s.st_mode & _S_IFMT) == _S_IFREG   ? Kind::regular
            : (s.st_mode & _S_IFMT) == _S_IFDIR ? Kind::directory
                                                : Kind::other;
  st.size = static_cast<std::uint64_t>(s.st_size);
  return true;
}

long long read(int fd, void* buffer, std::size_t size) {
  return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

long long write(int fd, const void* bytes, std::size_t size) {
  return ::_write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

bool truncate(int fd) {
  return ::_chsize_s(fd, 0) == 0;
}

bool remove(const std::string& path) {
  return ::_unlink(path.c_str()) == 0;
}

int close(int fd) {
  return ::_close(fd);
}

FileId identity(int fd) {
  BY_HANDLE_FILE_INFORMATION info{};
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return FileId{};
  return FileId{true, info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

FileId identity(const std::string& path) {
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FileId{};
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known) return FileId{};
  return FileId{true, info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

#else

int open_read(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int open_write(const std::string& path, bool exclusive) {
  return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | (exclusive ? O_CREAT | O_EXCL : 0), 0666);
}

bool status(int fd, Status& st) {
  struct stat s {};
  if (::fstat(fd, &s) != 0) return false;
  st.kind = S_ISREG(s.st_mode) ? Kind::regular : S_ISDIR(s.st_mode) ? Kind::directory : Kind::other;
  st.size = static_cast<std::uint64_t>(s.st_size);
  return true;
}

long long read(int fd, void* buffer, std::size_t size) {
  return ::read(fd, buffer, size);
}

long long write(int fd, const void* bytes, std::size_t size) {
  return ::write(fd, bytes, size);
}

bool truncate(int fd) {
  return ::ftruncate(fd, 0) == 0;
}

bool remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

int close(int fd) {
  return ::close(fd);
}

FileId identity(int fd) {
  struct stat s {};
  if (::fstat(fd, &s) != 0) return FileId{};
  return FileId{true, static_cast<std::uint64_t>(s.st_dev), static_cast<std::uint64_t>(s.st_ino)};
}

FileId identity(const std::string& path) {
  struct stat s {};
  if (::stat(path.c_str(), &s) != 0) return FileId{};
  return FileId{true, static_cast<std::uint64_t>(s.st_dev), static_cast<std::uint64_t>(s.st_ino)};
}

#endif

} // namespace textdump::system_files
