#include "textdump/rom_image.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "table/read_file.hpp"

namespace textdump {

namespace {

FileId id_from_stat(const struct stat& st) {
  return FileId{true, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace

bool same_file(const FileId& a, const FileId& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

FileId file_id_of(const std::string& name) {
  struct stat st {};
  const std::string path = name_until_nul(name);
  if (::stat(path.c_str(), &st) != 0) return FileId{};
  return id_from_stat(st);
}

RomImage::~RomImage() {
  if (mapping_ != nullptr) ::munmap(mapping_, static_cast<std::size_t>(mapped_size_));
}

bool RomImage::open(const std::string& name) {
  const std::string path = name_until_nul(name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  id_ = id_from_stat(st);
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    void* map =
        ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      mapping_ = map;
      mapped_size_ = static_cast<std::uint64_t>(st.st_size);
      ::madvise(map, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
      view_ = RomView{static_cast<const unsigned char*>(map), mapped_size_};
      ::close(fd);
      return true;
    }
  }
  // Not mappable (a pipe, a special file, or mmap refused): read it whole.
  const ReadStatus status = read_all(fd, fallback_);
  ::close(fd);
  if (status != ReadStatus::ok) return false;
  view_ = RomView{reinterpret_cast<const unsigned char*>(fallback_.data()), fallback_.size()};
  return true;
}

} // namespace textdump
