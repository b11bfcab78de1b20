// Text back to bytes, as the inserter encodes a script: "<$XX>" (upper-case
// digits) is a raw byte wherever it stands; every other run of characters is
// encoded greedily, the longest table text first; of two entries with the same
// text the first added wins. A character that no text starts fails the encoding.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textdump {

class TextEncoder {
public:
  TextEncoder();

  // False, changing nothing, when the text is empty or already has bytes.
  bool add(std::string_view text, std::string_view bytes);

  // The bytes of the text; nothing when a character cannot be encoded.
  std::optional<std::string> encode(std::string_view text) const;

private:
  struct Node {
    std::vector<std::pair<unsigned char, std::uint32_t>> children; // sorted by byte
    std::optional<std::string> bytes;
  };
  std::uint32_t child(std::uint32_t node, unsigned char c) const;

  std::vector<Node> nodes_; // [0] is the root
};

// The raw byte at text[i] when "<$XX>" with upper-case digits stands there.
std::optional<std::uint8_t> raw_byte_at(std::string_view text, std::size_t i);

} // namespace textdump
