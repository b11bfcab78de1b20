// The names of table-driven cases as GoogleTest reports them, so that a failure
// says which case failed: a case's own words, each character that is neither
// a letter nor a digit written "_".
//
//   INSTANTIATE_TEST_SUITE_P(Suite, Test, ::testing::ValuesIn(CASES), CaseName{});
//
// takes the name from each case's `name` member.
#pragma once

#include <string>
#include <string_view>

namespace textdump::testing {

inline std::string case_name(std::string_view words) {
  std::string name;
  for (const char c : words) {
    const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name += kept ? c : '_';
  }
  return name;
}

struct CaseName {
  template <typename Info> std::string operator()(const Info& info) const {
    return case_name(info.param.name);
  }
};

} // namespace textdump::testing
