// One libFuzzer entry point: FUZZ_TARGET(what, run) defines it around a
// function of fuzz_inputs.hpp or pointer_inputs.hpp, which returns "" when
// every check held; anything else is printed after "what: " and aborts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_TARGET(what, run)                                                      \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    const std::string problem = run(data, size);                                    \
    if (!problem.empty()) {                                                         \
      std::fprintf(stderr, "%s: %s\n", what, problem.c_str());                      \
      std::abort();                                                                 \
    }                                                                               \
    return 0;                                                                       \
  }
