#include "core/patch/ips.hpp"

#include <algorithm>
#include <cstring>

#include "core/base/base.hpp"

namespace textdump::patching {

namespace {

constexpr std::string_view IPS = "IPS";
constexpr std::size_t REACH = std::size_t{1} << 24; // 3-byte offsets: 16 MiB
constexpr std::size_t END_MARKER = 0x454F46;        // "EOF" read as an offset
constexpr std::size_t MOST = 0xFFFF;                // bytes of one record
constexpr std::size_t HEADER = 5, RUN_RECORD = 8;   // bytes of a record's header, of a run

void write_be(std::string& out, std::size_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

std::size_t read_be(std::string_view bytes, std::size_t at, int count) {
  std::size_t value = 0;
  for (int i = 0; i < count; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

class IpsMaker {
public:
  IpsMaker(std::string_view source, std::string_view target, std::string& out)
      : s_(source), t_(target), out_(out) {}

  void run() {
    for (std::size_t at = 0; at < t_.size();) {
      if (!differs(at)) {
        ++at;
        continue;
      }
      std::size_t end = at + 1;
      for (std::size_t j = end, equal = 0; j < t_.size() && equal < HEADER; ++j)
        if (differs(j))
          end = j + 1, equal = 0;
        else
          ++equal;
      stretch(at, end);
      at = end;
    }
  }

private:
  bool differs(std::size_t at) const { return at >= s_.size() || s_[at] != t_[at]; }

  // The bytes from at to end as plain records and run records.
  void stretch(std::size_t at, const std::size_t end) {
    std::size_t plain = at;
    while (at < end) {
      std::size_t run = 1;
      while (at + run < end && t_[at + run] == t_[at]) ++run;
      // A run record in the middle of plain bytes costs the header of the rest too.
      if (run > RUN_RECORD + (at + run < end ? HEADER : 0)) {
        plain_records(plain, at);
        run_records(at, run);
        plain = at + run;
      }
      at += run;
    }
    plain_records(plain, end);
  }

  void plain_records(std::size_t at, std::size_t end) {
    for (std::size_t size; at < end; at += size) {
      size = std::min(end - at, MOST);
      if (at == END_MARKER) { // begins a byte earlier, and may give its last byte to the next
        size = std::min(size, MOST - 1);
        record(at - 1, size + 1);
      } else {
        record(at, size);
      }
    }
  }

  void record(std::size_t at, std::size_t size) {
    write_be(out_, at, 3);
    write_be(out_, size, 2);
    out_.append(t_.substr(at, size));
  }

  void run_records(std::size_t at, std::size_t run) {
    for (std::size_t size; run > 0; at += size, run -= size) {
      size = std::min(run, MOST);
      if (at == END_MARKER) { // the byte before and the run's first byte as plain bytes
        record(at - 1, 2);
        size = 1;
        continue;
      }
      write_be(out_, at, 3);
      write_be(out_, 0, 2);
      write_be(out_, size, 2);
      out_ += t_[at];
    }
  }

  std::string_view s_, t_;
  std::string& out_;
};

// One pass over the records: with target null it checks them, and whether
// they change anything in the ROM; with target it writes them.
struct IpsPass {
  std::size_t end = 0; // the size of the file after the records, before a truncation
  bool truncated = false;
  std::size_t truncation = 0;
  bool records = false, changes = false;
};

std::variant<IpsPass, Report> ips_pass(std::string_view patch, std::string_view rom, char* target) {
  IpsPass pass;
  pass.end = rom.size();
  std::size_t at = 5;
  while (true) {
    if (patch.size() - at < 3) return error_report(ReportId::patch_no_end);
    if (patch.substr(at, 3) == "EOF") break;
    const std::size_t record = at, offset = read_be(patch, at, 3);
    std::size_t size = 0, data = 0;
    bool run = false;
    if (patch.size() - at < 5)
      return error_report(ReportId::patch_cut, {std::string(IPS), std::to_string(record)});
    size = read_be(patch, at + 3, 2);
    at += 5;
    if (size == 0) {
      run = true;
      if (patch.size() - at < 3)
        return error_report(ReportId::patch_cut, {std::string(IPS), std::to_string(record)});
      size = read_be(patch, at, 2);
      data = at + 2;
      at += 3;
    } else {
      if (patch.size() - at < size)
        return error_report(ReportId::patch_cut, {std::string(IPS), std::to_string(record)});
      data = at;
      at += size;
    }
    if (size == 0) continue;
    if (offset + size > std::max(rom.size(), REACH))
      return error_report(ReportId::patch_ips_reach,
                          {std::to_string(record), hex_number(offset + size - 1)});
    pass.records = true;
    if (offset + size > rom.size()) pass.changes = true;
    for (std::size_t i = 0; i < size && !pass.changes; ++i)
      pass.changes = rom[offset + i] != patch[run ? data : data + i];
    if (target) {
      if (run)
        std::memset(target + offset, patch[data], size);
      else
        std::memcpy(target + offset, patch.data() + data, size);
    }
    pass.end = std::max(pass.end, offset + size);
  }
  at += 3;
  if (patch.size() - at == 3) {
    pass.truncated = true;
    pass.truncation = read_be(patch, at, 3);
    pass.changes = pass.changes || pass.truncation != rom.size();
  } else if (patch.size() != at) {
    return error_report(ReportId::patch_after_end,
                        {std::to_string(patch.size() - at), std::to_string(at - 3)});
  }
  return pass;
}

} // namespace

PatchResult make_ips(std::string_view source, std::string_view target) {
  if (target.size() > REACH)
    return error_report(ReportId::patch_ips_too_large, {with_commas(target.size())});
  if (target.size() < source.size() && target.size() >= REACH)
    return error_report(ReportId::patch_ips_no_truncation, {with_commas(target.size())});
  std::string out = "PATCH";
  IpsMaker(source, target, out).run();
  out += "EOF";
  if (target.size() < source.size()) write_be(out, target.size(), 3);
  return out;
}

PatchResult apply_ips(std::string_view patch, std::string_view rom) {
  if (!patch.starts_with("PATCH"))
    return error_report(ReportId::patch_not_format, {std::string(IPS), "PATCH"});
  const auto checked = ips_pass(patch, rom, nullptr);
  if (const auto* refused = std::get_if<Report>(&checked)) return *refused;
  const IpsPass& pass = std::get<IpsPass>(checked);
  if (pass.records && !pass.changes) return error_report(ReportId::patch_ips_applied);
  std::string target(rom);
  target.resize(pass.end, '\0');
  ips_pass(patch, rom, target.data());
  if (pass.truncated) target.resize(pass.truncation, '\0');
  return target;
}

} // namespace textdump::patching
