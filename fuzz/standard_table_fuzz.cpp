// libFuzzer target: arbitrary bytes as a standard table file, parsed and decoded through.
#include "fuzz_target.hpp"
#include "fuzz_inputs.hpp"

FUZZ_TARGET("standard table", textdump::testing::run_standard_table_input)
