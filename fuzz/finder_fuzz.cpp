// libFuzzer target: arbitrary bytes as a ROM searched for pointer tables, with a
// table and the search's options from the input (pointer_inputs.hpp).
#include "fuzz_target.hpp"
#include "pointer_inputs.hpp"

FUZZ_TARGET("finder", textdump::testing::run_finder_input)
