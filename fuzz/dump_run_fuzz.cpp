// libFuzzer target: a whole run in process, with two table files of one family,
// a ROM and a range taken from the input (layout in fuzz_inputs.hpp).
#include <cstdio>
#include <cstdlib>

#include "fuzz_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = textdump::testing::run_dump_input(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "dump run: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
