// A map of a ROM: where its text, its pointer tables and its free space lie,
// in ROM order, as spans that never overlap.
//
//   free space     a run of at least MIN_FREE bytes that are all 0x00 or all
//                  0xFF; it comes first: nothing else lies inside it.
//   pointer table  a candidate of the finder (given, best first): its slots,
//                  from the first to the end of the last, outside free space.
//   text           a run of keys through the table, from where the bytes
//                  outside free space and pointer tables begin to decode, with
//                  at least MIN_TEXT_KEYS text keys (text, line breaks, waits;
//                  control codes and their parameters pass): it ends after an
//                  end entry, before a key that is neither text nor a control
//                  code, or where free space or a pointer table begins. A run
//                  too short is tried again from its next byte.
//
// Each pointer table also gives the span of the text it points into: from its
// first target to the end of the string at its last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/tables/code_table.hpp"
#include "core/finder/finder.hpp"
#include "core/base/rom_view.hpp"

namespace textdump {

inline constexpr std::uint64_t MIN_FREE = 16;
inline constexpr std::size_t MIN_TEXT_KEYS = 4;

enum class SpanKind : std::uint8_t { text, pointers, free };

struct Span {
  SpanKind kind = SpanKind::text;
  std::uint64_t at = 0, end = 0; // end excluded
  std::uint8_t byte = 0;         // free: the byte it is made of
  bool ended = false;            // text: by an end entry
  std::size_t table = 0;         // pointers: the candidate's index, best first
  std::uint64_t target_at = 0, target_end = 0; // pointers: the text it points into

  std::uint64_t length() const { return end - at; }
};

struct Survey {
  std::vector<Span> spans; // in ROM order
  std::uint64_t bytes[3] = {0, 0, 0}; // by kind
  std::size_t runs[3] = {0, 0, 0};    // by kind
};

// file_tables: a standard file's tables, through which the table's switches
// read text that counts as the table's own.
Survey survey_rom(const RomView& rom, const CodeTable& table, const std::vector<Candidate>& tables,
                  const std::vector<CodeTable>* file_tables = nullptr);

} // namespace textdump
