// Patches in memory: the hand-made vectors of tests/data/patches, round trips
// on the real ROMs and on generated ones in every format, and the faults a
// patch or a ROM can have, each refused with its report.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/patch/patch.hpp"
#include "generator/rom_generator.hpp"
#include "support/realdata.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

using namespace std::string_literals;

constexpr PatchFormat FORMATS[] = {PatchFormat::bps, PatchFormat::ips, PatchFormat::ups};

std::string from_hex(std::istream& words) {
  std::string bytes, word;
  while (words >> word)
    if (word != "-") bytes += static_cast<char>(std::stoi(word, nullptr, 16));
  return bytes;
}

PatchFormat format_named(const std::string& name) {
  return name == "bps" ? PatchFormat::bps : name == "ips" ? PatchFormat::ips : PatchFormat::ups;
}

// The bytes made, or the id of the report (failing the test) when there are none.
std::string made(const PatchResult& result) {
  if (const auto* report = std::get_if<Report>(&result))
    ADD_FAILURE() << "report " << static_cast<int>(report->id);
  return std::get_if<std::string>(&result) ? std::get<std::string>(result) : std::string();
}

// The report's id and arguments, or a failure when the patch applied.
Report refused(const PatchResult& result) {
  if (const auto* report = std::get_if<Report>(&result)) return *report;
  ADD_FAILURE() << "no report";
  return {};
}

TEST(Patch, HandMadeVectors) {
  std::istringstream lines(testing::read_file_bytes(TEXTDUMP_TEST_DATA "/patches/vectors.txt"));
  std::string line, name, format, check;
  std::map<std::string, std::string> bytes;
  int cases = 0;
  const auto run = [&] {
    if (name.empty()) return;
    SCOPED_TRACE(name);
    ++cases;
    const PatchFormat f = format_named(format);
    EXPECT_EQ(made(apply_patch(f, bytes["patch"], bytes["source"])), bytes["target"]);
    if (check == "both") {
      EXPECT_EQ(made(make_patch(f, bytes["source"], bytes["target"])), bytes["patch"]);
    }
  };
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key;
    if (!(words >> key) || key[0] == '#') continue;
    if (key == "case") {
      run();
      words >> name >> format >> check;
    } else {
      bytes[key] = from_hex(words);
    }
  }
  run();
  EXPECT_EQ(cases, 5);
}

// Every format: make then apply gives the modified file, and a second make the same bytes.
void round_trip(const std::string& original, const std::string& modified, const std::string& what) {
  for (const PatchFormat format : FORMATS) {
    SCOPED_TRACE(what + " " + std::string(format_name(format)));
    const std::string patch = made(make_patch(format, original, modified, "textdump test"));
    EXPECT_EQ(made(make_patch(format, original, modified, "textdump test")), patch);
    const PatchResult applied = apply_patch(format, patch, original);
    ASSERT_TRUE(std::holds_alternative<std::string>(applied));
    EXPECT_TRUE(std::get<std::string>(applied) == modified); // not printed: megabytes
  }
}

// A file edited as translations edit ROMs: a block moved and its old place
// filled, a byte inserted, the end cut off, the file grown with padding.
std::vector<std::pair<std::string, std::string>> edits_of(const std::string& rom) {
  const std::size_t n = rom.size(), block = n / 8;
  std::string moved = rom;
  moved.replace(n / 2, block, rom.substr(n / 8, block));
  moved.replace(n / 8, block, std::string(block, '\xFF'));
  std::string shifted = rom;
  shifted.insert(n / 3, 1, '\x5A');
  std::string grown = rom + std::string(0x10000, '\xFF');
  for (std::size_t i = 7; i < n; i += n / 50) grown[i] = static_cast<char>(grown[i] + 1);
  return {
      {"moved", moved}, {"shifted", shifted}, {"cut", rom.substr(0, n - n / 4)}, {"grown", grown}};
}

TEST(Patch, RoundTripsOnRealRoms) {
  REQUIRE_REALDATA();
  std::vector<std::filesystem::path> roms;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(testing::REALDATA)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".nes" || extension == ".gb" || extension == ".sfc")
      roms.push_back(entry.path());
  }
  std::sort(roms.begin(), roms.end());
  ASSERT_GE(roms.size(), 5u);
  std::string last;
  for (const auto& path : roms) {
    const std::string rom = testing::read_file_bytes(path.string());
    for (const auto& [what, modified] : edits_of(rom))
      round_trip(rom, modified, path.filename().string() + " " + what);
    if (!last.empty()) round_trip(last, rom, "to " + path.filename().string());
    last = rom;
  }
}

TEST(Patch, RoundTripsOnGeneratedRoms) {
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    testing::RomOptions options = testing::random_options(seed);
    const testing::GeneratedRom first = testing::generate_rom(options);
    options.seed += 100;
    const testing::GeneratedRom second = testing::generate_rom(options);
    const std::string rom(first.rom.begin(), first.rom.end());
    for (const auto& [what, modified] : edits_of(rom))
      round_trip(rom, modified, "seed " + std::to_string(seed) + " " + what);
    round_trip(rom, std::string(second.rom.begin(), second.rom.end()),
               "seed " + std::to_string(seed) + " to another");
  }
}

// A BPS or UPS patch's own CRC32 put after its bytes, for patches made wrong on purpose.
std::string sealed(std::string patch) {
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(patch.data()), static_cast<uInt>(patch.size())));
  for (int shift = 0; shift < 32; shift += 8) patch += static_cast<char>(crc >> shift);
  return patch;
}

TEST(Patch, FaultsAreRefusedWithTheirReport) {
  const std::string rom = "ABCDEFGH", other = "ABCDEFGX";
  const std::string bps = made(make_patch(PatchFormat::bps, rom, "ABxyEFGH!"));
  const std::string ups = made(make_patch(PatchFormat::ups, rom, "ABxyEFGH!"));
  const std::string crcs = bps.substr(bps.size() - 12, 8); // source's and target's
  struct Fault {
    const char* what;
    PatchFormat format;
    std::string patch, rom;
    ReportId id;
  };
  const Fault faults[] = {
      {"not a BPS patch", PatchFormat::bps, ups, rom, ReportId::patch_not_format},
      {"cut short", PatchFormat::bps, bps.substr(0, bps.size() - 3), rom, ReportId::patch_damaged},
      {"a byte changed", PatchFormat::ups, ups.substr(0, 6) + "\x01" + ups.substr(7), rom,
       ReportId::patch_damaged},
      {"another ROM", PatchFormat::bps, bps, other, ReportId::patch_wrong_rom},
      {"another ROM", PatchFormat::ups, ups, other + "!", ReportId::patch_wrong_rom},
      {"its own output", PatchFormat::bps, bps, "ABxyEFGH!", ReportId::patch_already_applied},
      {"its own output", PatchFormat::ups, ups, "ABxyEFGH!", ReportId::patch_already_applied},
      {"a copier header", PatchFormat::bps, bps, std::string(512, '\0') + rom,
       ReportId::patch_copier_header},
      {"a SourceRead past the ROM", PatchFormat::bps, sealed("BPS1\x88\x89\x80\xA0"s + crcs), rom,
       ReportId::patch_reads_outside},
      {"a TargetCopy of bytes not made", PatchFormat::bps,
       sealed("BPS1\x88\x88\x80\x83\x80"s + crcs), rom, ReportId::patch_copies_ahead},
      {"an action past the new file", PatchFormat::bps, sealed("BPS1\x88\x82\x80\x8C"s + crcs), rom,
       ReportId::patch_writes_past},
      {"too few bytes made", PatchFormat::bps, sealed("BPS1\x88\x89\x80\x84"s + crcs), rom,
       ReportId::patch_result_size},
      {"a wrong target CRC32", PatchFormat::bps, sealed("BPS1\x88\x88\x80\x9C"s + crcs), rom,
       ReportId::patch_result_crc},
      {"a hunk past both files", PatchFormat::ups, sealed("UPS1\x88\x88\x90\x01\x00"s + crcs), rom,
       ReportId::patch_writes_past},
      {"no end marker", PatchFormat::ips, "PATCH\x00\x00\x01\x00\x01Z"s, rom,
       ReportId::patch_no_end},
      {"a record cut short", PatchFormat::ips, "PATCH\x00\x00\x01\x00\x04ZZ"s, rom,
       ReportId::patch_cut},
      {"a record at $454F46", PatchFormat::ips, "PATCH\x45\x4F\x46\x00\x01ZEOF"s, rom,
       ReportId::patch_after_end},
      {"a record past 16 MiB", PatchFormat::ips, "PATCH\xFF\xFF\xFF\x00\x02ZZEOF"s, rom,
       ReportId::patch_ips_reach},
      {"its own output", PatchFormat::ips,
       "PATCH\x00\x00\x01\x00\x01"
       "BEOF"s,
       rom, ReportId::patch_ips_applied},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    EXPECT_EQ(refused(apply_patch(fault.format, fault.patch, fault.rom)).id, fault.id);
  }
  // Both CRC32s are named.
  const Report wrong = refused(apply_patch(PatchFormat::bps, bps, other));
  ASSERT_EQ(wrong.args.size(), 4u);
  EXPECT_NE(wrong.args[0], wrong.args[2]);
  EXPECT_EQ(wrong.args[1], "8");
}

TEST(Patch, IpsReachAndItsEndMarker) {
  // A change at $454F46 is written by a record that begins a byte earlier.
  const std::string original(0x454F50, '\0');
  std::string modified = original;
  modified[0x454F46] = 'x';
  const std::string ips = made(make_patch(PatchFormat::ips, original, modified));
  EXPECT_EQ(ips, "PATCH\x45\x4F\x45\x00\x02\x00xEOF"s);
  EXPECT_EQ(made(apply_patch(PatchFormat::ips, ips, original)), modified);
  // A run there too.
  modified.replace(0x454F46, 64, 64, 'r');
  EXPECT_EQ(made(apply_patch(PatchFormat::ips,
                             made(make_patch(PatchFormat::ips, original, modified)), original)),
            modified);

  // 16 MiB is the format's reach: a file of exactly that size is patched, one byte more is refused.
  const std::string small(0x100, '\0');
  std::string full(std::size_t{1} << 24, '\0');
  full.back() = 'E';
  EXPECT_EQ(
      made(apply_patch(PatchFormat::ips, made(make_patch(PatchFormat::ips, small, full)), small)),
      full);
  EXPECT_EQ(refused(make_patch(PatchFormat::ips, small, full + "!")).id,
            ReportId::patch_ips_too_large);
  EXPECT_EQ(refused(make_patch(PatchFormat::ips, full + "!", full)).id,
            ReportId::patch_ips_no_truncation);
}

} // namespace
} // namespace textdump
