// Text made piece by piece and kept in chunks of about a mebibyte, so that a
// text of any size grows without ever copying itself, and is written out chunk
// by chunk without first being joined into one string.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace textdump {

class ChunkedText {
public:
  ChunkedText& operator+=(std::string_view text) {
    if (chunks_.empty() || chunks_.back().size() + text.size() > CHUNK)
      chunks_.emplace_back().reserve(std::max(CHUNK, text.size()));
    chunks_.back() += text;
    size_ += text.size();
    return *this;
  }
  // Puts text before everything it holds.
  void prepend(std::string text) {
    size_ += text.size();
    chunks_.insert(chunks_.begin(), std::move(text));
  }
  // Its chunks, in order: the text is their concatenation.
  std::vector<std::string> release() && { return std::move(chunks_); }
  std::string joined() const {
    std::string text;
    text.reserve(size_);
    for (const std::string& chunk : chunks_) text += chunk;
    return text;
  }

private:
  static constexpr std::size_t CHUNK = std::size_t{1} << 20;
  std::vector<std::string> chunks_;
  std::size_t size_ = 0;
};

} // namespace textdump
