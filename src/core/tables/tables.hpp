// core/tables: table files in both formats, read into definitions and
// reports, and the code table a dump reads through.
//
//   entry.hpp            what a key stands for and what a dump writes for it;
//                        the default labels; which kinds count as text
//   code_table.hpp       every key's entry, laid over in load order, looked up
//                        directly; the table's format
//   font_table.hpp       the tool's own format: lines, definitions, reports
//   standard_table.hpp   the community's standard format: named tables,
//                        definitions, reports
//   standard_switch.hpp  the value of a standard table's switch line
//   switch_graph.hpp     the tables a standard file's switches reach, and their loops
//   table_family.hpp     the table digit of a family member's file name
//   text_encoder.hpp     text back to bytes, as the inserter reads a script
//
// Nothing here opens a file: the app reads the bytes and hands them over.
// Each header states its own contract; this one only gathers them.
#pragma once

#include "core/tables/code_table.hpp"
#include "core/tables/entry.hpp"
#include "core/tables/font_table.hpp"
#include "core/tables/standard_switch.hpp"
#include "core/tables/standard_table.hpp"
#include "core/tables/switch_graph.hpp"
#include "core/tables/table_family.hpp"
#include "core/tables/text_encoder.hpp"
