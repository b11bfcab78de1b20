#include "core/patch/patch_bytes.hpp"

#include <zlib.h>

#include <cstdio>

#include "core/base/base.hpp"

namespace textdump::patching {

std::uint32_t patch_crc32(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

std::string crc_text(std::uint32_t crc) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", crc);
  return text;
}

void write_number(std::string& out, std::uint64_t value) {
  while (true) {
    const auto low = static_cast<char>(value & 0x7F);
    value >>= 7;
    if (value == 0) {
      out += static_cast<char>(low | '\x80');
      return;
    }
    out += low;
    --value;
  }
}

std::size_t number_size(std::uint64_t value) {
  std::size_t size = 1;
  for (value >>= 7; value != 0; value = (value - 1) >> 7) ++size;
  return size;
}

void write_le32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t read_le32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return value;
}

std::uint8_t PatchReader::byte() {
  if (at_ >= end_) {
    cut_ = true;
    return 0;
  }
  return static_cast<std::uint8_t>(patch_[at_++]);
}

std::string_view PatchReader::bytes(std::uint64_t count) {
  if (count > end_ - at_) {
    cut_ = true;
    at_ = end_;
    return {};
  }
  const std::string_view read = patch_.substr(at_, static_cast<std::size_t>(count));
  at_ += static_cast<std::size_t>(count);
  return read;
}

std::uint64_t PatchReader::number() {
  std::uint64_t value = 0, shift = 1;
  while (!cut_) {
    const std::uint8_t x = byte();
    // Past 63 bits of shift the number no longer fits: no file is that large.
    if (shift > (std::uint64_t{1} << 56)) {
      too_large_ = true;
      cut_ = true;
      return 0;
    }
    value += (x & 0x7Fu) * shift;
    if ((x & 0x80) != 0) break;
    shift <<= 7;
    value += shift;
  }
  return value;
}

std::variant<Checksums, Report> read_frame(std::string_view patch, std::string_view format,
                                           std::string_view magic) {
  if (!patch.starts_with(magic))
    return error_report(ReportId::patch_not_format, {std::string(format), std::string(magic)});
  if (patch.size() < magic.size() + CHECKSUMS_SIZE)
    return error_report(ReportId::patch_cut, {std::string(format), "0"});
  const std::size_t end = patch.size() - CHECKSUMS_SIZE;
  const Checksums sums{read_le32(patch, end), read_le32(patch, end + 4), read_le32(patch, end + 8)};
  const std::uint32_t own = patch_crc32(patch.substr(0, patch.size() - 4));
  if (own != sums.patch)
    return error_report(ReportId::patch_damaged,
                        {std::string(format), crc_text(own), crc_text(sums.patch)});
  return sums;
}

Report reader_report(const PatchReader& reader, std::string_view format, std::size_t record) {
  return error_report(reader.too_large() ? ReportId::patch_number_large : ReportId::patch_cut,
                      {std::string(format), std::to_string(record)});
}

// The size of a copier header that a ROM dumped by a copier carries before the image.
constexpr std::size_t COPIER_HEADER = 512;

std::optional<Report> check_source(std::string_view rom, std::string_view format,
                                   std::uint64_t source_size, std::uint64_t target_size,
                                   const Checksums& sums) {
  const std::uint32_t crc = patch_crc32(rom);
  if (rom.size() == source_size && crc == sums.source) return std::nullopt;
  if (rom.size() == target_size && crc == sums.target)
    return error_report(ReportId::patch_already_applied, {std::string(format), crc_text(crc)});
  if (rom.size() == source_size + COPIER_HEADER) {
    const std::uint32_t headless = patch_crc32(rom.substr(COPIER_HEADER));
    if (headless == sums.source)
      return error_report(ReportId::patch_copier_header,
                          {std::to_string(COPIER_HEADER), crc_text(headless)});
  }
  return error_report(ReportId::patch_wrong_rom,
                      {crc_text(crc), with_commas(rom.size()), crc_text(sums.source),
                       with_commas(static_cast<std::size_t>(source_size))});
}

PatchResult checked_result(std::string target, std::string_view format, std::uint64_t target_size,
                           std::uint32_t target_crc) {
  if (target.size() != target_size)
    return error_report(ReportId::patch_result_size,
                        {std::string(format), with_commas(target.size()),
                         with_commas(static_cast<std::size_t>(target_size))});
  if (const std::uint32_t crc = patch_crc32(target); crc != target_crc)
    return error_report(ReportId::patch_result_crc,
                        {std::string(format), crc_text(crc), crc_text(target_crc)});
  return target;
}

} // namespace textdump::patching
