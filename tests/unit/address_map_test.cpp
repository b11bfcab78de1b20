// The address-map registry: each map's value -> offset and offset -> value
// agree, each map's address forms read back (tests/data/addresses), and the
// man page lists the maps and fields the registry has.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "core/maps/maps.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

TEST(AddressMaps, ValueAndOffsetEachGiveTheOther) {
  const RomLayout plain{0x40000, 0, false, 0, 0};
  const RomLayout copier{0x40200, 0x200, false, 0, 0};
  const RomLayout nes_32k{0x8010, 0, true, 16, 0x8000};
  const RomLayout nes_64k{0x10010, 0, true, 16, 0x10000};
  const struct {
    const char* pointers;
    const RomLayout& layout;
    std::uint64_t slot, offset;
    std::optional<std::uint32_t> value; // nothing: no value of this size reaches the offset
  } cases[] = {
      {"base=-7FF0", plain, 0x100, 0x6C10, 0xEC00},
      {"size=4,base=20", plain, 0x100, 0x6C10, 0x6BF0},
      {"base=20", plain, 0x100, 0x10, std::nullopt},     // below the base
      {"base=0", plain, 0x100, 0x10000, std::nullopt},   // too wide for 2 bytes
      {"size=3,base=0", plain, 0x100, 0x10000, 0x10000}, // not for 3
      {"map=lorom", plain, 0x1F000, 0x18010, 0x8010},
      {"map=lorom", copier, 0x1F200, 0x18210, 0x8010},
      {"map=lorom", plain, 0x1F000, 0x8010, std::nullopt}, // another bank than the table's
      {"map=lorom,bank=1", plain, 0x1F000, 0x8010, 0x8010},
      {"size=3,map=lorom", plain, 0x100, 0x18010, 0x038010},
      {"size=3,map=lorom", copier, 0x100, 0x18210, 0x038010},
      {"map=hirom", plain, 0x2F000, 0x21234, 0x1234},
      {"map=hirom,bank=2", plain, 0x100, 0x21234, 0x1234},
      {"size=3,map=hirom", copier, 0x100, 0x21434, 0xC21234},
      {"size=3,map=hirom", plain, 0x100, 0x400000, std::nullopt},
      {"map=gb", plain, 0x9000, 0x8123, 0x4123},
      {"map=gb", plain, 0x9000, 0x1234, 0x1234},
      {"map=gb", plain, 0x100, 0x4123, 0x4123}, // a table in bank 0 points into bank 1
      {"map=gb", plain, 0x100, 0x8123, std::nullopt},
      {"size=3,map=gb", plain, 0x100, 0x8123, 0x024123},
      {"map=nes", nes_32k, 0x6D10, 0x6C20, 0xEC10},
      {"map=nes", nes_64k, 0xB010, 0x8133, 0x8123},
      {"map=nes", nes_64k, 0x100, 0x8133, std::nullopt},
      {"map=nes,window=6000,banksize=2000,bank=3", nes_64k, 0x100, 0x6133, 0x6123},
      {"map=gba", plain, 0x100, 0x6C10, 0x08006C10},
      {"map=gba", plain, 0x100, 0x1234567, 0x09234567}, // the mirror of a ROM over 16 MiB
      {"map=gba", plain, 0x100, 0x2000000, std::nullopt},
      {"map=md", plain, 0x100, 0x6C10, 0x6C10},
      {"size=2,map=md", plain, 0x100, 0x16C10, std::nullopt},
  };
  std::set<std::string> seen;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pointers);
    const auto parsed = parse_pointer_table("at=0,count=1," + std::string(c.pointers));
    ASSERT_TRUE(std::holds_alternative<PointerTable>(parsed))
        << static_cast<int>(std::get<Report>(parsed).id);
    const PointerTable& ptable = std::get<PointerTable>(parsed);
    const MapDescriptor& map = map_of(ptable.map);
    seen.insert(std::string(map.name));
    EXPECT_EQ(map.to_value(ptable, c.layout, {ptable.size, c.slot}, c.offset), c.value);
    if (c.value) {
      EXPECT_EQ(map.to_offset(ptable, c.layout, {ptable.size, c.slot}, *c.value), c.offset);
    }
  }
  EXPECT_EQ(seen.size(), address_maps().size()) << "a map without a case";
}

// Each line: a map, a layout, a file offset, the address shown for it and a
// typed position that stands for it.
TEST(AddressMaps, AddressesAreWrittenAndReadInEachPlatformsForm) {
  const std::map<std::string, RomLayout> layouts = {
      {"plain", {0x400000, 0, false, 0, 0}},
      {"copier", {0x400200, 0x200, false, 0, 0}},
      {"nes32", {0x8010, 0, true, 16, 0x8000}},
      {"nes128", {0x20010, 0, true, 16, 0x20000}},
      {"nes_trainer", {0x20210, 0, true, 16 + 512, 0x20000}},
  };
  std::istringstream cases(
      testing::read_file_bytes(TEXTDUMP_SOURCE_DIR "/tests/data/addresses/cases.txt"));
  std::set<std::string> seen;
  std::string line;
  while (std::getline(cases, line)) {
    if (line.empty() || line[0] == '#') continue;
    SCOPED_TRACE(line);
    std::istringstream words(line);
    std::string name, layout_name, offset_text, word;
    std::vector<std::string> rest;
    words >> name >> layout_name >> offset_text;
    while (words >> word) rest.push_back(word);
    ASSERT_GE(rest.size(), 2u);
    std::string shown;
    for (std::size_t i = 0; i + 1 < rest.size(); ++i) shown += (i > 0 ? " " : "") + rest[i];
    const MapDescriptor* map = find_map(name);
    ASSERT_NE(map, nullptr);
    const RomLayout& layout = layouts.at(layout_name);
    seen.insert(name);
    const auto typed = parse_position(rest.back());
    ASSERT_TRUE(typed.has_value());
    const std::uint64_t offset =
        offset_text == "-" ? NO_OFFSET : std::stoull(offset_text, nullptr, 16);
    EXPECT_EQ(position_offset(*map, layout, *typed), offset);
    if (offset != NO_OFFSET) {
      EXPECT_EQ(address_text(*map, layout, offset), shown == "-" ? "" : shown);
    }
  }
  EXPECT_EQ(seen.size(), address_maps().size()) << "a map without a case";
}

// The man page's list of maps under --pointers: each ".TP" then ".B NAME",
// with the ".B FIELD=\c" lines that follow it.
TEST(AddressMaps, TheManPageListsEachMapWithItsFields) {
  std::istringstream page(testing::read_file_bytes(TEXTDUMP_SOURCE_DIR "/doc/textdump.1"));
  std::map<std::string, std::set<std::string>> listed;
  std::string line, current, previous;
  bool inside = false;
  while (std::getline(page, line)) {
    if (line.starts_with("The maps turn a pointer's value into a file offset")) inside = true;
    if (inside && line == ".RE") break;
    if (inside && previous == ".TP" && line.starts_with(".B ")) {
      listed[current = line.substr(3)];
    } else if (inside && line.starts_with(".B ") && line.ends_with("=\\c")) {
      listed[current].insert(line.substr(3, line.size() - 6));
    }
    previous = line;
  }
  std::map<std::string, std::set<std::string>> registry;
  for (const MapDescriptor& map : address_maps())
    registry[std::string(map.name)] = {map.fields.begin(), map.fields.end()};
  EXPECT_EQ(listed, registry);
}

} // namespace
} // namespace textdump
