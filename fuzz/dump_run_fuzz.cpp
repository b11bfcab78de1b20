// libFuzzer target: a whole run in process, with two table files of one family,
// a ROM and a range taken from the input (layout in fuzz_inputs.hpp).
#include "fuzz_target.hpp"
#include "fuzz_inputs.hpp"

FUZZ_TARGET("dump run", textdump::testing::run_dump_input)
