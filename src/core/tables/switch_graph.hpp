// The tables of a standard table file as a graph, each switch an edge from its
// table to the table it opens: which tables the first one reaches, and which
// lie on a loop. Both in time linear in tables and switches.
#pragma once

#include <cstdint>
#include <vector>

namespace textdump {

// By table: the tables its switches open (an edge may be listed twice).
using SwitchGraph = std::vector<std::vector<std::uint32_t>>;

// By table: true when a path of switches leads to it from start (start itself
// is reached).
std::vector<bool> reached_from(const SwitchGraph& graph, std::uint32_t start);

// By table: true when a path of one or more switches leads from it back to it.
std::vector<bool> on_a_loop(const SwitchGraph& graph);

} // namespace textdump
