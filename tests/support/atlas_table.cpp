#include "support/atlas_table.hpp"

#include <algorithm>

namespace textdump::testing {
namespace {

constexpr auto npos = std::string_view::npos;

// Keeps the first entry of a text; an empty text can never be read, so it is dropped.
void add(AtlasTable& table, std::string_view text, std::string bytes) {
  if (text.empty()) return;
  table.longest = std::max(table.longest, text.size());
  table.bytes_of.emplace(std::string(text), std::move(bytes));
}

// A key: an even, non-zero count of hex digits of either case.
std::string key_bytes(std::string_view digits) {
  const auto bad = [&] { return TableError("bad hex key '" + std::string(digits) + "'"); };
  if (digits.empty() || digits.size() % 2 != 0) throw bad();
  std::string out;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = hex_digit(digits[i]);
    const int low = hex_digit(digits[i + 1]);
    if (high < 0 || low < 0) throw bad();
    out += static_cast<char>(high * 16 + low);
  }
  return out;
}

} // namespace

std::vector<std::string_view> split_lines(std::string_view s) {
  std::vector<std::string_view> lines;
  while (!s.empty()) {
    const std::size_t end = s.find('\n');
    std::string_view line = s.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == npos) break;
    s.remove_prefix(end + 1);
  }
  return lines;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

AtlasTable parse_atlas_table(std::string_view file) {
  AtlasTable table;
  int number = 0;
  for (const std::string_view line : split_lines(file)) {
    ++number;
    try {
      if (line.empty() || std::string_view("([{$!@").find(line[0]) != npos) continue;
      if (line[0] == '#') throw TableError("a '#' line; an insertion table has no comments");
      const std::size_t eq = line.find('=');
      if (line[0] == '*') {
        const std::string_view text = eq == npos ? "<LINE>" : line.substr(eq + 1);
        add(table, text, key_bytes(line.substr(1, eq == npos ? npos : eq - 1)));
        continue;
      }
      if (eq == npos) throw TableError("no '=' in '" + std::string(line) + "'");
      const std::size_t key_start = line[0] == '/' ? 1 : 0;
      if (key_start == 1 && !table.bytes_of.contains(std::string(line.substr(eq + 1))))
        table.ends.emplace(line.substr(eq + 1));
      add(table, line.substr(eq + 1), key_bytes(line.substr(key_start, eq - key_start)));
    } catch (const TableError& e) {
      throw TableError("table line " + std::to_string(number) + ": " + e.what());
    }
  }
  return table;
}

} // namespace textdump::testing
