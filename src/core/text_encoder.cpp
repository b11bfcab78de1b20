#include "core/text_encoder.hpp"

#include <algorithm>

namespace textdump {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool is_lower(char c) {
  return c >= 'a' && c <= 'f';
}

} // namespace

std::optional<RawForm> raw_form_at(std::string_view text, std::size_t i) {
  if (i + 5 > text.size() || text[i + 1] != '$') return std::nullopt;
  const char close = text[i] == '<' ? '>' : text[i] == '(' ? ')' : '\0';
  if (close == '\0' || text[i + 4] != close) return std::nullopt;
  const int high = hex_value(text[i + 2]), low = hex_value(text[i + 3]);
  if (high < 0 || low < 0) return std::nullopt;
  return RawForm{static_cast<std::uint8_t>(high * 16 + low),
                 is_lower(text[i + 2]) || is_lower(text[i + 3])};
}

TextEncoder::TextEncoder() : nodes_(1) {}

std::uint32_t TextEncoder::child(std::uint32_t node, unsigned char c) const {
  const auto& children = nodes_[node].children;
  const auto found =
      std::lower_bound(children.begin(), children.end(), c,
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
      children.insert(
          std::lower_bound(children.begin(), children.end(), c,
                           [](const auto& entry, unsigned char b) { return entry.first < b; }),
          {c, next});
    }
    node = next;
  }
  if (nodes_[node].bytes) return false;
  nodes_[node].bytes.emplace(bytes);
  longest_ = std::max(longest_, text.size());
  return true;
}

std::optional<TextEncoder::Step> TextEncoder::step(std::string_view text, std::size_t i) const {
  if (const auto raw = raw_form_at(text, i)) {
    if (raw->lower_case) return std::nullopt; // the inserter refuses it
    return Step{5, nullptr, static_cast<char>(raw->byte)};
  }
  // The longest text from i that does not run into a raw byte.
  Step found;
  std::uint32_t node = 0;
  for (std::size_t j = i; j < text.size(); ++j) {
    if (j > i && raw_form_at(text, j)) break;
    node = child(node, static_cast<unsigned char>(text[j]));
    if (node == 0) break;
    if (nodes_[node].bytes) found = Step{j + 1 - i, &*nodes_[node].bytes, 0};
  }
  if (found.text_bytes == nullptr) return std::nullopt;
  return found;
}

std::optional<std::string> TextEncoder::encode(std::string_view text) const {
  std::string bytes;
  for (std::size_t i = 0; i < text.size();) {
    const std::optional<Step> next = step(text, i);
    if (!next) return std::nullopt;
    bytes += next->bytes();
    i += next->length;
  }
  return bytes;
}

} // namespace textdump
