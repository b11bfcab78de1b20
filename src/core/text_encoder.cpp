#include "core/text_encoder.hpp"

#include <algorithm>

namespace textdump {

namespace {

int upper_hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

} // namespace

std::optional<std::uint8_t> raw_byte_at(std::string_view text, std::size_t i) {
  if (i + 5 > text.size() || text[i] != '<' || text[i + 1] != '$' || text[i + 4] != '>')
    return std::nullopt;
  const int high = upper_hex(text[i + 2]), low = upper_hex(text[i + 3]);
  if (high < 0 || low < 0) return std::nullopt;
  return static_cast<std::uint8_t>(high * 16 + low);
}

TextEncoder::TextEncoder() : nodes_(1) {}

std::uint32_t TextEncoder::child(std::uint32_t node, unsigned char c) const {
  const auto& children = nodes_[node].children;
  const auto found = std::lower_bound(children.begin(), children.end(), c,
                                      [](const auto& entry, unsigned char b) { return entry.first < b; });
  return found != children.end() && found->first == c ? found->second : 0;
}

bool TextEncoder::add(std::string_view text, std::string_view bytes) {
  if (text.empty()) return false;
  std::uint32_t node = 0;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    std::uint32_t next = child(node, c);
    if (next == 0) {
      next = static_cast<std::uint32_t>(nodes_.size());
      nodes_.emplace_back();
      auto& children = nodes_[node].children;
      children.insert(std::lower_bound(children.begin(), children.end(), c,
                                       [](const auto& entry, unsigned char b) { return entry.first < b; }),
                      {c, next});
    }
    node = next;
  }
  if (nodes_[node].bytes) return false;
  nodes_[node].bytes.emplace(bytes);
  return true;
}

std::optional<std::string> TextEncoder::encode(std::string_view text) const {
  std::string bytes;
  std::size_t i = 0;
  while (i < text.size()) {
    if (const auto raw = raw_byte_at(text, i)) {
      bytes += static_cast<char>(*raw);
      i += 5;
      continue;
    }
    // The longest text from i that does not run into a raw byte.
    const std::string* found = nullptr;
    std::size_t length = 0;
    std::uint32_t node = 0;
    for (std::size_t j = i; j < text.size(); ++j) {
      if (j > i && raw_byte_at(text, j)) break;
      node = child(node, static_cast<unsigned char>(text[j]));
      if (node == 0) break;
      if (nodes_[node].bytes) {
        found = &*nodes_[node].bytes;
        length = j + 1 - i;
      }
    }
    if (found == nullptr) return std::nullopt;
    bytes += *found;
    i += length;
  }
  return bytes;
}

} // namespace textdump
