#include "core/tables/standard_switch.hpp"

#include <algorithm>

#include "core/base/base.hpp"

namespace textdump {

namespace {

constexpr std::uint32_t MOST = 999999999;
constexpr std::size_t MOST_UNTIL_BYTES = 8; // the bytes that end a frame

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
    if (close == std::string_view::npos) return SwitchFault{0, ReportId::switch_label_open};
    syntax.label = value.substr(1, close - 1);
    syntax.label_column = 1;
    if (syntax.label.find('<') != std::string_view::npos)
      return SwitchFault{1, ReportId::switch_label_angle};
    at = close + 1;
  }
  if (at >= value.size() || value[at] != ',')
    return SwitchFault{at, at == 0 ? ReportId::switch_form
                                   : ReportId::switch_label_comma};
  ++at;
  for (;;) {
    const std::size_t begin = at;
    FrameParam param;
    std::string_view id;
    if (value.substr(at, 2) == "<@") {
      const std::size_t close = value.find('>', at);
      if (close == std::string_view::npos) return SwitchFault{at, ReportId::switch_id_open};
      id = value.substr(at + 2, close - at - 2);
      if (id.empty()) return SwitchFault{at, ReportId::switch_id_empty};
      at = close + 1;
      if (at >= value.size() || value[at] != ':')
        return SwitchFault{at, ReportId::switch_id_colon};
      ++at;
      const std::size_t stop = std::min(value.find_first_of(",+", at), value.size());
      const std::string_view how = value.substr(at, stop - at);
      if (how == "-1")
        return SwitchFault{at, ReportId::switch_id_back};
      if (!how.empty() && how[0] == '$') {
        const std::optional<std::string> until = bytes_of_hex(how.substr(1));
        if (!until || until->empty() || until->size() > MOST_UNTIL_BYTES)
          return SwitchFault{at, ReportId::switch_until};
        param.until = *until;
      } else if (const auto n = decimal(how)) {
        param.count = *n;
      } else {
        return SwitchFault{at, ReportId::switch_frame};
      }
      at = stop;
      syntax.ids.push_back(id);
    } else {
      const std::size_t stop = std::min(value.find_first_of(",+", at), value.size());
      const std::string_view how = value.substr(at, stop - at);
      if (how == "-1") {
        if (stop < value.size())
          return SwitchFault{stop, value[stop] == '+' ? ReportId::switch_back_plus
                                                      : ReportId::switch_back_last};
        param.kind = FrameParam::Kind::back;
        syntax.params.push_back(param);
        syntax.ids.push_back({});
        return syntax;
      }
      const auto n = decimal(how);
      if (!n) return SwitchFault{begin, ReportId::switch_param};
      if (*n == 0) return SwitchFault{begin, ReportId::switch_raw_zero};
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
    if (value[at] != ',') return SwitchFault{at, ReportId::switch_separator};
    ++at;
  }
}

} // namespace textdump
