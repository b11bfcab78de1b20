#include "core/tables/text_encoder.hpp"

#include <algorithm>

#include "core/base/base.hpp"

namespace textdump {

namespace {

bool is_upper_digit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

} // namespace

bool looks_like_raw_form(std::string_view text, std::size_t i) {
  return i + 5 <= text.size() && (text[i] == '<' || text[i] == '(') && text[i + 1] == '$' &&
         is_hex_digit(text[i + 2]) && is_hex_digit(text[i + 3]) &&
         (text[i + 4] == '>' || text[i + 4] == ')');
}

std::optional<std::uint8_t> raw_form_at(std::string_view text, std::size_t i) {
  if (!looks_like_raw_form(text, i)) return std::nullopt;
  const char high = text[i + 2], low = text[i + 3];
  const bool angle = text[i] == '<' && text[i + 4] == '>';
  const bool round = text[i] == '(' && text[i + 4] == ')';
  const bool upper = is_upper_digit(high) && is_upper_digit(low);
  const auto lower = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
  const bool lower_case = angle && lower(high) && low >= 'a' && low <= 'f';
  if (!((angle || round) && upper) && !lower_case) return std::nullopt;
  return static_cast<std::uint8_t>(hex_value(high) * 16 + hex_value(low));
}

TextEncoder::TextEncoder() : nodes_(1) {
  // The raw forms are the first entries of the inserter's lookup.
  atlas_longest_['<'] = atlas_longest_['('] = 5;
}

std::uint32_t TextEncoder::child(std::uint32_t node, unsigned char c) const {
  const auto& children = nodes_[node].children;
  const auto found =
      std::lower_bound(children.begin(), children.end(), c,
                       [](const auto& entry, unsigned char b) { return entry.first < b; });
  return found != children.end() && found->first == c ? found->second : 0;
}

bool TextEncoder::add(std::string_view text, std::string_view bytes, bool raises) {
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
  std::uint8_t& atlas = atlas_longest_[static_cast<unsigned char>(text[0])];
  if (raises && text.size() > atlas) atlas = static_cast<std::uint8_t>(text.size() & 0xFF);
  return true;
}

void TextEncoder::remove(std::string_view text) {
  std::uint32_t node = 0;
  for (const char ch : text)
    if (node = child(node, static_cast<unsigned char>(ch)); node == 0) return;
  nodes_[node].bytes.reset();
}

std::optional<TextEncoder::Step> TextEncoder::step(std::string_view text, std::size_t i,
                                                   Reading reading) const {
  Step found;
  std::uint32_t node = 0;
  std::size_t end = text.size();
  if (reading == Reading::atlas && i < end)
    end = std::min(end, i + atlas_longest_[static_cast<unsigned char>(text[i])]);
  for (std::size_t j = i; j < end; ++j) {
    node = child(node, static_cast<unsigned char>(text[j]));
    if (node == 0) break;
    if (nodes_[node].bytes) found = Step{j + 1 - i, &*nodes_[node].bytes, 0};
  }
  if (found.length <= 5 && i + 5 <= end)
    if (const auto raw = raw_form_at(text, i)) return Step{5, nullptr, static_cast<char>(*raw)};
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
