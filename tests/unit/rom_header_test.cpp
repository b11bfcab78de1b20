// The headers' checksums and a ROM grown at its end, each platform on the
// images of tests/data/checksums: the real test ROMs and games, and images
// built there from the platforms' header layouts with their checksums worked
// out by hand. Each checksum is judged by the platform's rule written out
// here once more, byte by byte (for SNES, over the whole address space the
// console sees).
#include <gtest/gtest.h>

#include <bit>
#include <sstream>
#include <string>
#include <vector>

#include "app/common/report_text.hpp"
#include "core/maps/maps.hpp"
#include "support/realdata.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

const std::string DATA = TEXTDUMP_SOURCE_DIR "/tests/data/checksums/";

std::uint64_t hex(const std::string& text) {
  return std::stoull(text, nullptr, 16);
}

std::uint8_t byte_at(const std::string& rom, std::uint64_t at) {
  return static_cast<std::uint8_t>(rom[at]);
}

// The words of each line of a file of this folder, comments and empty lines aside.
std::vector<std::vector<std::string>> lines_of(const std::string& name) {
  std::istringstream in(testing::read_file_bytes(DATA + name));
  std::vector<std::vector<std::string>> lines;
  std::string line, word;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    lines.emplace_back();
    while (words >> word) lines.back().push_back(word);
  }
  EXPECT_FALSE(lines.empty()) << name;
  return lines;
}

// An image of this folder: "size N", then "at OFFSET" with a "text" or bytes.
std::string built_image(const std::string& name) {
  std::string rom;
  for (const auto& words : lines_of(name)) {
    if (words[0] == "size") rom.assign(hex(words[1]), '\0');
    if (words[0] != "at") continue;
    std::uint64_t at = hex(words[1]);
    for (std::size_t i = 2; i < words.size(); ++i) {
      if (words[i][0] == '"') {
        std::string text = words[i];
        while (text.size() < 2 || text.back() != '"') text += " " + words[++i];
        for (const char c : text.substr(1, text.size() - 2)) rom[at++] = c;
      } else {
        rom[at++] = static_cast<char>(hex(words[i]));
      }
    }
  }
  return rom;
}

// IMAGE[+copier][+cut=SIZE][+AT=HH...]: an image of this folder (*.txt) or
// of the real data.
std::string image_of(const std::string& given) {
  std::istringstream parts(given);
  std::string name, part;
  std::getline(parts, name, '+');
  std::string rom = name.ends_with(".txt")
                        ? built_image(name)
                        : testing::read_file_bytes((testing::REALDATA / name).string());
  while (std::getline(parts, part, '+')) {
    const std::size_t equals = part.find('=');
    if (part == "copier")
      rom.insert(0, 512, '\0');
    else if (part.starts_with("cut="))
      rom.resize(hex(part.substr(4)));
    else
      rom[hex(part.substr(0, equals))] = static_cast<char>(hex(part.substr(equals + 1)));
  }
  return rom;
}

// The platform's rule, read from its header layout, for the checksum's bytes.
HeaderBytes rule_value(const std::string& map, std::string_view checksum, const std::string& rom) {
  if (map == "lorom" || map == "hirom") {
    // Every address the console sees in the power of two the image fills,
    // the part past a power of two repeated up to it.
    std::string image = rom.substr(rom.size() & 0x7FF);
    const std::uint64_t at = map == "lorom" ? 0x7FDC : 0xFFDC;
    image.replace(at, 4, "\xFF\xFF\x00\x00", 4);
    std::uint16_t sum = 0;
    for (std::uint64_t address = 0; address < std::bit_ceil(image.size()); ++address) {
      std::uint64_t offset = address, base = 0, size = image.size();
      while (offset - base >= std::bit_floor(size)) {
        const std::uint64_t whole = std::bit_floor(size);
        offset = base + whole + (offset - base - whole) % std::bit_ceil(size - whole);
        base += whole;
        size -= whole;
      }
      sum = static_cast<std::uint16_t>(sum + byte_at(image, offset));
    }
    const auto complement = static_cast<std::uint16_t>(~sum);
    return {{static_cast<std::uint8_t>(complement & 0xFF),
             static_cast<std::uint8_t>(complement >> 8), static_cast<std::uint8_t>(sum & 0xFF),
             static_cast<std::uint8_t>(sum >> 8)},
            4};
  }
  std::uint32_t sum = 0;
  if (checksum == "header checksum") {
    std::uint8_t x = 0;
    for (std::uint64_t i = 0x134; i <= 0x14C; ++i)
      x = static_cast<std::uint8_t>(x - byte_at(rom, i) - 1);
    return {{x}, 1};
  }
  if (checksum == "complement check") {
    for (std::uint64_t i = 0xA0; i <= 0xBC; ++i) sum += byte_at(rom, i);
    return {{static_cast<std::uint8_t>(0 - (sum + 0x19))}, 1};
  }
  if (checksum == "global checksum") {
    for (std::uint64_t i = 0; i < rom.size(); ++i)
      if (i != 0x14E && i != 0x14F) sum += byte_at(rom, i);
  } else { // md
    for (std::uint64_t i = 0x200; i < rom.size(); ++i) sum += byte_at(rom, i) * (i % 2 ? 1u : 256u);
  }
  return {{static_cast<std::uint8_t>(sum >> 8 & 0xFF), static_cast<std::uint8_t>(sum & 0xFF)}, 2};
}

HeaderBytes bytes_at(const std::string& rom, const HeaderChecksum& checksum) {
  HeaderBytes held{{}, checksum.size};
  for (unsigned i = 0; i < checksum.size; ++i) held.bytes[i] = byte_at(rom, checksum.at + i);
  return held;
}

std::string states_of(const std::vector<HeaderChecksum>& checksums) {
  static const std::string NAMES[] = {"none", "right", "wrong"}; // in ChecksumState's order
  std::string text;
  for (const HeaderChecksum& checksum : checksums)
    text += (text.empty() ? "" : ",") + NAMES[static_cast<int>(checksum.state)];
  return text.empty() ? "-" : text;
}

bool in_checksum(const std::vector<HeaderChecksum>& checksums, std::uint64_t at) {
  for (const HeaderChecksum& checksum : checksums)
    if (at >= checksum.at && at < checksum.at + checksum.size) return true;
  return false;
}

// After fixing (before: the states of changed's ROM before it changed): each
// checksum right before holds the rule's value; every other byte is changed's.
void expect_fixed(const std::string& map, const std::string& changed, const std::string& fixed,
                  const std::vector<HeaderChecksum>& before) {
  ASSERT_EQ(fixed.size(), changed.size());
  for (const HeaderChecksum& checksum : before) {
    SCOPED_TRACE(checksum.name);
    if (checksum.state == ChecksumState::right) {
      EXPECT_EQ(bytes_at(fixed, checksum), rule_value(map, checksum.name, fixed));
    } else if (checksum.state == ChecksumState::wrong) {
      EXPECT_EQ(bytes_at(fixed, checksum), bytes_at(changed, checksum));
    }
  }
  for (std::uint64_t i = 0; i < fixed.size(); ++i)
    if (!in_checksum(before, i) && fixed[i] != changed[i])
      ADD_FAILURE() << "byte " << i << " changed";
}

// Each line of a case file; without the real data, only those of built
// images, and the test then skips.
template <typename Check> void for_each_case(const std::string& name, Check check) {
  const bool real_data = std::filesystem::is_directory(testing::REALDATA);
  for (const auto& words : lines_of(name))
    if (real_data || words[0].substr(0, words[0].find('+')).ends_with(".txt")) check(words);
  if (!real_data) REQUIRE_REALDATA();
}

TEST(HeaderChecksums, EachPlatformsChecksumsCheckedAndFixed) {
  for_each_case("checks.txt", [](const std::vector<std::string>& words) {
    SCOPED_TRACE(words[0] + " " + words[1] + " " + words[3]);
    const MapDescriptor& map = *find_map(words[1]);
    std::string rom = image_of(words[0]);
    const std::vector<HeaderChecksum> before = header_checksums(map, rom_view_of(rom));
    EXPECT_EQ(states_of(before), words[2]);
    for (const HeaderChecksum& checksum : before) {
      if (checksum.state == ChecksumState::none) continue;
      EXPECT_EQ(checksum.state == ChecksumState::right,
                bytes_at(rom, checksum) == rule_value(words[1], checksum.name, rom))
          << checksum.name;
    }

    // Every checksum fixed: each holds the rule's value.
    std::vector<HeaderChecksum> all = before;
    for (HeaderChecksum& checksum : all)
      if (checksum.state != ChecksumState::none) checksum.state = ChecksumState::right;
    std::string fixed = rom;
    fix_checksums(map, fixed, all);
    expect_fixed(words[1], rom, fixed, all);
    if (words[3] == "-") return;

    rom[hex(words[3])] = static_cast<char>(rom[hex(words[3])] + 1);
    EXPECT_EQ(states_of(header_checksums(map, rom_view_of(rom))), words[4]);
    fixed = rom;
    const auto after = fix_checksums(map, fixed, before);
    expect_fixed(words[1], rom, fixed, before);
    for (std::size_t i = 0; i < after.size(); ++i)
      EXPECT_TRUE(before[i].state != ChecksumState::right ||
                  after[i].state == ChecksumState::right);
  });
}

// IMAGE MAP SIZE FILL RESULT [AT=BYTES...]: planned with those header
// fields; grown ("ok"): the ROM as planned, then each checksum right before
// right after; or refused with the report named.
TEST(RomExpansion, EachPlatformGrowsOrIsRefused) {
  for_each_case("expand.txt", [](const std::vector<std::string>& words) {
    SCOPED_TRACE(words[0] + " " + words[1] + " " + words[2]);
    const MapDescriptor& map = *find_map(words[1]);
    const std::string rom = image_of(words[0]);
    const std::uint64_t size = hex(words[2]);
    const auto fill = static_cast<std::uint8_t>(hex(words[3]));
    const auto plan = plan_expansion(map, rom_view_of(rom), size);
    if (const auto* report = std::get_if<Report>(&plan)) {
      EXPECT_EQ(report_row(report->id).name, words[4]);
      return;
    }
    ASSERT_TRUE(words[4] == "ok" || words[4] == "plan") << words[4];
    const Expansion& expansion = std::get<Expansion>(plan);
    EXPECT_EQ(expansion.from, rom.size());
    EXPECT_EQ(expansion.to, size);
    EXPECT_EQ(expansion.writes.size(), words.size() - 5);
    std::string planned = rom;
    if (words[4] == "ok") planned.resize(size, static_cast<char>(fill));
    for (std::size_t i = 5; i < words.size(); ++i) {
      const std::size_t equals = words[i].find('=');
      HeaderWrite field{hex(words[i].substr(0, equals)), {}};
      const std::string digits = words[i].substr(equals + 1);
      field.value.size = static_cast<unsigned>(digits.size() / 2);
      for (unsigned b = 0; b < field.value.size; ++b) {
        field.value.bytes[b] = static_cast<std::uint8_t>(hex(digits.substr(2 * b, 2)));
        planned[field.at + b] = static_cast<char>(field.value.bytes[b]);
      }
      EXPECT_NE(std::find(expansion.writes.begin(), expansion.writes.end(), field),
                expansion.writes.end())
          << words[i];
    }
    if (words[4] != "ok") return;
    std::string grown = rom;
    expand_rom(map, grown, expansion, fill);
    expect_fixed(words[1], planned, grown, header_checksums(map, rom_view_of(rom)));
  });
}

} // namespace
} // namespace textdump
