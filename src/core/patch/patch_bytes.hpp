// What the three patch formats share, below them: the result of making or
// applying a patch, CRC32 (zlib's), the variable-length numbers of BPS and
// UPS, and a reader that refuses to run past the end of a patch.
//
//   PatchResult    the bytes made, or the report of why there are none
//   patch_crc32    zlib's CRC32 of a whole buffer, of any length
//   crc_text       a CRC32 as a report shows it: eight upper-case hex digits
//   write_number   a BPS/UPS number: 7 bits a byte, low first, the last byte
//                  marked by bit 7, each byte after the first counting one more
//   PatchReader    bytes, numbers and 32-bit checksums read in order; it
//                  records the first read past its end instead of reading
//   check_source   the checks of BPS and UPS before anything is applied: the
//                  ROM is the patch's source, or the report naming both CRC32s,
//                  its copier header, or that it is patched already
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/base/base.hpp"

namespace textdump::patching {

using PatchResult = std::variant<std::string, Report>;

std::uint32_t patch_crc32(std::string_view bytes);
std::string crc_text(std::uint32_t crc);

void write_number(std::string& out, std::uint64_t value);
// How many bytes write_number writes for value.
std::size_t number_size(std::uint64_t value);
void write_le32(std::string& out, std::uint32_t value);
std::uint32_t read_le32(std::string_view bytes, std::size_t at);

class PatchReader {
public:
  // Reads bytes up to end (the start of a BPS or UPS patch's checksums).
  PatchReader(std::string_view patch, std::size_t end) : patch_(patch), end_(end) {}

  std::size_t at() const { return at_; }
  bool done() const { return at_ >= end_; }
  // A read ran past end, or a number did not fit 64 bits.
  bool cut() const { return cut_; }
  bool too_large() const { return too_large_; }

  std::uint8_t byte();
  std::string_view bytes(std::uint64_t count);
  std::uint64_t number();

private:
  std::string_view patch_;
  std::size_t end_, at_ = 0;
  bool cut_ = false, too_large_ = false;
};

// BPS and UPS end with these three CRC32s, little-endian, the last one of
// every byte before it.
struct Checksums {
  std::uint32_t source = 0, target = 0, patch = 0;
};
inline constexpr std::size_t CHECKSUMS_SIZE = 12;

// A new file larger than a ROM can be is refused before memory is taken for it.
inline constexpr std::uint64_t TARGET_LIMIT = std::uint64_t{1} << 32;

// A BPS or UPS patch's frame: its magic, and its own CRC32 against its bytes.
// The checksums, or the report (not the format, cut short, damaged).
std::variant<Checksums, Report> read_frame(std::string_view patch, std::string_view format,
                                           std::string_view magic);

// The report for a reader that stopped (cut short or a number too large),
// naming the byte where the record began.
Report reader_report(const PatchReader& reader, std::string_view format, std::size_t record);

// The ROM against the source a BPS or UPS patch names; nothing when it is that source.
std::optional<Report> check_source(std::string_view rom, std::string_view format,
                                   std::uint64_t source_size, std::uint64_t target_size,
                                   const Checksums& sums);

// The result against the target's size and CRC32 that the patch promises.
PatchResult checked_result(std::string target, std::string_view format, std::uint64_t target_size,
                           std::uint32_t target_crc);

} // namespace textdump::patching
