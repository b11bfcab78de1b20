// The survey's vocabulary, below its parts: a span of one kind, the survey
// of a ROM, and the least text it takes (core/survey/survey.hpp
// says what each kind of span is).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace textdump {

inline constexpr std::size_t MIN_TEXT_KEYS = 4;

enum class SpanKind : std::uint8_t { text, pointers, free };

struct Span {
  SpanKind kind = SpanKind::text;
  std::uint64_t at = 0, end = 0;               // end excluded
  std::uint8_t byte = 0;                       // free: the byte it is made of
  bool ended = false;                          // text: by an end entry
  std::size_t table = 0;                       // pointers: the candidate's index, best first
  std::uint64_t target_at = 0, target_end = 0; // pointers: the text it points into

  std::uint64_t length() const { return end - at; }
};

struct Survey {
  std::vector<Span> spans;            // in ROM order
  std::uint64_t bytes[3] = {0, 0, 0}; // by kind
  std::size_t runs[3] = {0, 0, 0};    // by kind
};

} // namespace textdump
