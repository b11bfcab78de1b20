// libFuzzer target: arbitrary bytes as the value of --pointers, --end, --map and
// --size; a --pointers table written back must read as itself (pointer_inputs.hpp).
#include "fuzz_target.hpp"
#include "pointer_inputs.hpp"

FUZZ_TARGET("arguments", textdump::testing::run_arguments_input)
