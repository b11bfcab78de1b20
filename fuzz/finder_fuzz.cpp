// libFuzzer target: arbitrary bytes as a ROM searched for pointer tables, with a
// table and the search's options from the input (pointer_inputs.hpp).
#include <cstdio>
#include <cstdlib>

#include "pointer_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = textdump::testing::run_finder_input(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "finder: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
