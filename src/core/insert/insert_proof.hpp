// The proof of an insertion, from its result and the plan alone (insert_proof.cpp).
#pragma once

#include <string_view>

#include "core/insert/insert_types.hpp"
#include "core/script/script_plan.hpp"

namespace textdump {

// Adds an error to insertion for each pointer, string or length the result
// does not hold as the plan says, and for the first byte that differs from
// rom outside the plan's blocks, slots and fields and the checksums' bytes.
void prove(const InsertPlan& plan, std::string_view rom, Insertion& insertion);

// A pointer's or length's bytes at at, in the order given.
std::uint64_t read_field(std::string_view bytes, std::uint64_t at, unsigned size, bool big_endian);

} // namespace textdump
