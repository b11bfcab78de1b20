// The table of report texts: a row for every id, each with words and a name
// of its own, so that a report never prints empty and a name finds one id.
#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "app/common/report_text.hpp"

namespace textdump {
namespace {

TEST(ReportText, EveryIdHasATextAndAStableNameOfItsOwn) {
  std::set<std::string_view> names;
  for (std::size_t i = 0; i < static_cast<std::size_t>(ReportId::count_); ++i) {
    const ReportText& row = report_row(static_cast<ReportId>(i));
    SCOPED_TRACE(row.name);
    EXPECT_EQ(static_cast<std::size_t>(row.id), i);
    EXPECT_FALSE(row.text.empty());
    EXPECT_FALSE(row.name.empty());
    EXPECT_EQ(row.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"),
              std::string_view::npos);
    EXPECT_TRUE(names.insert(row.name).second) << "the name is used twice";
  }
}

} // namespace
} // namespace textdump
