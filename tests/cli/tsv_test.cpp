#include "cli/tsv.h"

#include <gtest/gtest.h>

namespace qv::cli {
namespace {

TEST(Tsv, EscapesRoundTripEveryByteThatNeedsIt) {
  const std::string raw = std::string("a\\b\tc\rd\ne") + '\0' + "\x1A\xE9";
  EXPECT_EQ(Escape(raw), std::string("a\\\\b\\tc\\rd\\ne") + '\0' + "\x1A\xE9");
  EXPECT_EQ(Unescape(Escape(raw)), raw);
  EXPECT_EQ(Unescape("end\\"), "end\\") << "a lone trailing backslash is kept";
  EXPECT_EQ(Unescape("\\q"), "q");
}

TEST(Tsv, SplitKeepsEmptyColumns) {
  EXPECT_EQ(SplitTabs("a\t\tb\t"), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitTabs(""), (std::vector<std::string>{""}));
}

}  // namespace
}  // namespace qv::cli
