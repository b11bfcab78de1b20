// Hostile inputs run through the built program: huge and empty tables, huge
// lines, names and offset words, an empty ROM, the top of the offset range, and
// a table family member that is a directory. Each run ends with its documented
// result within a time limit, and the ROM and table files are left unchanged.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
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

// Runs of the command line that cannot lose data or run away: a dump named
// like a family member is refused, inputs too large to be real are refused, and
// runaway ranges and misread tables are warned of before the dump starts.
TEST(HostileInput, CommandLineRefusalsAndWarnings) {
  Inputs in;
  in.add("sw.rom", std::string("\x41\xF0\x41\xF1\x41\x00\x41\x42", 8));
  in.add("kana0.tbl", "41=A\r\n/00\r\n$F0=TABLE,1\r\n");
  in.add("kana1.tbl", "41=a\r\n$F1=TABLE,2\r\n");
  in.add("snes.tbl", "41=A\r\n$F1=SNES,L,0,2,0\r\n");
  in.add("wide.tbl", "41=A\r\n8140=x\r\n8141=y\r\n");
  // A sparse file one byte larger than a 32-bit offset reaches.
  const std::string huge = in.dir.file("huge.rom");
  write_file(huge, "");
  fs::resize_file(huge, (std::uintmax_t{1} << 32) + 1);

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
    const char* dump; // the file "out.txt" afterwards; nullptr: it does not exist
  };
  const std::vector<Case> cases = {
      {{"sw.rom", "kana0.tbl", "kana1.tbl", "0", "7"},
       1,
       "Won't write the dump file \"kana1.tbl\": it is a table file.\n",
       nullptr},
      // kana1.tbl switches to kana2.tbl, which is the dump itself: the switch fails.
      {{"sw.rom", "kana0.tbl", "kana2.tbl", "0", "7"},
       1,
       "Won't write the dump file \"kana2.tbl\": it is a table file.\n",
       nullptr},
      {{"huge.rom", "kana0.tbl", "out.txt", "0", "1"},
       1,
       "The ROM file \"huge.rom\" is larger than 4 GiB, the most an offset reaches.\n",
       nullptr},
      // A device is read into memory: only so far.
      {{"/dev/zero", "kana0.tbl", "out.txt", "0", "1"},
       1,
       "The ROM file \"/dev/zero\" is not a regular file and gives more than 256 MiB, the most "
       "read from a pipe or device; give the ROM as a file.\n",
       nullptr},
      {{"sw.rom", "/dev/zero", "out.txt", "0", "1"},
       1,
       "The table file \"/dev/zero\" is larger than 64 MiB; no table is that large.\n",
       ""},
      {{"sw.rom", "snes.tbl", "out.txt", "6", "9"},
       0,
       "Warning: the table has SNES entries but no END entry: every string they point to runs to "
       "the end of the ROM file.\n"
       "Warning: END 9 lies past the end of the ROM file (8 bytes): every offset after it is "
       "written as the byte FF.\n",
       "A(42)(FF)(FF)"},
      {{"sw.rom", "wide.tbl", "out.txt", "0", "0"},
       0,
       "Warning: \"wide.tbl\" has 2 lines with keys of four or more digits, which this table "
       "format reads as one-byte codes (first: line 2: 8140=x).\n",
       "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
    fs::remove(in.dir.file("out.txt"));
    const auto result = testing::run_program(in.folder(), c.args, "");
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, c.err);
    if (c.dump == nullptr)
      EXPECT_FALSE(fs::exists(in.dir.file("out.txt")));
    else
      EXPECT_EQ(in.dump(), c.dump);
    for (const auto& [name, bytes] : in.files) EXPECT_EQ(read_file_bytes(in.dir.file(name)), bytes);
  }
  EXPECT_EQ(in.dump("kana2.tbl"), "Aa");
}

// A ROM file cut short while the tool dumps it: a message naming it and status
// 1 (or a complete run when the cut came first), never a crash.
TEST(HostileInput, RomThatShrinksWhileItIsRead) {
  Inputs in;
  in.add("font.tbl", "41=A\r\n");
  const std::string rom = in.dir.file("big.rom");
  int reported = 0;
  for (int attempt = 0; attempt < 6; ++attempt) {
    write_file(rom, std::string(std::size_t{32} << 20, 'A'));
    std::thread cut([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(5 + 10 * attempt));
      fs::resize_file(rom, 0);
    });
    const auto result =
        testing::run_program(in.folder(), {"big.rom", "font.tbl", "out.txt", "0", "1FFFFFF"}, "");
    cut.join();
    SCOPED_TRACE(attempt);
    ASSERT_NE(result.status, -1) << "ended by a signal";
    if (result.status == 1) {
      ++reported;
      EXPECT_EQ(result.err, "The ROM file \"big.rom\" changed while it was read.\n");
    }
  }
  std::printf("%d of 6 runs met the cut\n", reported);
}

} // namespace
} // namespace textdump
