// Walks every row of a table object (or anything with first, next and eof)
// with the moves checked: a failed move fails the test instead of passing
// for the end of the table.
#pragma once

#include <gtest/gtest.h>

namespace qv::testing {

template <typename Table, typename Body>
void ForEachRow(Table& table, Body body) {
  ASSERT_TRUE(table.first());
  while (!table.eof()) {
    body();
    ASSERT_TRUE(table.next());
  }
}

// The query's count, or -1 when counting failed, so that a failure cannot
// pass for a count of 0.
template <typename Apollo>
int CountOf(Apollo& apollo) {
  int n = 0;
  return apollo.QueryRecCount(&n) ? n : -1;
}

}  // namespace qv::testing
