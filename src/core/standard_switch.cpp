#include "core/standard_switch.hpp"

#include <algorithm>

#include "core/numbers.hpp"

namespace textdump {

namespace {

constexpr std::uint32_t MOST = 999999999;

bool all_decimal(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A decimal number from 0 to 999999999 without a leading zero.
std::optional<std::uint32_t> decimal(std::string_view text) {
  if (!all_decimal(text) || text.size() > 9 || (text.size() > 1 && text[0] == '0'))
    return std::nullopt;
  std::uint32_t n = 0;
  for (const char c : text) n = n * 10 + static_cast<std::uint32_t>(c - '0');
  return n <= MOST ? std::optional(n) : std::nullopt;
}

} // namespace

std::optional<std::uint32_t> parse_weight(std::string_view digits) {
  return decimal(digits);
}

std::variant<SwitchSyntax, SwitchFault> parse_switch_value(std::string_view value) {
  SwitchSyntax syntax;
  std::size_t at = 0;
  if (!value.empty() && value[0] == '<') {
    const std::size_t close = value.find('>');
    if (close == std::string_view::npos) return SwitchFault{0, "the switch's label is not closed"};
    syntax.label = value.substr(1, close - 1);
    syntax.label_column = 1;
    if (syntax.label.find('<') != std::string_view::npos)
      return SwitchFault{1, "a switch's label holds no \"<\""};
    at = close + 1;
  }
  if (at >= value.size() || value[at] != ',')
    return SwitchFault{at, at == 0 ? "a switch is written !KEY=<LABEL>,<@TABLE>:N"
                                   : "the switch's label is followed by \",\" and its parameters"};
  ++at;
  for (;;) {
    const std::size_t begin = at;
    FrameParam param;
    std::string_view id;
    if (value.substr(at, 2) == "<@") {
      const std::size_t close = value.find('>', at);
      if (close == std::string_view::npos) return SwitchFault{at, "the table id is not closed"};
      id = value.substr(at + 2, close - at - 2);
      if (id.empty()) return SwitchFault{at, "the table id is empty"};
      at = close + 1;
      if (at >= value.size() || value[at] != ':')
        return SwitchFault{at, "a table id is followed by \":\" and how long its frame lasts"};
      ++at;
      const std::size_t stop = std::min(value.find_first_of(",+", at), value.size());
      const std::string_view how = value.substr(at, stop - at);
      if (how == "-1")
        return SwitchFault{at, "-1 names no table: it leaves the current one (write -1 alone)"};
      if (!how.empty() && how[0] == '$') {
        const std::string_view digits = how.substr(1);
        if (digits.empty() || digits.size() % 2 != 0 || digits.size() > 16 ||
            !std::all_of(digits.begin(), digits.end(), is_hex_digit))
          return SwitchFault{at, "the bytes that end a frame are 1 to 8 bytes of two hex digits"};
        for (std::size_t i = 0; i < digits.size(); i += 2)
          param.until += static_cast<char>(hex_return(digits[i]) * 16 + hex_return(digits[i + 1]));
      } else if (const auto n = decimal(how)) {
        param.count = *n;
      } else {
        return SwitchFault{at, "a frame lasts N matches (0 for as many as match) or until $HEX"};
      }
      at = stop;
      syntax.ids.push_back(id);
    } else {
      const std::size_t stop = std::min(value.find_first_of(",+", at), value.size());
      const std::string_view how = value.substr(at, stop - at);
      if (how == "-1") {
        if (stop < value.size())
          return SwitchFault{stop, value[stop] == '+' ? "-1 takes no \"+\""
                                                      : "-1 is the last parameter of a switch"};
        param.kind = FrameParam::Kind::back;
        syntax.params.push_back(param);
        syntax.ids.push_back({});
        return syntax;
      }
      const auto n = decimal(how);
      if (!n) return SwitchFault{begin, "a switch's parameter is <@TABLE>:N, N raw bytes or -1"};
      if (*n == 0) return SwitchFault{begin, "0 raw bytes is no parameter"};
      param.kind = FrameParam::Kind::raw;
      param.count = *n;
      at = stop;
      syntax.ids.push_back({});
    }
    if (at < value.size() && value[at] == '+') {
      param.plus = true;
      ++at;
    }
    syntax.params.push_back(param);
    if (at == value.size()) return syntax;
    if (value[at] != ',') return SwitchFault{at, "parameters are separated by \",\""};
    ++at;
  }
}

} // namespace textdump
