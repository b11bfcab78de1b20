#include "core/patch/ups.hpp"

#include <algorithm>
#include <optional>

#include "core/base/base.hpp"

namespace textdump::patching {

namespace {

constexpr std::string_view UPS = "UPS";

char at_or_zero(std::string_view bytes, std::size_t at) {
  return at < bytes.size() ? bytes[at] : '\0';
}

// The hunks after the sizes: with target null it only checks them.
std::optional<Report> run_hunks(PatchReader& reader, std::size_t span, char* target,
                                std::size_t target_size) {
  std::size_t at = 0;
  while (!reader.done()) {
    const std::size_t record = reader.at();
    const std::uint64_t shared = reader.number();
    if (reader.cut()) return reader_report(reader, UPS, record);
    if (at > span || shared > span - at)
      return error_report(ReportId::patch_writes_past,
                          {std::string(UPS), std::to_string(record), with_commas(span)});
    at += static_cast<std::size_t>(shared);
    for (std::uint8_t x = reader.byte(); x != 0; x = reader.byte(), ++at) {
      if (at >= span)
        return error_report(ReportId::patch_writes_past,
                            {std::string(UPS), std::to_string(record), with_commas(span)});
      if (target && at < target_size) target[at] = static_cast<char>(target[at] ^ x);
    }
    if (reader.cut()) return reader_report(reader, UPS, record);
    ++at; // the byte the 0 stands for
  }
  return std::nullopt;
}

} // namespace

std::string make_ups(std::string_view source, std::string_view target) {
  std::string out = "UPS1";
  write_number(out, source.size());
  write_number(out, target.size());
  const std::size_t span = std::max(source.size(), target.size());
  const auto x = [&](std::size_t at) {
    return static_cast<char>(at_or_zero(source, at) ^ at_or_zero(target, at));
  };
  for (std::size_t at = 0, shared = 0; at < span; ++at) {
    if (x(at) == 0) {
      ++shared;
      continue;
    }
    write_number(out, shared);
    for (; at < span && x(at) != 0; ++at) out += x(at);
    out += '\0';
    shared = 0;
  }
  write_le32(out, patch_crc32(source));
  write_le32(out, patch_crc32(target));
  write_le32(out, patch_crc32(out));
  return out;
}

PatchResult apply_ups(std::string_view patch, std::string_view rom) {
  const auto frame = read_frame(patch, UPS, "UPS1");
  if (const auto* refused = std::get_if<Report>(&frame)) return *refused;
  const Checksums& sums = std::get<Checksums>(frame);
  PatchReader reader(patch, patch.size() - CHECKSUMS_SIZE);
  reader.bytes(4);
  const std::uint64_t source_size = reader.number(), target_size = reader.number();
  if (reader.cut()) return reader_report(reader, UPS, 4);
  if (auto refused = check_source(rom, UPS, source_size, target_size, sums)) return *refused;
  if (target_size > TARGET_LIMIT)
    return error_report(ReportId::patch_result_too_large,
                        {std::string(UPS), with_commas(static_cast<std::size_t>(target_size))});
  const auto size = static_cast<std::size_t>(target_size);
  const std::size_t span = std::max(rom.size(), size), hunks = reader.at();
  if (auto refused = run_hunks(reader, span, nullptr, size)) return *refused;

  std::string target(rom.substr(0, std::min(rom.size(), size)));
  target.resize(size, '\0');
  reader = PatchReader(patch, patch.size() - CHECKSUMS_SIZE);
  reader.bytes(hunks);
  run_hunks(reader, span, target.data(), size);
  return checked_result(std::move(target), UPS, target_size, sums.target);
}

} // namespace textdump::patching
