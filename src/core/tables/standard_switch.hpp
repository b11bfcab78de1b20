// The switch lines of standard tables and what follows from them once a whole
// file is read.
//
//   parse_switch_value  the part of "!KEY[<W>]=[<LABEL>],PARAM[,PARAM...]"
//                       after "=": the label, each PARAM with the id it names,
//                       or the column and reason of the first fault
//   parse_weight        the W of "<W>": 0 to 999999999, no sign, no leading zero
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/tables/entry.hpp"
#include "core/base/base.hpp"

namespace textdump {

struct SwitchSyntax {
  std::string_view label;            // between "<" and ">"; empty for a silent switch
  std::size_t label_column = 0;      // 0-based, in the value
  std::vector<FrameParam> params;    // a table PARAM's table is 0 until resolved
  std::vector<std::string_view> ids; // by PARAM: the id a table PARAM names
};

struct SwitchFault {
  std::size_t column = 0; // 0-based, in the value
  ReportId id{};
};

std::variant<SwitchSyntax, SwitchFault> parse_switch_value(std::string_view value);

std::optional<std::uint32_t> parse_weight(std::string_view digits);

} // namespace textdump
