// What the declarations of the options share (options.cpp, and the fit and
// insert options of insert_options.cpp): the places of the usage's groups in
// GROUPS, and the readers that turn a value into OptionValues. Internal to
// app/cli.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "app/cli/declarations.hpp"
#include "app/common/report_text.hpp"

namespace textdump::cli {

// The groups' places in GROUPS.
inline constexpr std::size_t TABLE = 0, SCRIPT = 1, INSERT = 2, FINDER = 3, SEARCH = 4, SURVEY = 5;

// A value read by parse (a T, or a Report or Message on what is wrong) and
// handed to into with the words given.
template <typename T, typename Parse>
Reader parsed_by(Parse parse, std::function<void(OptionValues&, T&&, std::string_view)> into) {
  return [parse, into](OptionValues& values, std::string_view text) -> std::optional<Message> {
    auto result = parse(text);
    if constexpr (std::is_same_v<std::variant_alternative_t<1, decltype(result)>, Report>) {
      if (const auto* why = std::get_if<Report>(&result))
        return Message{MessageId::usage_report, {report_text(*why)}};
    } else {
      if (auto* why = std::get_if<Message>(&result)) return std::move(*why);
    }
    into(values, std::get<T>(std::move(result)), text);
    return std::nullopt;
  };
}

// A file name or a word, kept as given.
inline Reader kept(std::optional<std::string> OptionValues::*into) {
  return [into](OptionValues& values, std::string_view text) -> std::optional<Message> {
    values.*into = std::string(text);
    return std::nullopt;
  };
}

// The options of the group "Fit and insert options", in the order of the usage.
std::vector<OptionDeclaration> insert_options();

} // namespace textdump::cli
