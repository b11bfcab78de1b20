// Text back to bytes, exactly as the inserter reads a script's text: at each
// place it takes the longest string starting there that is either a table
// text or a raw-byte form. The raw forms are five-character entries of the
// same lookup: "<$XX>" and "($XX)" with upper-case digits for every value, and
// "<$Xx>" whose low digit is a lower-case a-f. Nothing else is special: a table
// text that starts before a raw form and runs into it wins over the form. Of a
// table text and a raw form of the same five characters, the raw form is read.
// Of two entries with the same text the first added wins. A place where
// nothing matches fails the encoding.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textdump {

// The longest table text the Atlas inserter can read as a whole.
inline constexpr std::size_t ATLAS_LONGEST_TEXT = 255;

class TextEncoder {
public:
  TextEncoder();

  enum class Reading { sound, atlas };

  // False, changing nothing, when the text is empty or already has bytes.
  // An entry that does not raise keeps the Atlas inserter's longest length
  // for its first character as it was.
  bool add(std::string_view text, std::string_view bytes, bool raises = true);
  // Takes back the text's entry (added last): the next add of it may give other bytes.
  void remove(std::string_view text);

  // The bytes of the text; nothing when a character cannot be encoded.
  std::optional<std::string> encode(std::string_view text) const;

  // One step of encode at text[i]: a raw byte, or the longest table text there.
  struct Step {
    std::size_t length = 0;                  // characters taken
    const std::string* text_bytes = nullptr; // a table text's bytes; none for a raw byte
    char raw = 0;
    std::string_view bytes() const { return text_bytes ? *text_bytes : std::string_view(&raw, 1); }
  };
  std::optional<Step> step(std::string_view text, std::size_t i,
                           Reading reading = Reading::sound) const;

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
  // The Atlas inserter's longest length for each first character, 8 bits.
  std::array<std::uint8_t, 256> atlas_longest_{};
};

// The byte of the raw form that text[i, i + 5) is, when it is one the inserter
// reads: "<$XX>" or "($XX)" in upper case, or "<$xx>" all in lower case when
// its low digit is a letter ("<$4a>", "<$ab>"; not "<$Ab>", "<$a5>", "($ab)").
std::optional<std::uint8_t> raw_form_at(std::string_view text, std::size_t i);

// text[i, i + 5) looks like a raw form ("<$", "($", two hex digits of either
// case, ">" or ")"), whether the inserter reads it or not.
bool looks_like_raw_form(std::string_view text, std::size_t i);

} // namespace textdump
