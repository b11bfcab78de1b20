// The catalogue: a row for every report id and every message id, each with
// words and a name of its own across both, so that nothing prints empty and a
// name finds one id; and the forms a row's text fills in.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "app/common/messages.hpp"
#include "app/common/report_text.hpp"

namespace textdump {
namespace {

template <typename Id>
void expect_rows(std::set<std::string_view>& names) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(Id::count_); ++i) {
    const CatalogueRow<Id>& row = [&]() -> const CatalogueRow<Id>& {
      if constexpr (std::is_same_v<Id, ReportId>) return report_row(static_cast<Id>(i));
      else return message_row(static_cast<Id>(i));
    }();
    SCOPED_TRACE(row.name);
    EXPECT_EQ(static_cast<std::size_t>(row.id), i);
    EXPECT_FALSE(row.text.empty());
    EXPECT_FALSE(row.name.empty());
    EXPECT_EQ(row.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"),
              std::string_view::npos);
    EXPECT_TRUE(names.insert(row.name).second) << "the name is used twice";
    // A word that agrees with a number ("{1|byte|bytes}") follows the number.
    for (std::size_t at = row.text.find('|'); at != std::string_view::npos;
         at = row.text.find('|', at + 1)) {
      const std::size_t open = row.text.rfind('{', at);
      if (open == std::string_view::npos || row.text.substr(open, at - open).find('}') !=
                                                std::string_view::npos)
        continue;
      const std::string number = std::string(row.text.substr(open, at - open)) + "}";
      if (row.text.substr(open + 1, at - open - 1).find_first_not_of("0123456789") ==
          std::string_view::npos) {
        EXPECT_LT(row.text.find(number), open) << "a word without its number: " << row.text;
      }
    }
  }
}

TEST(Catalogue, EveryIdHasATextAndAStableNameOfItsOwn) {
  std::set<std::string_view> names;
  expect_rows<ReportId>(names);
  expect_rows<MessageId>(names);
}

TEST(Catalogue, ArgumentsAndWordsThatAgreeWithANumber) {
  const std::vector<std::string> one{"1", "x"}, more{"1,024", "x"};
  EXPECT_EQ(filled("{0} {0|line|lines} of {1}; {2}", one), "1 line of x; ");
  EXPECT_EQ(filled("{0} {0|line|lines} of {1}", more), "1,024 lines of x");
  EXPECT_EQ(filled("{0:hexerror}", std::vector<std::string>{"\xE9"}),
            "HEX VALUE ERROR:ffffffe9");
}

} // namespace
} // namespace textdump
