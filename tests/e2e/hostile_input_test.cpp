// Hostile inputs run through the built program: huge and empty tables, huge
// lines, names and offset words, an empty ROM, the top of the offset range, and
// a table family member that is a directory. Each run ends with its documented
// result within a time limit, and the ROM and table files are left unchanged.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/limited_run.hpp"
#include "support/run_program.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;
using testing::answers;
using testing::prompts_then;
using testing::read_file_bytes;
using testing::TempDir;
using testing::write_file;

const std::string COMPLETE = "END PROGRAM.\n";

// A folder of input files whose bytes are checked again after every run.
struct Inputs {
  TempDir dir;
  std::map<std::string, std::string> files;

  void add(const std::string& name, std::string bytes) {
    write_file(dir.file(name), bytes);
    files[name] = std::move(bytes);
  }
  std::string folder() const { return dir.path().string(); }
  std::string dump(std::string_view name = "out.txt") const {
    return read_file_bytes(dir.file(name));
  }
  testing::LimitedResult run(const std::string& input) const {
    auto result = testing::run_program_limited(folder(), input);
    EXPECT_FALSE(result.timed_out);
    for (const auto& [name, bytes] : files) {
      SCOPED_TRACE(name);
      EXPECT_EQ(read_file_bytes(dir.file(name)), bytes);
    }
    return result;
  }
};

// Huge and empty tables: the loader keeps every text whole wherever it lies.
TEST(HostileInput, HugeAndEmptyTables) {
  Inputs in;
  in.add("rom.bin", std::string("\x42\x41\x7E\x80\x00\x43", 6));

  // Exactly 1 MiB: a text at the start, 256-byte filler lines, and the last
  // texts far beyond offset 0xFFF0.
  const std::string head = "42=head\r\n", tail = "41=tail\r\n/00\r\n";
  std::string big = head;
  const std::size_t size = 1 << 20;
  while (big.size() + 256 + tail.size() < size) big += "7E=" + std::string(251, 'x') + "\r\n";
  const std::size_t last_filler = size - big.size() - tail.size() - 5;
  big += "7E=" + std::string(last_filler, 'y') + "\r\n" + tail;
  ASSERT_EQ(big.size(), size);
  in.add("big.tbl", big);

  // One text of 100,000 characters, and a keyword of 100,000 characters that
  // selects nothing.
  std::string long_text;
  for (int i = 0; i < 10000; ++i) long_text += "0123456789";
  in.add("long.tbl",
         "41=" + long_text + "\r\n$80=" + std::string(100000, 'F') + ",1,2,3\r\n/00\r\n43=C");
  in.add("empty.tbl", "");

  struct Case {
    const char* table;
    std::string dump;
  };
  const std::vector<Case> cases = {
      {"big.tbl", "headtail" + std::string(last_filler, 'y') + "(80)[END]\r\n(43)"},
      {"long.tbl", "(42)" + long_text + "(7E)(80)[END]\r\nC"},
      {"empty.tbl", "(42)(41)(7E)(80)(00)(43)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    const auto result = in.run(answers("rom.bin", c.table, "out.txt", "0", "5"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, prompts_then() + COMPLETE);
    EXPECT_EQ(in.dump(), c.dump);
  }
}

// Names of 4,000 characters: through nested folders they work; as one name
// they fail with the usual messages, naming the whole name.
TEST(HostileInput, NamesOfFourThousandCharacters) {
  Inputs in;
  in.add("rom.bin", "AB");
  in.add("font.tbl", "41=a\r\n42=b\r\n");
  std::string folder;
  for (int i = 0; i < 15; ++i) folder += std::string(250, static_cast<char>('a' + i)) + "/";
  fs::create_directories(in.dir.path() / folder);
  const std::string table = folder + std::string(4000 - folder.size(), 't');
  const std::string dump = folder + std::string(4000 - folder.size(), 'd');
  ASSERT_EQ(table.size(), 4000u);
  in.add(table, "41=long\r\n");

  auto result = in.run(answers("rom.bin", table, dump, "0", "1"));
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, prompts_then() + COMPLETE);
  EXPECT_EQ(in.dump(dump), "long(42)");

  const std::string flat(4000, 'n');
  result = in.run(answers(flat, "font.tbl", "out.txt", "0", "1"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts_then() + "Can't open the ROM file \"" + flat + "\".\n");

  result = in.run(answers("rom.bin", "font.tbl", flat, "0", "1"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts_then() + "Can't create the dump file \"" + flat +
                            "\": " + std::strerror(ENAMETOOLONG) + ".\n");

  result = in.run(answers("rom.bin", flat, "out.txt", "0", "1"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts_then() + "Can't open the table file \"" + flat + "\".\n");
  EXPECT_EQ(in.dump(), "");
}

// Offsets keep their last eight digits; every read past the ROM's end is 0xFF;
// the loop ends after offset FFFFFFFF instead of wrapping to 0.
TEST(HostileInput, OffsetsAtTheLimits) {
  Inputs in;
  in.add("tiny.bin", std::string("\x00\x11\x22\x33", 4));
  in.add("empty.bin", "");
  in.add("empty.tbl", "");
  std::string sixteen_ff;
  for (int i = 0; i < 16; ++i) sixteen_ff += "(FF)";
  struct Case {
    const char* rom;
    std::string start, end, dump;
  };
  const std::vector<Case> cases = {
      {"tiny.bin", std::string(92, 'F') + "00000001", std::string(92, 'e') + "00000003",
       "(11)(22)(33)"},
      {"empty.bin", "0", "3", "(FF)(FF)(FF)(FF)"},
      {"tiny.bin", "FFFFFFF0", "FFFFFFFF", sixteen_ff},
      {"tiny.bin", "80000000", "80000001", "(FF)(FF)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rom) + " " + c.start + " " + c.end);
    const auto result = in.run(answers(c.rom, "empty.tbl", "out.txt", c.start, c.end));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, prompts_then() + COMPLETE);
    EXPECT_EQ(in.dump(), c.dump);
  }
}

// A family member that is a directory cannot be opened, on a switch and on the
// restore: the message names it, status 1, the dump keeps what came before.
TEST(HostileInput, TableFamilyMemberThatIsADirectory) {
  Inputs in;
  in.add("rom.bin", std::string("\x41\xF1\x41\x00\x41", 5));
  in.add("kana0.tbl", "41=A\r\n/00\r\n$F1=TABLE,1\r\n");
  fs::create_directory(in.dir.file("kana1.tbl"));
  in.add("kata2.tbl", "41=A\r\n/00\r\n$F1=TABLE,1\r\n");
  in.add("kata1.tbl", "41=a\r\n");
  fs::create_directory(in.dir.file("kata0.tbl"));

  auto result = in.run(answers("rom.bin", "kana0.tbl", "out.txt", "0", "4"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts_then() + "Can't open the table file \"kana1.tbl\".\n");
  EXPECT_EQ(in.dump(), "A");

  result = in.run(answers("rom.bin", "kata2.tbl", "out.txt", "0", "4"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, prompts_then() + "Can't open the table file \"kata0.tbl\".\n");
  EXPECT_EQ(in.dump(), "Aa");
}

} // namespace
} // namespace textdump
