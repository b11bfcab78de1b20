// libFuzzer target: arbitrary bytes as the value of --pointers, --end, --map and
// --size; a --pointers table written back must read as itself (pointer_inputs.hpp).
#include <cstdio>
#include <cstdlib>

#include "pointer_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = textdump::testing::run_arguments_input(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "arguments: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
