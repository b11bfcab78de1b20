// libFuzzer target: a table, pointer tables and a ROM from the input built into a
// script, which the test inserter must insert back as the same ROM (pointer_inputs.hpp).
#include <cstdio>
#include <cstdlib>

#include "pointer_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = textdump::testing::run_script_input(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "script build: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
