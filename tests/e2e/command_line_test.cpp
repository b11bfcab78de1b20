// The command line where a case folder cannot hold it: a dump of megabytes to
// standard output, the version, and the manual against the usage.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/maps/maps.hpp"
#include "io/encoding.hpp"
#include "support/run_program.hpp"
#include "textdump_version.hpp"

namespace textdump {
namespace {

using testing::read_file_bytes;
using testing::run_program;
using testing::TempDir;
using testing::write_file;

// Several megabytes of dump through standard output: every byte arrives, in order.
TEST(CommandLine, LargeDumpToStandardOutputMatchesTheFile) {
  TempDir dir;
  std::string rom;
  for (int i = 0; i < 0x60000; ++i) rom.push_back(static_cast<char>(i * 7 + (i >> 8)));
  write_file(dir.file("big.bin"), rom);
  write_file(dir.file("half.tbl"), "41=A\r\n0D=\xFF\xFE\r\n*0A\r\n/00\r\n");
  const auto to_file =
      run_program(dir.path().string(), {"big.bin", "half.tbl", "o", "0", "5FFFF"}, "");
  const auto to_out =
      run_program(dir.path().string(), {"big.bin", "half.tbl", "-", "0", "5ffff"}, "");
  ASSERT_EQ(to_file.status, 0);
  ASSERT_EQ(to_out.status, 0);
  const std::string dumped = read_file_bytes(dir.file("o"));
  EXPECT_GT(dumped.size(), 1u << 20);
  EXPECT_TRUE(to_out.out == dumped) << "standard output differs from the dump file";
  EXPECT_EQ(to_out.err, "");
}

TEST(CommandLine, VersionIsTheBuilds) {
  const TempDir dir;
  const auto version = run_program(dir.path().string(), {"--version"}, "");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.err, "");
  EXPECT_EQ(version.out, std::string("textdump ") + TEXTDUMP_VERSION + "\n");
}

// The usage is made from the options the parser declares; the manual's OPTIONS
// describes exactly those (its tags: `.TP` then `.BI \-\-top " k"`).
TEST(CommandLine, TheManualDescribesEveryOptionOfTheUsage) {
  const TempDir dir;
  const std::string usage = run_program(dir.path().string(), {"--help"}, "").out;
  std::set<std::string> declared;
  const std::regex in_usage(R"((?:^|[\s\[|(])(--?[a-z][-a-z]*))");
  for (auto it = std::sregex_iterator(usage.begin(), usage.end(), in_usage);
       it != std::sregex_iterator(); ++it)
    declared.insert((*it)[1].str());

  const std::string manual = read_file_bytes(TEXTDUMP_SOURCE_DIR "/doc/textdump.1");
  const std::size_t from = manual.find("\n.SH OPTIONS\n");
  ASSERT_NE(from, std::string::npos);
  const std::string options = manual.substr(from, manual.find("\n.SH ", from + 1) - from);
  std::set<std::string> described;
  const std::regex tag(R"(\n\.TP\n([^\n]*))"), name(R"(\\-(?:\\-)?[a-z][-a-z\\]*)");
  for (auto t = std::sregex_iterator(options.begin(), options.end(), tag);
       t != std::sregex_iterator(); ++t) {
    const std::string line = (*t)[1].str();
    for (auto n = std::sregex_iterator(line.begin(), line.end(), name); n != std::sregex_iterator();
         ++n)
      described.insert(std::regex_replace(n->str(), std::regex(R"(\\-)"), "-"));
  }
  EXPECT_EQ(described, declared);
  EXPECT_GE(declared.size(), 17u) << usage;

  // Every value of the lists the options are read by is named in both: the
  // table encodings, the maps and the maps' fields.
  std::vector<std::string> values;
  for (const std::string_view encoding : encoding_names()) values.emplace_back(encoding);
  for (const MapDescriptor& map : address_maps()) values.emplace_back(map.name);
  for (const std::string_view field : map_field_names()) values.push_back(std::string(field) + "=");
  const std::string plain = std::regex_replace(options, std::regex(R"(\\-)"), "-");
  for (const std::string& value : values) {
    EXPECT_NE(usage.find(value), std::string::npos) << value << " is not in the usage";
    EXPECT_TRUE(std::regex_search(plain, std::regex("\n\\.BR? " + value + "[ ,=\\\\\n]")))
        << value << " is not in the manual's options";
  }
}

} // namespace
} // namespace textdump
