// A map of a ROM: where its text, its pointer tables and its free space lie,
// in ROM order, as spans that never overlap. Its files:
//
//   survey.hpp          this header, the one other folders include: the survey
//   survey_types.hpp    a span, the survey, the least free space and text
//   survey_picture.hpp  the survey as a picture's cells
//   free_space.hpp      the free runs, which --insert --free auto takes too
//   text_reading.hpp    whether a run of keys reads as text
//
//   free space     a free run (core/survey/free_space.hpp: at least
//                  FREE_RUN_MIN bytes of the ROM's fill byte, cut at bank
//                  edges, outside the header); it comes first: nothing else
//                  lies inside it.
//   pointer table  a candidate of the finder (given, best first): its slots,
//                  from the first to the end of the last, where they overlap
//                  neither free space nor a better candidate.
//   text           a run of keys through the table, from where the bytes
//                  outside free space and pointer tables begin to decode, with
//                  at least MIN_TEXT_KEYS text keys (text, line breaks, waits;
//                  control codes and their parameters pass), that reads as
//                  text (core/survey/text_reading.hpp: words, not just
//                  letters): it ends after an end entry, before a key that is
//                  neither text nor a control code, or where free space or a
//                  pointer table begins. A run too short is tried again from
//                  its next byte; a run that does not read as text is passed.
//
// Each pointer table also gives the span of the text it points into: from its
// first target to the end of the string at its last.
#pragma once

#include <vector>

#include "core/base/base.hpp"
#include "core/finder/finder.hpp"
#include "core/survey/free_space.hpp"
#include "core/survey/survey_picture.hpp"
#include "core/survey/survey_types.hpp"
#include "core/tables/tables.hpp"

namespace textdump {

// file_tables: a standard file's tables, through which the table's switches
// read text that counts as the table's own.
Survey survey_rom(const RomView& rom, const CodeTable& table, const std::vector<Candidate>& tables,
                  const std::vector<CodeTable>* file_tables = nullptr);

} // namespace textdump
