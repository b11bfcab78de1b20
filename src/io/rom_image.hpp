// The ROM file, held in memory for the whole run.
//
// A regular file is mapped; where mapping fails it is read whole, up to
// ROM_SIZE_LIMIT bytes. A ROM that is not a regular file (a pipe, a device such
// as /dev/zero) is read whole too, up to STREAM_ROM_LIMIT bytes: its size is
// known only when it ends, and all of it is held in memory. A mapped file that
// shrinks during the run ends the process with the report given to
// set_rom_changed_report and exit status 1, instead of a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/base.hpp"
#include "io/files.hpp"

namespace textdump {

// A 32-bit offset reaches every byte of a ROM of up to 4 GiB, and no further.
inline constexpr std::uint64_t ROM_SIZE_LIMIT = std::uint64_t{1} << 32;
// As large as the largest cartridge ROM; a larger image is given as a file.
inline constexpr std::uint64_t STREAM_ROM_LIMIT = STREAM_READ_LIMIT;

enum class RomOpen {
  ok,
  cannot_open,      // missing, unreadable, a directory, or a read failed
  too_large,        // over ROM_SIZE_LIMIT
  too_large_stream, // not a regular file, and over STREAM_ROM_LIMIT
  changed,          // the file shrank while it was read
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
