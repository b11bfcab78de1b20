#include "io/rom_image.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "io/system_files.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace textdump {

namespace sys = system_files;

namespace {

#ifndef _WIN32
// What the bus-error handler writes before it ends the process: a mapped file
// that shrinks raises SIGBUS on the next read of a page past its new end.
char changed_report[4096];
std::size_t changed_report_size = 0;
int changed_report_fd = 2;

std::atomic_flag reporting = ATOMIC_FLAG_INIT;

extern "C" void report_rom_changed(int) {
  // Both decoding threads may meet the cut: the first reports it and ends the
  // process, the other waits for that.
  if (reporting.test_and_set())
    for (;;) ::pause();
  const ssize_t ignored = ::write(changed_report_fd, changed_report, changed_report_size);
  (void)ignored;
  ::_exit(1);
}
#endif

// Maps the whole open file read-only; nullptr when it cannot be mapped.
const unsigned char* map_file(int fd, std::uint64_t size, void*& mapping) {
#ifdef _WIN32
  // A file with a mapped view cannot be cut short while it is mapped.
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  HANDLE section = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (section == nullptr) return nullptr;
  void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(section);
  (void)size;
  mapping = view;
  return static_cast<const unsigned char*>(view);
#else
  void* map = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) return nullptr;
  struct sigaction action {};
  action.sa_handler = report_rom_changed;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
  ::madvise(map, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
  mapping = map;
  return static_cast<const unsigned char*>(map);
#endif
}

} // namespace

void set_rom_changed_report(int fd, std::string_view message) {
#ifdef _WIN32
  (void)fd;
  (void)message;
#else
  changed_report_fd = fd;
  changed_report_size = std::min(message.size(), sizeof changed_report);
  std::memcpy(changed_report, message.data(), changed_report_size);
#endif
}

RomImage::~RomImage() {
  if (mapping_ == nullptr) return;
#ifdef _WIN32
  UnmapViewOfFile(mapping_);
#else
  ::munmap(mapping_, static_cast<std::size_t>(view_.size));
#endif
}

RomOpen RomImage::open(const std::string& name) {
  const int fd = sys::open_read(name_until_nul(name));
  if (fd < 0) return RomOpen::cannot_open;
  sys::Status st;
  if (!sys::status(fd, st) || st.kind == sys::Kind::directory) {
    sys::close(fd);
    return RomOpen::cannot_open;
  }
  id_ = file_id_of(fd);
  if (st.kind == sys::Kind::regular && st.size > ROM_SIZE_LIMIT) {
    sys::close(fd);
    return RomOpen::too_large;
  }
  if (st.kind == sys::Kind::regular && st.size > 0) {
    if (const unsigned char* data = map_file(fd, st.size, mapping_)) {
      view_ = RomView{data, st.size};
      sys::close(fd);
      return RomOpen::ok;
    }
  }
  // Not mappable (a pipe, a special file, or the mapping refused): read it whole.
  const bool regular = st.kind == sys::Kind::regular;
  const ReadStatus status = read_all(fd, fallback_, regular ? ROM_SIZE_LIMIT : STREAM_ROM_LIMIT);
  sys::close(fd);
  view_ = RomView{reinterpret_cast<const unsigned char*>(fallback_.data()), fallback_.size()};
  switch (status) {
  case ReadStatus::ok: return RomOpen::ok;
  case ReadStatus::too_large: return regular ? RomOpen::too_large : RomOpen::too_large_stream;
  case ReadStatus::changed: return RomOpen::changed;
  default: return RomOpen::cannot_open;
  }
}

} // namespace textdump
