// The ROM file, held as bytes for the whole run.
//
// The file is mapped into memory; where mapping fails it is read whole. A
// mapped file that shrinks during the run ends the process with the report set
// by set_rom_changed_report and exit status 1. Every
// position at or past the end of the file reads as 0xFF, the end-of-file
// result cut to eight bits, and is decoded like any other byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace textdump {

// Which file a name refers to, however it is spelled.
struct FileId {
  bool known = false;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

bool same_file(const FileId& a, const FileId& b);

// The identity of a named file; unknown when it does not exist.
FileId file_id_of(const std::string& name);

// Bytes of a ROM: a view that the dump engine reads.
struct RomView {
  const unsigned char* data = nullptr;
  std::uint64_t size = 0;
};

inline std::uint8_t rom_byte(const RomView& rom, std::uint32_t pos) {
  return pos < rom.size ? rom.data[pos] : std::uint8_t{0xFF};
}

// The length of a copier header: the file size modulo 0x800.
inline std::uint32_t header_size_of(const RomView& rom) {
  return static_cast<std::uint32_t>(rom.size & 0x7FF);
}

// A 32-bit offset reaches every byte of a ROM of up to 4 GiB, and no further.
inline constexpr std::uint64_t ROM_SIZE_LIMIT = std::uint64_t{1} << 32;

enum class RomOpen {
  ok,
  cannot_open, // missing, unreadable, a directory, or a read failed
  too_large,   // over ROM_SIZE_LIMIT
  changed,     // the file shrank while it was read
};

// The message written to fd when a mapped ROM file shrinks under the run.
void set_rom_changed_report(int fd, std::string_view message);

class RomImage {
public:
  RomImage() = default;
  RomImage(const RomImage&) = delete;
  RomImage& operator=(const RomImage&) = delete;
  ~RomImage();

  RomOpen open(const std::string& name);

  RomView view() const { return view_; }
  const FileId& id() const { return id_; }

private:
  RomView view_;
  FileId id_;
  void* mapping_ = nullptr;
  std::string fallback_; // the whole file, where mapping failed
};

} // namespace textdump
