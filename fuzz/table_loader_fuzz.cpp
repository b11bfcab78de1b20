// libFuzzer target: arbitrary bytes as a table file, through the loader and the checker.
#include <cstdio>
#include <cstdlib>

#include "fuzz_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = textdump::testing::run_table_loader_input(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "table loader: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
