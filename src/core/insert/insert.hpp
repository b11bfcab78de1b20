// core/insert: an edited script dump put into a ROM held in memory, and the
// result proven, for textdump --insert.
//
// The script is read once, by the fitter of core/script (fit_script), which
// works out its plan: the bytes of every block, every pointer write and every
// length field a //LENGTH line names. insert_script applies such a plan to a
// copy of the ROM.
//
// Its files:
//   insert_types.hpp  the vocabulary: what an insertion did
//   insert.cpp        the plan checked against the ROM, applied, checksums fixed
//   insert_proof.cpp  the proof, from the result alone
//   placement.hpp     strings moved into free space, equal strings stored once
//                     (placement.cpp, placement_pieces.cpp; free_ranges.cpp:
//                     the free space --free auto offers, less the plan's own)
//
// What it promises:
// - Nothing is cut and nothing written past the ROM's end: a block, pointer
//   slot or length field that lies past it is an error naming its line, and
//   the result is then empty. (A block past its #JMP bound never reaches
//   here: the fitter reports it, and the caller stops.)
// - The bytes are those the Atlas inserter writes for the script, in the same
//   order (blocks, then each pointer and length in script order), with the
//   length fields that //LENGTH lines name rewritten, and the header's
//   checksums that were right before recomputed (core/maps/rom_header.hpp);
//   one that was wrong stays as it was, with a warning.
// - The proof, from the result and the plan alone: every pointer's value,
//   read back through its address type, reaches the place its text was
//   written; the string there, decoded (core/decode's keys) with the
//   script's insertion table to its end (its end token, its Pascal length,
//   its fixed length or its length field, each length read back too), is the
//   script's text (a raw form <$XX> read as its byte; a fixed string's
//   padding after it); and every byte that differs from the ROM lies in a
//   block, a pointer slot, a length field or a checksum. A failure is an
//   error with the script line.
// - With free ranges or sharing (placement.hpp) the plan is changed before
//   it is applied: its moved strings are blocks of their own, which the
//   proof reads back as any other; the block list of the insertion leaves
//   them out (the placement reports them).
// - Nothing here opens a file or prints.
#pragma once

#include <string_view>

#include "core/insert/insert_types.hpp"
#include "core/insert/placement.hpp"
#include "core/script/script.hpp"

namespace textdump {

// The plan of a script that fits (FitReport::plan, FitReport::fits()) put into rom.
Insertion insert_script(const InsertPlan& plan, std::string_view rom);

} // namespace textdump
