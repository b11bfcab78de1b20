#include "io/system_files.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#include "io/files.hpp" // the parts of a path

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace textdump::system_files {

namespace {

template <typename Stat> Status status_of(const Stat& s) {
  Status st;
#ifdef _WIN32
  st.kind = (s.st_mode & _S_IFMT) == _S_IFREG   ? Kind::regular
            : (s.st_mode & _S_IFMT) == _S_IFDIR ? Kind::directory
                                                : Kind::other;
#else
  st.kind = S_ISREG(s.st_mode) ? Kind::regular : S_ISDIR(s.st_mode) ? Kind::directory : Kind::other;
  st.mode = static_cast<unsigned>(s.st_mode & 07777);
#endif
  st.size = static_cast<std::uint64_t>(s.st_size);
  return st;
}


} // namespace

#ifdef _WIN32

std::wstring wide_name(const std::string& utf8) {
  // A name that is not UTF-8 (typed into the dialogue, say) is read in the
  // ANSI code page, as the system would read it.
  const int length = static_cast<int>(utf8.size());
  UINT page = CP_UTF8;
  int size = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (size == 0 && length > 0) {
    page = CP_ACP;
    size = MultiByteToWideChar(page, 0, utf8.data(), length, nullptr, 0);
  }
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  if (size > 0) MultiByteToWideChar(page, 0, utf8.data(), length, wide.data(), size);
  return wide;
}

std::string utf8_name(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back(); // the terminating NUL
  return utf8;
}

int open_read(const std::string& path) {
  return ::_wopen(wide_name(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int open_write(const std::string& path, bool exclusive) {
  return ::_wopen(wide_name(path).c_str(),
                  _O_WRONLY | _O_BINARY | _O_NOINHERIT | (exclusive ? _O_CREAT | _O_EXCL : 0),
                  _S_IREAD | _S_IWRITE);
}

bool status(int fd, Status& st) {
  struct _stat64 s {};
  if (::_fstat64(fd, &s) != 0) return false;
  st = status_of(s);
  return true;
}

bool status(const std::string& path, Status& st) {
  struct _stat64 s {};
  if (::_wstat64(wide_name(path).c_str(), &s) != 0) return false;
  st = status_of(s);
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
  return ::_wunlink(wide_name(path).c_str()) == 0;
}

bool rename(const std::string& from, const std::string& to) {
  if (MoveFileExW(wide_name(from).c_str(), wide_name(to).c_str(), MOVEFILE_REPLACE_EXISTING))
    return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

bool set_mode(int, unsigned) {
  return true;
}

int close(int fd) {
  return ::_close(fd);
}

namespace {

FileId identity_of(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return FileId{};
  return FileId{true, info.dwVolumeSerialNumber,
                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

} // namespace

FileId identity(int fd) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return FileId{};
  return identity_of(handle);
}

FileId identity(const std::string& path) {
  const HANDLE handle =
      CreateFileW(wide_name(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FileId{};
  const FileId id = identity_of(handle);
  CloseHandle(handle);
  return id;
}

int process_id() {
  return ::_getpid();
}

std::string resolve_links(const std::string& path) {
  return path;
}

bool name_key(const std::string& path, std::string& key) {
  const std::wstring wide = wide_name(path);
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    errno = ENOENT;
    return false;
  }
  std::vector<wchar_t> full(size + 1, L'\0');
  if (GetFullPathNameW(wide.c_str(), size + 1, full.data(), nullptr) == 0) {
    errno = ENOENT;
    return false;
  }
  const std::string folder = folder_part(utf8_name(full.data()));
  const DWORD attributes = GetFileAttributesW(wide_name(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    errno = ENOENT;
    return false;
  }
  CharUpperBuffW(full.data(), static_cast<DWORD>(wcslen(full.data())));
  key = utf8_name(full.data());
  return true;
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
  st = status_of(s);
  return true;
}

bool status(const std::string& path, Status& st) {
  struct stat s {};
  if (::stat(path.c_str(), &s) != 0) return false;
  st = status_of(s);
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

bool rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool set_mode(int fd, unsigned mode) {
  return ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
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

int process_id() {
  return static_cast<int>(::getpid());
}

std::string resolve_links(const std::string& path) {
  std::string name = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat s {};
    if (::lstat(name.c_str(), &s) != 0 || !S_ISLNK(s.st_mode)) break;
    std::vector<char> target(static_cast<std::size_t>(std::max<off_t>(s.st_size, 255)) + 1);
    const ssize_t length = ::readlink(name.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) break;
    const std::string link(target.data(), static_cast<std::size_t>(length));
    name = link[0] == '/' ? link : folder_part(name) + link;
  }
  return name;
}

bool name_key(const std::string& path, std::string& key) {
  const std::string folder = folder_part(path);
  char* full = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr);
  if (full == nullptr) return false;
  key = full;
  std::free(full);
  const std::string file = path.substr(folder.size());
  key += key.back() == '/' ? file : "/" + file;
  return true;
}

#endif

} // namespace textdump::system_files
