#include "core/survey/text_reading.hpp"

namespace textdump {

namespace {

bool is_vowel(char c) {
  switch (c | 0x20) {
  case 'a': case 'e': case 'i': case 'o': case 'u': case 'y': return true;
  default: return false;
  }
}

// The length of the label ("<PAGE>", "[k]": no space inside) that begins text, or 0.
std::size_t label_length(std::string_view text) {
  if (text.empty() || (text.front() != '<' && text.front() != '[')) return 0;
  const char closing = text.front() == '<' ? '>' : ']';
  const std::size_t close = text.find_first_of(std::string{closing, ' ', '\n'}, 1);
  return close != std::string_view::npos && close > 1 && text[close] == closing ? close + 1 : 0;
}

} // namespace

void TextReading::add(std::string_view rendering) {
  for (std::size_t at = 0; at < rendering.size(); ++at) {
    if (const std::size_t label = label_length(rendering.substr(at))) {
      end_word();
      at += label - 1;
      continue;
    }
    const char c = rendering[at];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      if ((byte & 0xC0) == 0x80) continue; // the rest of a character beyond ASCII
      ++letters_;
      ++word_letters_;
      word_beyond_ascii_ = true;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      const bool upper = c <= 'Z';
      if (word_letters_ == 0) word_first_upper_ = upper;
      ++letters_;
      ++latin_;
      ++word_letters_;
      ++word_latin_;
      if (upper) ++word_upper_;
      if (is_vowel(c)) ++word_vowels_;
    } else {
      end_word();
      ++(c == ' ' || c == '\n' ? spaces_ : others_);
    }
  }
}

void TextReading::end_word() {
  const std::size_t n = word_letters_;
  if (n != 0) {
    const bool cased = word_upper_ == 0 || word_upper_ == n || (word_upper_ == 1 && word_first_upper_);
    const bool plausible = word_beyond_ascii_ ||
                           (n <= MAX_WORD_LETTERS && cased && (n < 3 || word_vowels_ != 0));
    if (plausible) plausible_latin_ += word_latin_;
    if (plausible && n >= 3) long_word_ = true;
  }
  word_letters_ = word_latin_ = word_upper_ = word_vowels_ = 0;
  word_beyond_ascii_ = word_first_upper_ = false;
}

bool TextReading::reads_as_text() {
  end_word();
  const std::size_t characters = letters_ + spaces_ + others_;
  return long_word_ && (letters_ + spaces_) * 4 >= characters * 3 &&
         plausible_latin_ * 8 >= latin_ * 7;
}

} // namespace textdump
