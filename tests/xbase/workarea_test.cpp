// Navigation, queries and the deleted setting over a small table.
#include "xbase/workarea.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine_tables.h"
#include "failing_files.h"
#include "test_support.h"

namespace xb {
namespace {

using qvtest::Walk;
using Recnos = std::vector<uint32_t>;

class WorkAreaTest : public ::testing::Test {
 protected:
  // Record n is names[n-1]; the records in `deleted` carry the flag and the
  // marker PREFIX "DELETED".
  void Make(const std::vector<std::string>& names, const std::vector<int>& deleted = {}) {
    area_.reset();
    std::filesystem::remove(path_);
    std::vector<std::vector<std::string>> rows;
    for (const std::string& name : names) {
      const bool gone = std::count(deleted.begin(), deleted.end(), int(rows.size()) + 1) > 0;
      rows.push_back({name, gone ? "DELETED" : ""});
    }
    ASSERT_TRUE(qvtest::MakeTable(path_, {{"NAME", 'C', 10, 0}, {"PREFIX", 'C', 12, 0}}, rows, {},
                                  deleted)
                    .ok());
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area_).ok());
  }

  qvtest::ScratchDir scratch_;
  const std::string path_ = scratch_ / "people.dbf";
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
};

TEST_F(WorkAreaTest, EndsOfTheTablePhantomRecordAndGo) {
  Make({"ann", "bob", "cy"}, {1});
  settings_.deleted = true;
  // Go reaches a hidden record; out of range is eof on the phantom record.
  const struct {
    const char* move;
    int n;
    uint32_t recno;
    bool eof, bof;  // skipping before the start stays on the first visible record
  } moves[] = {{"bottom", 0, 3, false, false}, {"skip", 1, 4, true, false},
               {"skip", -1, 3, false, false},  {"skip", -5, 2, false, true},
               {"go", 1, 1, false, false},     {"go", 7, 4, true, false}};
  for (const auto& m : moves) {
    SCOPED_TRACE(testing::Message() << m.move << " " << m.n);
    const std::string move = m.move;
    ASSERT_TRUE((move == "bottom" ? area_->GoBottom()
                 : move == "go"   ? area_->Go(uint32_t(m.n))
                                  : area_->Skip(m.n))
                    .ok());
    EXPECT_EQ(area_->recno(), m.recno);
    EXPECT_EQ(area_->eof(), m.eof);
    EXPECT_EQ(area_->bof(), m.bof);
    if (m.eof && move == "skip") {
      bool blank = false;
      ASSERT_TRUE(area_->EvalLogical("EMPTY(NAME)", &blank).ok());
      EXPECT_TRUE(blank) << "at eof expressions see the blank record";
    }
  }

  // An empty table and one whose records are all hidden are at both ends.
  Make({});
  EXPECT_TRUE(area_->eof() && area_->bof());
  EXPECT_EQ(area_->recno(), 1u);
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof());
  Make({"ann", "bob"}, {1, 2});
  for (bool top : {true, false}) {
    ASSERT_TRUE((top ? area_->GoTop() : area_->GoBottom()).ok());
    EXPECT_TRUE(area_->eof()) << top;
  }
}

TEST_F(WorkAreaTest, QueryNarrowsNavigationAndCountingAndABadOneMatchesNothing) {
  Make({"Brown", "brownie", "Jones", "BROWN", "O'Brien"}, {4});
  ASSERT_TRUE(area_->Query(R"(UPPER(NAME)="BROWN")").ok());
  EXPECT_EQ(area_->filter(), R"(UPPER(NAME)="BROWN")");
  EXPECT_EQ(Walk(*area_), (Recnos{1, 2, 4}));
  // The main window joins conditions with a bare "and".
  ASSERT_TRUE(area_->Query(R"(UPPER(NAME)="BROWN" and UPPER(PREFIX)<>"DELETED")").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{1, 2}));
  settings_.exact = true;
  uint32_t n = 0;
  ASSERT_TRUE(area_->QueryRecCount(&n).ok());
  EXPECT_EQ(n, 1u) << "with Exact on only the whole name matches";
  ASSERT_TRUE(area_->Query("").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{1, 2, 3, 4, 5}));
  // A typed value holding a double quote breaks the literal; a character
  // expression is not a condition.
  for (const char* bad : {R"(UPPER(NAME)="O"BRIEN")", "NAME"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(area_->Query(bad).ok());
    EXPECT_TRUE(area_->eof());
    n = 99;
    ASSERT_TRUE(area_->QueryRecCount(&n).ok());
    EXPECT_EQ(n, 0u);
  }
}

// A grid maps its rows through VisibleRecnos: it must list exactly what a
// walk visits, in every combination of order, deleted setting, query and
// scope, and leave the position alone.
TEST_F(WorkAreaTest, VisibleRecnosListsWhatAWalkVisitsWithoutMoving) {
  Make({"dee", "Ann", "cy", "bob", "ann", "eve", "Cyd"}, {2, 6});
  ASSERT_TRUE(area_->IndexTag("", "NAME", "UPPER(NAME)", "", false, false).ok());
  const struct {
    int order;
    bool deleted;
    const char* query;
    const char* scope;  // low and high alike; "" for none
  } cases[] = {
      {0, false, "", ""},  {0, true, "", ""}, {1, false, "", ""}, {1, true, "", ""},
      {1, true, R"(UPPER(NAME)<>"BOB")", ""}, {1, false, "", "C"}, {1, true, "", "A"},
      {0, true, R"(NAME="ZZZ")", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "order " << c.order << " deleted " << c.deleted
                                    << " query " << c.query << " scope " << c.scope);
    settings_.deleted = c.deleted;
    ASSERT_TRUE(area_->SetOrder(c.order).ok() && area_->Query(c.query).ok());
    if (*c.scope != '\0') {
      ASSERT_TRUE(area_->SetScope(c.scope, c.scope).ok());
    }
    const Recnos walked = Walk(*area_);
    ASSERT_TRUE(area_->GoTop().ok() && area_->Skip(1).ok());
    const uint32_t at = area_->recno();
    Recnos listed;
    ASSERT_TRUE(area_->VisibleRecnos(&listed).ok());
    EXPECT_EQ(listed, walked);
    EXPECT_EQ(area_->recno(), at);
  }
  // Hand-checked once: UPPER(NAME) order with deleted records hidden.
  settings_.deleted = true;
  ASSERT_TRUE(area_->SetOrder(1).ok() && area_->Query("").ok());
  Recnos listed;
  ASSERT_TRUE(area_->VisibleRecnos(&listed).ok());
  EXPECT_EQ(listed, (Recnos{5, 4, 3, 7, 1}));
}

// A read that fails in the middle of a walk ends it: the area stands at
// both ends and the move says why, in either direction and either order.
TEST_F(WorkAreaTest, AFailedMoveEndsTheWalkAtBothEnds) {
  Make({"dee", "ann", "cy", "bob", "eve"});
  ASSERT_TRUE(area_->IndexTag("", "NAME", "UPPER(NAME)", "", false, false).ok());
  qvtest::FailingFiles files;
  area_.reset();
  ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area_).ok());
  bool failedSomewhere = false;
  for (int order : {0, 1}) {
    for (int step : {1, -1}) {
      for (int64_t budget = 0; budget < 40; ++budget) {
        SCOPED_TRACE(testing::Message() << "order " << order << " step " << step << " budget "
                                        << budget);
        files.never();
        ASSERT_TRUE(area_->SetOrder(order).ok());
        files.failAfter(budget);
        Status s = step > 0 ? area_->GoTop() : area_->GoBottom();
        int visited = 0;
        for (; s.ok() && !area_->eof() && !area_->bof() && visited <= 6; s = area_->Skip(step)) {
          ++visited;
        }
        ASSERT_LE(visited, 5) << "the walk went round";
        if (s.ok()) {
          EXPECT_EQ(visited, 5) << "a walk without a failure sees every record";
        } else {
          failedSomewhere = true;
          EXPECT_TRUE(area_->eof() && area_->bof()) << s.ToString();
        }
      }
    }
  }
  EXPECT_TRUE(failedSomewhere);
}

}  // namespace
}  // namespace xb
