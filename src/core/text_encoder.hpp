// Text back to bytes, as the inserter encodes a script: "<$XX>" or "($XX)"
// (upper-case digits) is a raw byte wherever it stands, and with a lower-case
// digit fails the encoding; every other run of characters is encoded greedily,
// the longest table text first; of two entries with the same text the first
// added wins. A character that no text starts fails the encoding.
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

  // One step of encode at text[i]: a raw byte, or the longest table text there.
  struct Step {
    std::size_t length = 0;                  // characters taken
    const std::string* text_bytes = nullptr; // a table text's bytes; none for a raw byte
    char raw = 0;
    std::string_view bytes() const { return text_bytes ? *text_bytes : std::string_view(&raw, 1); }
  };
  std::optional<Step> step(std::string_view text, std::size_t i) const;

  // The most characters a step takes.
  std::size_t longest_step() const { return longest_; }

private:
  struct Node {
    std::vector<std::pair<unsigned char, std::uint32_t>> children; // sorted by byte
    std::optional<std::string> bytes;
  };
  std::uint32_t child(std::uint32_t node, unsigned char c) const;

  std::vector<Node> nodes_; // [0] is the root
  std::size_t longest_ = 5; // a raw byte's five characters, or the longest text
};

// "<$XX>" or "($XX)" with hex digits of either case.
struct RawForm {
  std::uint8_t byte = 0;
  bool lower_case = false; // a digit is lower case: the inserter refuses it
};
std::optional<RawForm> raw_form_at(std::string_view text, std::size_t i);

} // namespace textdump
