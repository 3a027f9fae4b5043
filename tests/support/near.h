// Rows of numbers compared within a tolerance in one assertion, so that a
// failure shows the whole row: places on a page, offsets, sizes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace qv::testing {

inline ::testing::AssertionResult Near(const std::vector<double>& got,
                                       const std::vector<double>& want, double tolerance) {
  bool same = got.size() == want.size();
  for (size_t i = 0; same && i < got.size(); ++i) same = std::abs(got[i] - want[i]) <= tolerance;
  if (same) return ::testing::AssertionSuccess();
  const auto row = [](const std::vector<double>& v) {
    std::string s;
    for (double d : v) s += " " + std::to_string(d);
    return s;
  };
  return ::testing::AssertionFailure() << "got" << row(got) << ", want" << row(want)
                                       << " (within " << tolerance << ")";
}

}  // namespace qv::testing
