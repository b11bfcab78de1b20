// What --insert reports of an insertion: its lines on standard output, and
// the same as a JSON document.
#pragma once

#include <string>

#include "app/insert/insert_command.hpp"
#include "core/insert/insert.hpp"

namespace textdump {

std::string insertion_lines(const Insertion& insertion);

std::string insertion_json(const InsertRequest& request, const Insertion& insertion,
                           const Placement& placement);

} // namespace textdump
