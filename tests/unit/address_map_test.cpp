// The address maps: each map's values and the offsets they stand for
// (tests/data/addresses/values.txt), every offset's value read back across
// the bank edges, each map's address forms (tests/data/addresses/cases.txt)
// and every printed address typed back, the banks a map's pointers keep to,
// the maps a ROM's header suggests, and the man page's list of the maps and
// fields the registry has.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/maps/maps.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

const std::map<std::string, RomLayout> LAYOUTS = {
    {"plain", {0x400000, 0, false, 0, 0}},
    {"copier", {0x400200, 0x200, false, 0, 0}},
    {"nes32", {0x8010, 0, true, 16, 0x8000}},
    {"nes64", {0x10010, 0, true, 16, 0x10000}},
    {"nes128", {0x20010, 0, true, 16, 0x20000}},
    {"nes_trainer", {0x20210, 0, true, 16 + 512, 0x20000}},
    {"nes_chr", {0x22010, 0, true, 16, 0x20000}},
    {"nes0", {0x4010, 0, true, 16, 0}},
    {"big", {0x2010000, 0, false, 0, 0}},
};

// The words of each line of a case file but comments and empty lines, with
// the line itself.
std::vector<std::pair<std::string, std::vector<std::string>>> case_lines(const std::string& name) {
  std::istringstream cases(
      testing::read_file_bytes(TEXTDUMP_SOURCE_DIR "/tests/data/addresses/" + name));
  std::vector<std::pair<std::string, std::vector<std::string>>> lines;
  std::string line, word;
  while (std::getline(cases, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    lines.push_back({line, {}});
    while (words >> word) lines.back().second.push_back(word);
  }
  return lines;
}

std::uint64_t hex(const std::string& text) {
  return text == "-" ? NO_OFFSET : std::stoull(text, nullptr, 16);
}

PointerTable table_of(const std::string& fields) {
  const auto parsed = parse_pointer_table("at=0,count=1," + fields);
  if (const auto* report = std::get_if<Report>(&parsed))
    ADD_FAILURE() << fields << ": report " << static_cast<int>(report->id);
  return std::holds_alternative<PointerTable>(parsed) ? std::get<PointerTable>(parsed)
                                                      : PointerTable{};
}

TEST(AddressMaps, EachValueStandsForItsOffset) {
  std::set<std::string> seen;
  for (const auto& [line, words] : case_lines("values.txt")) {
    SCOPED_TRACE(line);
    ASSERT_GE(words.size(), 6u);
    const PointerTable ptable = table_of(words[0]);
    const MapDescriptor& map = map_of(ptable.map);
    const RomLayout& layout = LAYOUTS.at(words[1]);
    const PointerPlace place{ptable.size, hex(words[2])};
    const std::string& way = words[4];
    const std::uint64_t offset = hex(words[5]);
    seen.insert(std::string(map.name));
    if (way == "<") {
      EXPECT_EQ(map.to_value(ptable, layout, place, offset), std::nullopt);
      continue;
    }
    const auto value = static_cast<std::uint32_t>(hex(words[3]));
    EXPECT_EQ(map.to_offset(ptable, layout, place, value), offset);
    if (way == "=") {
      EXPECT_EQ(map.to_value(ptable, layout, place, offset), value);
    }
  }
  EXPECT_EQ(seen.size(), address_maps().size()) << "a map without a case";
}

// The offsets on both sides of every 16 KiB edge (and of the copier header's
// and the iNES header's edges), up to past the ROM's end.
std::vector<std::uint64_t> offsets_at_edges(const RomLayout& layout) {
  std::vector<std::uint64_t> offsets;
  for (const std::uint64_t origin : {0u, layout.copier_header, layout.prg_start})
    for (std::uint64_t edge = origin; edge <= layout.size + 0x10000; edge += 0x4000)
      for (const std::uint64_t offset : {edge - 1, edge, edge + 1})
        if (offset != ~std::uint64_t{0}) offsets.push_back(offset);
  return offsets;
}

// Every map reads back the value it writes for an offset, of each size it
// takes, for a pointer in the offset's own bank.
TEST(AddressMaps, EveryOffsetsValueGivesTheOffsetBack) {
  for (const MapDescriptor& map : address_maps()) {
    EXPECT_EQ(&map_of(map.id), &map) << map.name << ": the registry is not in the order of ids";
    EXPECT_EQ(find_map(map.name), &map);
    for (unsigned size = 2; size <= 4; ++size) {
      if (!map.takes_size(size)) continue;
      std::size_t written = 0;
      for (const auto& [name, layout] : LAYOUTS) {
        SCOPED_TRACE(std::string(map.name) + " size " + std::to_string(size) + " " + name);
        for (const std::uint64_t offset : offsets_at_edges(layout)) {
          const PointerPlace place{size, offset};
          const auto value = map.to_value(MapFields{}, layout, place, offset);
          if (!value) continue;
          ++written;
          EXPECT_EQ(map.to_offset(MapFields{}, layout, place, *value), offset)
              << std::hex << "offset " << offset << " value " << *value;
        }
      }
      EXPECT_GT(written, 0u) << map.name << " size " << size;
    }
  }
}

// Each line: a map, a layout, a file offset, the address shown for it and a
// typed position that stands for it.
TEST(AddressMaps, AddressesAreWrittenAndReadInEachPlatformsForm) {
  std::set<std::string> seen;
  for (const auto& [line, words] : case_lines("cases.txt")) {
    SCOPED_TRACE(line);
    ASSERT_GE(words.size(), 4u);
    std::string shown;
    for (std::size_t i = 3; i + 1 < words.size(); ++i) shown += (i > 3 ? " " : "") + words[i];
    const std::string name = words[0].substr(0, words[0].find(','));
    const MapDescriptor* map = find_map(name);
    ASSERT_NE(map, nullptr);
    const MapFields fields = table_of("map=" + words[0]);
    const RomLayout& layout = LAYOUTS.at(words[1]);
    seen.insert(name);
    const auto typed = parse_position(words.back());
    ASSERT_TRUE(typed.has_value());
    const std::uint64_t offset = hex(words[2]);
    EXPECT_EQ(position_offset(*map, layout, *typed, fields), offset);
    if (offset != NO_OFFSET) {
      EXPECT_EQ(address_text(*map, layout, offset, fields), shown == "-" ? "" : shown);
    }
  }
  EXPECT_EQ(seen.size(), address_maps().size()) << "a map without a case";
}

TEST(AddressMaps, TypedPositionsOfOtherFormsAreNone) {
  for (const char* text :
       {"", ":", "$", "0x", "G", "-1", "123456789", "1:12345", "12345:1", "1:2:3"})
    EXPECT_EQ(parse_position(text), std::nullopt) << text;
  EXPECT_EQ(parse_position("$FFFFFFFF"), (TypedPosition{std::nullopt, 0xFFFFFFFF}));
  EXPECT_EQ(parse_position("0xFFFF:$FFFF"), (TypedPosition{0xFFFF, 0xFFFF}));
}

// An address as printed, in the form typed: "$ECF0 (bank 07)" is 07:ECF0.
std::string typed_form(const std::string& shown) {
  std::string text;
  for (const char c : shown)
    if (c != '$') text += c;
  const std::size_t bank = text.find(" (bank ");
  if (bank == std::string::npos) return text;
  return text.substr(bank + 7, text.size() - bank - 8) + ":" + text.substr(0, bank);
}

// Under the map fields at their defaults, and under each map field that
// moves or resizes the banks.
TEST(AddressMaps, EveryAddressPrintedIsReadBack) {
  for (const MapDescriptor& map : address_maps()) {
    if (map.address_text == nullptr) continue;
    std::size_t printed = 0;
    std::vector<std::string> field_sets = {""};
    if (std::find(map.fields.begin(), map.fields.end(), "window") != map.fields.end())
      field_sets.insert(field_sets.end(), {",window=A000,banksize=2000", ",window=C000",
                                           ",banksize=8000", ",window=6000,banksize=4000"});
    for (const std::string& given : field_sets)
      for (const auto& [name, layout] : LAYOUTS) {
        SCOPED_TRACE(std::string(map.name) + given + " " + name);
        const MapFields fields = table_of("map=" + std::string(map.name) + given);
        for (const std::uint64_t offset : offsets_at_edges(layout)) {
          const std::string shown = address_text(map, layout, offset, fields);
          if (shown.empty()) continue;
          ++printed;
          const auto typed = parse_position(typed_form(shown));
          ASSERT_TRUE(typed.has_value()) << shown;
          EXPECT_EQ(position_offset(map, layout, *typed, fields), offset) << shown;
        }
      }
    EXPECT_GT(printed, 0u) << map.name;
  }
}

// The bank a pointer reaching a target keeps to, and the switched banks of a
// ROM with a fixed one.
TEST(AddressMaps, BanksThatPointersKeepTo) {
  const struct {
    const char* fields;
    const char* layout;
    std::uint64_t target;
    std::optional<BankSpan> bank;
  } cases[] = {
      {"map=lorom", "copier", 0x8200, BankSpan{0x8200, 0x10200}},
      {"map=lorom", "copier", 0x81FF, BankSpan{0x200, 0x8200}},
      {"map=lorom", "copier", 0x200, BankSpan{0x200, 0x8200}},
      {"map=lorom,size=3", "copier", 0x3F0200, BankSpan{0x3F0200, 0x3F8200}},
      {"map=lorom", "copier", 0x1FF, std::nullopt}, // the copier header
      {"map=hirom", "copier", 0x10200, BankSpan{0x10200, 0x20200}},
      {"map=hirom", "copier", 0x101FF, BankSpan{0x200, 0x10200}},
      {"map=hirom,size=3", "copier", 0x10200, std::nullopt}, // runs on from bank to bank
      {"map=gb", "plain", 0x7FFF, BankSpan{0x4000, 0x8000}},
      {"map=gb,size=3", "plain", 0x8000, BankSpan{0x8000, 0xC000}},
      {"map=nes", "nes32", 0x800F, BankSpan{0x10, 0x8010}},
      {"map=nes", "nes128", 0x4010, BankSpan{0x4010, 0x8010}},
      {"map=nes", "nes_trainer", 0x420F, BankSpan{0x210, 0x4210}},
      {"map=nes,banksize=2000", "nes128", 0x2010, BankSpan{0x2010, 0x4010}},
      {"map=nes", "nes128", 0xF, std::nullopt}, // the iNES header
      {"map=linear", "plain", 0x8000, std::nullopt},
      {"map=gba", "plain", 0x8000, std::nullopt},
      {"map=md", "plain", 0x8000, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fields) + " " + c.layout);
    const PointerTable ptable = table_of(c.fields);
    EXPECT_EQ(map_of(ptable.map).bank_span(ptable, LAYOUTS.at(c.layout), ptable.size, c.target),
              c.bank);
  }
  const MapDescriptor& nes = map_of(AddressMap::nes);
  const RomView none{};
  EXPECT_EQ(nes.switched_banks(none, LAYOUTS.at("nes128")),
            (SwitchedBanks{{0x1C010, 0x20010}, 0, 7, 0x10, 0x4000}));
  EXPECT_EQ(nes.switched_banks(none, LAYOUTS.at("nes_trainer")),
            (SwitchedBanks{{0x1C210, 0x20210}, 0, 7, 0x210, 0x4000}));
  EXPECT_EQ(nes.switched_banks(none, LAYOUTS.at("nes64")),
            (SwitchedBanks{{0xC010, 0x10010}, 0, 3, 0x10, 0x4000}));
  EXPECT_EQ(nes.switched_banks(none, LAYOUTS.at("nes32")), std::nullopt); // no bank switched
  EXPECT_EQ(nes.switched_banks(none, LAYOUTS.at("plain")), std::nullopt);
  for (const MapDescriptor& map : address_maps()) {
    if (map.id != AddressMap::nes) {
      EXPECT_EQ(map.switched_banks(none, LAYOUTS.at("nes128")), std::nullopt) << map.name;
    }
  }
}

// A SNES header: a title, a map byte, and the checksum's complement and sum.
std::string snes_header(std::string title, int mode, int complement, int sum) {
  title.resize(0x15, ' ');
  std::string header = title + std::string(0x0B, '\0');
  header[0x15] = static_cast<char>(mode);
  for (const auto& [at, value] : {std::pair{0x1C, complement}, std::pair{0x1E, sum}}) {
    header[static_cast<std::size_t>(at)] = static_cast<char>(value & 0xFF);
    header[static_cast<std::size_t>(at) + 1] = static_cast<char>(value >> 8);
  }
  return header;
}

// The maps a ROM's header suggests: a ROM of zeros of the size given, with
// bytes put at their places.
TEST(AddressMaps, TheMapsAHeaderSuggests) {
  const std::string zeros(0x15, '\0');
  const std::string logo = testing::bytes({0x24, 0xFF, 0xAE, 0x51, 0x69, 0x9A, 0xA2, 0x21});
  const struct {
    const char* what;
    std::size_t size;
    std::vector<std::pair<std::size_t, std::string>> put;
    std::set<std::string> suggested; // beside linear
  } cases[] = {
      {"a LoROM checksum", 0x8000, {{0x7FC0, snes_header(zeros, 0x20, 0, 0xFFFF)}}, {"lorom"}},
      {"a wrong checksum", 0x8000, {{0x7FC0, snes_header(zeros, 0x20, 0, 0xFFFE)}}, {}},
      {"past a copier header", 0x8200, {{0x81C0, snes_header(zeros, 0x20, 0, 0xFFFF)}}, {"lorom"}},
      {"a title and a FastROM map byte",
       0x8000,
       {{0x7FC0, snes_header("A GAME", 0x30, 0, 0)}},
       {"lorom"}},
      {"a title and no map byte", 0x8000, {{0x7FC0, snes_header("A GAME", 0x24, 0, 0)}}, {}},
      {"a title and no map byte", 0x8000, {{0x7FC0, snes_header("A GAME", 0x26, 0, 0)}}, {}},
      {"a title and no map byte", 0x8000, {{0x7FC0, snes_header("A GAME", 0x1F, 0, 0)}}, {}},
      {"a title of DEL", 0x8000, {{0x7FC0, snes_header("A GAME\x7F", 0x20, 0, 0)}}, {}},
      {"a HiROM map byte at 7FC0", 0x8000, {{0x7FC0, snes_header("A GAME", 0x21, 0, 0)}}, {}},
      {"a HiROM title", 0x10000, {{0xFFC0, snes_header("A GAME", 0x25, 0, 0)}}, {"hirom"}},
      {"a HiROM checksum",
       0x10000,
       {{0xFFC0, snes_header(zeros, 0x21, 0x1234, 0xEDCB)}},
       {"hirom"}},
      {"a LoROM map byte at FFC0", 0x10000, {{0xFFC0, snes_header(zeros, 0x20, 0, 0xFFFF)}}, {}},
      {"a Game Boy header checksum", 0x150, {{0x14D, "\xE7"}}, {"gb"}},
      {"a Game Boy header checksum", 0x150, {{0x14D, "\xE6"}}, {}},
      {"one byte short", 0x14F, {{0x14D, "\xE7"}}, {}},
      {"the GBA logo", 0xC0, {{0x04, logo}, {0xB2, "\x96"}}, {"gba"}},
      {"one byte short", 0xBF, {{0x04, logo}, {0xB2, "\x96"}}, {}},
      {"SEGA at 0100", 0x200, {{0x100, "SEGA"}}, {"md"}},
      {"SEGA at 0101", 0x200, {{0x101, "SEGA"}}, {"md"}},
      {"SEGA at 0102", 0x200, {{0x102, "SEGA"}}, {}},
      {"one byte short", 0x1FF, {{0x100, "SEGA"}}, {}},
      {"the iNES magic", 16, {{0, "NES\x1A"}}, {"nes"}},
      {"one byte short", 15, {{0, "NES\x1A"}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string rom(c.size, '\0');
    for (const auto& [at, bytes] : c.put) {
      const std::size_t n = std::min(bytes.size(), c.size - at);
      rom.replace(at, n, bytes.substr(0, n));
    }
    const RomView view{reinterpret_cast<const unsigned char*>(rom.data()), rom.size()};
    std::set<std::string> suggested = c.suggested;
    suggested.insert("linear");
    std::set<std::string> found;
    for (const MapDescriptor& map : address_maps())
      if (map.suggested_by != nullptr && map.suggested_by(view, layout_of(view)))
        found.insert(std::string(map.name));
    EXPECT_EQ(found, suggested);
  }
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
