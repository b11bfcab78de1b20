// libFuzzer target: a ROM and a patch in any of the three formats, applied,
// and patches made from what came out.
#include "fuzz_target.hpp"
#include "patch_inputs.hpp"

FUZZ_TARGET("patch", textdump::testing::run_patch_input)
