// Applying a BPS patch: the frame, the header, the ROM against the source, then
// the actions twice: once to check every one of them, once to make the target.
#include <cstring>
#include <optional>

#include "core/base/base.hpp"
#include "core/patch/bps.hpp"

namespace textdump::patching {

namespace {

constexpr std::string_view BPS = "BPS";

struct Header {
  std::uint64_t source_size = 0, target_size = 0;
};

Report outside(ReportId id, std::size_t record, std::uint64_t size) {
  return error_report(
      id, {std::string(BPS), std::to_string(record), with_commas(static_cast<std::size_t>(size))});
}

// A relative position moved by a signed number (|offset| << 1 | negative);
// false when it would leave 0 to limit.
bool move(std::uint64_t& position, std::uint64_t signed_offset, std::uint64_t limit) {
  const std::uint64_t magnitude = signed_offset >> 1;
  if ((signed_offset & 1) != 0) {
    if (magnitude > position) return false;
    position -= magnitude;
  } else {
    if (magnitude > limit - position) return false;
    position += magnitude;
  }
  return true;
}

// Runs the actions after the header: with target null it only checks them.
std::optional<Report> run_actions(PatchReader& reader, std::string_view source,
                                  const Header& header, char* target) {
  std::uint64_t out = 0, source_at = 0, target_at = 0;
  while (!reader.done()) {
    const std::size_t record = reader.at();
    const std::uint64_t action = reader.number();
    if (reader.cut()) return reader_report(reader, BPS, record);
    const std::uint64_t length = (action >> 2) + 1, kind = action & 3;
    if (length > header.target_size - out)
      return outside(ReportId::patch_writes_past, record, header.target_size);
    if (kind == 0) { // SourceRead
      if (out + length > source.size())
        return outside(ReportId::patch_reads_outside, record, source.size());
      if (target) std::memcpy(target + out, source.data() + out, length);
    } else if (kind == 1) { // TargetRead
      const std::string_view bytes = reader.bytes(length);
      if (reader.cut()) return reader_report(reader, BPS, record);
      if (target) std::memcpy(target + out, bytes.data(), length);
    } else {
      const std::uint64_t offset = reader.number();
      if (reader.cut()) return reader_report(reader, BPS, record);
      if (kind == 2) { // SourceCopy
        if (!move(source_at, offset, source.size()) || length > source.size() - source_at)
          return outside(ReportId::patch_reads_outside, record, source.size());
        if (target) std::memcpy(target + out, source.data() + source_at, length);
        source_at += length;
      } else { // TargetCopy: byte by byte, so that it may copy what it writes
        if (!move(target_at, offset, out) || target_at >= out)
          return error_report(ReportId::patch_copies_ahead,
                              {std::to_string(record), with_commas(static_cast<std::size_t>(out))});
        if (target)
          for (std::uint64_t i = 0; i < length; ++i) target[out + i] = target[target_at + i];
        target_at += length;
      }
    }
    out += length;
  }
  if (out != header.target_size)
    return error_report(ReportId::patch_result_size,
                        {std::string(BPS), with_commas(static_cast<std::size_t>(out)),
                         with_commas(static_cast<std::size_t>(header.target_size))});
  return std::nullopt;
}

} // namespace

PatchResult apply_bps(std::string_view patch, std::string_view rom) {
  const auto frame = read_frame(patch, BPS, "BPS1");
  if (const auto* refused = std::get_if<Report>(&frame)) return *refused;
  const Checksums& sums = std::get<Checksums>(frame);

  const auto start = [&] {
    PatchReader reader(patch, patch.size() - CHECKSUMS_SIZE);
    reader.bytes(4);
    return reader;
  };
  PatchReader reader = start();
  Header header;
  header.source_size = reader.number();
  header.target_size = reader.number();
  reader.bytes(reader.number()); // the metadata
  if (reader.cut()) return reader_report(reader, BPS, 4);
  if (auto refused = check_source(rom, BPS, header.source_size, header.target_size, sums))
    return *refused;
  if (header.target_size > TARGET_LIMIT)
    return error_report(
        ReportId::patch_result_too_large,
        {std::string(BPS), with_commas(static_cast<std::size_t>(header.target_size))});
  const std::size_t actions = reader.at();
  if (auto refused = run_actions(reader, rom, header, nullptr)) return *refused;

  std::string target(static_cast<std::size_t>(header.target_size), '\0');
  reader = start();
  reader.bytes(actions - 4);
  run_actions(reader, rom, header, target.data());
  return checked_result(std::move(target), BPS, header.target_size, sums.target);
}

} // namespace textdump::patching
