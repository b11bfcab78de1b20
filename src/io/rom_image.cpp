#include "io/rom_image.hpp"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace textdump {

namespace {

// What the bus-error handler writes before it ends the process: a mapped file
// that shrinks raises SIGBUS on the next read of a page past its new end.
char changed_report[4096];
std::size_t changed_report_size = 0;
int changed_report_fd = 2;

extern "C" void report_rom_changed(int) {
  const ssize_t ignored = ::write(changed_report_fd, changed_report, changed_report_size);
  (void)ignored;
  ::_exit(1);
}

void guard_mapping() {
  struct sigaction action {};
  action.sa_handler = report_rom_changed;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
}

} // namespace

void set_rom_changed_report(int fd, std::string_view message) {
  changed_report_fd = fd;
  changed_report_size = std::min(message.size(), sizeof changed_report);
  std::memcpy(changed_report, message.data(), changed_report_size);
}

RomImage::~RomImage() {
  if (mapping_ != nullptr) ::munmap(mapping_, static_cast<std::size_t>(view_.size));
}

RomOpen RomImage::open(const std::string& name) {
  const std::string path = name_until_nul(name);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return RomOpen::cannot_open;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return RomOpen::cannot_open;
  }
  id_ = file_id_of(fd);
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (S_ISREG(st.st_mode) && size > ROM_SIZE_LIMIT) {
    ::close(fd);
    return RomOpen::too_large;
  }
  if (S_ISREG(st.st_mode) && size > 0) {
    void* map = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      guard_mapping();
      mapping_ = map;
      ::madvise(map, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
      view_ = RomView{static_cast<const unsigned char*>(map), size};
      ::close(fd);
      return RomOpen::ok;
    }
  }
  const ReadStatus status = read_all(fd, fallback_, ROM_SIZE_LIMIT);
  ::close(fd);
  view_ = RomView{reinterpret_cast<const unsigned char*>(fallback_.data()), fallback_.size()};
  switch (status) {
  case ReadStatus::ok: return RomOpen::ok;
  case ReadStatus::too_large: return RomOpen::too_large;
  case ReadStatus::changed: return RomOpen::changed;
  default: return RomOpen::cannot_open;
  }
}

} // namespace textdump
