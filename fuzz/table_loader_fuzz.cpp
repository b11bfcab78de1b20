// libFuzzer target: arbitrary bytes as a table file, through the loader and the checker.
#include "fuzz_target.hpp"
#include "fuzz_inputs.hpp"

FUZZ_TARGET("table loader", textdump::testing::run_table_loader_input)
