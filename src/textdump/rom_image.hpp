// The ROM file, held as bytes for the whole run.
//
// The file is mapped into memory; where mapping fails it is read whole. Every
// position at or past the end of the file reads as 0xFF, the end-of-file
// result cut to eight bits, and is decoded like any other byte.
#pragma once

#include <cstdint>
#include <string>

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

class RomImage {
public:
  RomImage() = default;
  RomImage(const RomImage&) = delete;
  RomImage& operator=(const RomImage&) = delete;
  ~RomImage();

  // False when the name cannot be opened as a file (a directory cannot).
  bool open(const std::string& name);

  RomView view() const { return view_; }
  const FileId& id() const { return id_; }

private:
  RomView view_;
  FileId id_;
  void* mapping_ = nullptr;
  std::uint64_t mapped_size_ = 0;
  std::string fallback_; // the whole file, where mapping failed
};

} // namespace textdump
