// libFuzzer target: a table, pointer tables and a ROM from the input built into a
// script, which the test inserter must insert back as the same ROM (pointer_inputs.hpp).
#include "fuzz_target.hpp"
#include "pointer_inputs.hpp"

FUZZ_TARGET("script build", textdump::testing::run_script_input)
