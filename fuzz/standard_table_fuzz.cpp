// libFuzzer target: arbitrary bytes as a standard table file, parsed and decoded through.
#include <cstdio>
#include <cstdlib>

#include "fuzz_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = textdump::testing::run_standard_table_input(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "standard table: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
