// Navigation, queries and the deleted setting over a small table.
#include "xbase/workarea.h"

#include <gtest/gtest.h>

#include <vector>

#include "failing_files.h"
#include "engine_tables.h"
#include "test_support.h"

namespace xb {
namespace {

class WorkAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    path_ = scratch_ / "people.dbf";
  }

  // Records (name, deleted); record n is names[n-1].
  void Make(const std::vector<std::pair<std::string, bool>>& rows) {
    std::vector<std::vector<std::string>> values;
    std::vector<int> deleted;
    for (const auto& [name, gone] : rows) {
      values.push_back({name, gone ? "DELETED" : ""});
      if (gone) deleted.push_back(static_cast<int>(values.size()));
    }
    ASSERT_TRUE(qvtest::MakeTable(path_, {{"NAME", 'C', 10, 0}, {"PREFIX", 'C', 12, 0}}, values,
                                  {}, deleted)
                    .ok());
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area_).ok());
  }

  std::vector<uint32_t> Walk() {
    std::vector<uint32_t> seen;
    EXPECT_TRUE(area_->GoTop().ok());
    while (!area_->eof()) {
      seen.push_back(area_->recno());
      EXPECT_TRUE(area_->Skip(1).ok());
    }
    return seen;
  }

  qvtest::ScratchDir scratch_;
  std::string path_;
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
};

TEST_F(WorkAreaTest, EndsOfTheTablePhantomRecordAndGo) {
  Make({{"ann", true}, {"bob", false}, {"cy", false}});
  settings_.deleted = true;
  ASSERT_TRUE(area_->GoBottom().ok());
  EXPECT_EQ(area_->recno(), 3u);
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof());
  EXPECT_EQ(area_->recno(), 4u);
  bool blank = false;
  ASSERT_TRUE(area_->EvalLogical("EMPTY(NAME)", &blank).ok());
  EXPECT_TRUE(blank) << "at eof expressions see the blank record";
  ASSERT_TRUE(area_->Skip(-1).ok());
  EXPECT_FALSE(area_->eof());
  EXPECT_EQ(area_->recno(), 3u);
  ASSERT_TRUE(area_->Skip(-5).ok());
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 2u) << "skipping before the start stays on the first visible record";
  // Go reaches a hidden record; out of range is eof.
  ASSERT_TRUE(area_->Go(1).ok());
  EXPECT_FALSE(area_->eof());
  EXPECT_EQ(area_->recno(), 1u);
  ASSERT_TRUE(area_->Go(7).ok());
  EXPECT_TRUE(area_->eof());
  EXPECT_EQ(area_->recno(), 4u);

  // An empty table and one whose records are all hidden are at both ends.
  area_.reset();
  std::filesystem::remove(path_);
  Make({});
  EXPECT_TRUE(area_->eof());
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 1u);
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof());

  area_.reset();
  std::filesystem::remove(path_);
  Make({{"ann", true}, {"bob", true}});
  settings_.deleted = true;
  ASSERT_TRUE(area_->GoTop().ok());
  EXPECT_TRUE(area_->eof());
  ASSERT_TRUE(area_->GoBottom().ok());
  EXPECT_TRUE(area_->eof());
}

TEST_F(WorkAreaTest, QueryNarrowsNavigationAndCounting) {
  Make({{"Brown", false}, {"brownie", false}, {"Jones", false}, {"BROWN", true}});
  ASSERT_TRUE(area_->Query(R"(UPPER(NAME)="BROWN")").ok());
  EXPECT_EQ(area_->filter(), R"(UPPER(NAME)="BROWN")");
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 2, 4}));
  // The main window joins conditions with a bare "and".
  ASSERT_TRUE(area_->Query(R"(UPPER(NAME)="BROWN" and UPPER(PREFIX)<>"DELETED")").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 2}));
  settings_.exact = true;
  uint32_t n = 0;
  ASSERT_TRUE(area_->QueryRecCount(&n).ok());
  EXPECT_EQ(n, 1u) << "with Exact on only the whole name matches";
  ASSERT_TRUE(area_->Query("").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 2, 3, 4}));
}

TEST_F(WorkAreaTest, ConditionThatDoesNotCompileMatchesNothing) {
  Make({{"O'Brien", false}, {"Smith", false}});
  // A typed value holding a double quote breaks the literal.
  Status s = area_->Query(R"(UPPER(NAME)="O"BRIEN")");
  EXPECT_FALSE(s.ok());
  EXPECT_TRUE(area_->eof());
  uint32_t n = 99;
  ASSERT_TRUE(area_->QueryRecCount(&n).ok());
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(area_->Query("NAME").ok()) << "a character expression is not a condition";
  EXPECT_TRUE(area_->eof());
}



// A grid maps its rows through VisibleRecnos: it must list exactly what a
// walk visits, in every combination of order, deleted setting, query and
// scope, and leave the position alone.
TEST_F(WorkAreaTest, VisibleRecnosListsWhatAWalkVisitsWithoutMoving) {
  Make({{"dee", false}, {"Ann", true}, {"cy", false}, {"bob", false}, {"ann", false},
        {"eve", true}, {"Cyd", false}});
  ASSERT_TRUE(area_->IndexTag("", "NAME", "UPPER(NAME)", "", false, false).ok());
  struct Case {
    int order;
    bool deleted;
    const char* query;
    const char* scope;  // low and high alike; "" for none
  };
  const Case cases[] = {
      {0, false, "", ""},   {0, true, "", ""},   {1, false, "", ""},
      {1, true, "", ""},    {1, true, R"(UPPER(NAME)<>"BOB")", ""},
      {1, false, "", "C"},  {1, true, "", "A"},  {0, true, R"(NAME="ZZZ")", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "order " << c.order << " deleted " << c.deleted
                                    << " query " << c.query << " scope " << c.scope);
    settings_.deleted = c.deleted;
    ASSERT_TRUE(area_->SetOrder(c.order).ok());
    ASSERT_TRUE(area_->Query(c.query).ok());
    if (*c.scope != '\0') {
      ASSERT_TRUE(area_->SetScope(c.scope, c.scope).ok());
    }
    std::vector<uint32_t> walked = Walk();
    ASSERT_TRUE(area_->GoTop().ok());
    ASSERT_TRUE(area_->Skip(1).ok());
    const uint32_t at = area_->recno();
    std::vector<uint32_t> listed;
    ASSERT_TRUE(area_->VisibleRecnos(&listed).ok());
    EXPECT_EQ(listed, walked);
    EXPECT_EQ(area_->recno(), at);
  }
  // Hand-checked once: UPPER(NAME) order with deleted records hidden.
  settings_.deleted = true;
  ASSERT_TRUE(area_->SetOrder(1).ok());
  ASSERT_TRUE(area_->Query("").ok());
  std::vector<uint32_t> listed;
  ASSERT_TRUE(area_->VisibleRecnos(&listed).ok());
  EXPECT_EQ(listed, (std::vector<uint32_t>{5, 4, 3, 7, 1}));
}

// A read that fails in the middle of a walk ends it: the area stands at
// both ends and the move says why, in either direction and either order.
TEST_F(WorkAreaTest, AFailedMoveEndsTheWalkAtBothEnds) {
  Make({{"dee", false}, {"ann", false}, {"cy", false}, {"bob", false}, {"eve", false}});
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
        while (s.ok() && !area_->eof() && !area_->bof() && visited <= 6) {
          ++visited;
          s = area_->Skip(step);
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
