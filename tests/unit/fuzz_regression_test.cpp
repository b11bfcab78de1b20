// Replays the fuzz targets' seed corpus and every saved finding through the code
// the targets run, so that a fault the fuzzer found stays found.
#include <gtest/gtest.h>

#ifdef TEXTDUMP_FUZZ_DIR

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_inputs.hpp"
#include "patch_inputs.hpp"
#include "pointer_inputs.hpp"
#include "support/test_files.hpp"

namespace textdump {
namespace {

namespace fs = std::filesystem;

// Every file of fuzz/corpus/TARGET and fuzz/regressions/TARGET, in name order.
std::vector<fs::path> inputs_of(const std::string& target) {
  std::vector<fs::path> files;
  for (const char* folder : {"corpus", "regressions"}) {
    const fs::path dir = fs::path(TEXTDUMP_FUZZ_DIR) / folder / target;
    if (!fs::is_directory(dir)) continue;
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string bytes_of(const fs::path& file) {
  return testing::read_file_bytes(file.string());
}

std::string repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

const std::uint8_t* data_of(const std::string& bytes) {
  return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

using Replay = std::string (*)(const std::uint8_t*, std::size_t);

// Every input of the target: its checks hold for each one.
void replay(const char* target, Replay run) {
  const auto files = inputs_of(target);
  EXPECT_GE(files.size(), 3u) << target;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string bytes = bytes_of(file);
    EXPECT_EQ(run(data_of(bytes), bytes.size()), "");
  }
}

// The table targets' inputs, and the option values, scripts and finder searches.
TEST(FuzzRegression, InputsReplay) {
  const std::pair<const char*, Replay> targets[] = {
      {"table_loader_fuzz", testing::run_table_loader_input},
      {"standard_table_fuzz", testing::run_standard_table_input},
      {"arguments_fuzz", testing::run_arguments_input},
      {"script_build_fuzz", testing::run_script_input},
      {"finder_fuzz", testing::run_finder_input},
      {"patch_fuzz", testing::run_patch_input},
  };
  for (const auto& [target, run] : targets) replay(target, run);
}

// Each input runs whole and cut into pieces of one and of three offsets: the
// pieces must not change what the run writes or how it ends.
TEST(FuzzRegression, DumpRunInputsReplay) {
  const auto files = inputs_of("dump_run_fuzz");
  EXPECT_GE(files.size(), 3u);
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string bytes = bytes_of(file);
    const auto input = testing::split_dump_input(data_of(bytes), bytes.size());
    const testing::DumpRun whole = testing::run_dump(input);
    EXPECT_EQ(whole.problem, "");
    if (whole.capped) continue;
    for (std::uint64_t piece : {1u, 3u}) {
      const testing::DumpRun cut = testing::run_dump(input, piece);
      EXPECT_EQ(cut.problem, "");
      EXPECT_EQ(cut.end, whole.end) << "pieces of " << piece;
      EXPECT_EQ(cut.output, whole.output) << "pieces of " << piece;
    }
  }
}

// The seeds decode to what they were written for, so the corpus starts the
// fuzzer on pointers, records, switches and the top of the offset range.
TEST(FuzzRegression, SeedsDecodeAsIntended) {
  const struct {
    const char* seed;
    DecodeEnd end;
    std::string output;
  } cases[] = {
      {"snes.bin", DecodeEnd::complete, "Hello\r\nWorld\r\nHiROM\r\n[END]\r\n"},
      {"fixed.bin", DecodeEnd::complete,
       "Record0!\r\nRec1\r\n" + repeat("(FF)", 16) + "\r\n[END]\r\n"},
      {"switch.bin", DecodeEnd::table_failed, "ab\r\nALPHABETA[END]\r\nabALPHAb[END]\r\nALPHA"},
      {"top.bin", DecodeEnd::complete, std::string(16, '~')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seed);
    const std::string bytes =
        bytes_of(fs::path(TEXTDUMP_FUZZ_DIR) / "corpus" / "dump_run_fuzz" / c.seed);
    const testing::DumpRun run =
        testing::run_dump(testing::split_dump_input(data_of(bytes), bytes.size()));
    EXPECT_EQ(run.problem, "");
    EXPECT_EQ(run.end, c.end);
    EXPECT_EQ(run.output, c.output);
  }
}

// The script seeds reach the inserter, and the finder's planted tables are
// found, so that the corpus starts the fuzzer past the refusals.
TEST(FuzzRegression, PointerSeedsReachTheirChecks) {
  const fs::path corpus = fs::path(TEXTDUMP_FUZZ_DIR) / "corpus";
  for (const auto& seed : fs::directory_iterator(corpus / "script_build_fuzz")) {
    SCOPED_TRACE(seed.path().string());
    const std::string bytes = bytes_of(seed.path());
    EXPECT_GT(testing::run_script(data_of(bytes), bytes.size()).inserted, 1u);
  }
  for (const char* seed : {"planted.bin", "gb.bin"}) {
    SCOPED_TRACE(seed);
    const std::string bytes = bytes_of(corpus / "finder_fuzz" / seed);
    const testing::FinderRun run = testing::run_finder(data_of(bytes), bytes.size());
    ASSERT_FALSE(run.found.empty());
    EXPECT_EQ(run.found.front().targets.size(), 8u);
  }
}

} // namespace
} // namespace textdump

#else

TEST(FuzzRegression, NeedsTheFuzzFolder) {
  GTEST_SKIP() << "unit_tests was built without TEXTDUMP_FUZZ_DIR";
}

#endif
