// UTF-8 well-formedness: where a well-formed sequence starts, and whether a
// whole text is UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
#pragma once

#include <cstddef>
#include <string_view>

namespace textdump {

// The length of the well-formed UTF-8 sequence at bytes[at] (1 for ASCII); 0
// when the byte there begins none.
std::size_t utf8_sequence_at(std::string_view bytes, std::size_t at);

// True when every byte is part of a well-formed sequence.
bool is_utf8(std::string_view bytes);

} // namespace textdump
