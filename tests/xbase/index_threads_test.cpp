// Tags built on worker threads: a record whose key or FOR condition fails,
// or whose memo cannot be read, ends the build with a Status naming the tag
// and the record, whichever worker met it, and the work area stays usable;
// a failed read names the tag.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine_tables.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

// QTY is 0 on record 2: a division by QTY fails there.
class IndexThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "T.DBF";
    ASSERT_TRUE(qvtest::MakeTable(path_, {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}},
                                  {{"ADA", "    4"}, {"BEA", "    0"}, {"CY", "    2"},
                                   {"DOT", "    5"}})
                    .ok());
    Status s = WorkArea::Open(path_, OpenOptions(), &settings_, &area_);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  qvtest::ScratchDir dir_;
  std::string path_;
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
};

struct BadTagCase {
  const char* what;
  const char* key;
  const char* for_expr;
  size_t position;  // among six tags, so several workers run
  Status::Code code;
  const char* record;
};

TEST_F(IndexThreadsTest, AFailingRecordNamesTagAndRecord) {
  const BadTagCase cases[] = {
      {"FOR divides by zero, first", "NAME", "10/QTY > 1", 0, Status::Code::kInvalidArgument,
       "record 2"},
      {"FOR divides by zero, middle", "NAME", "10/QTY > 1", 3, Status::Code::kInvalidArgument,
       "record 2"},
      {"key divides by zero, last", "STR(10/QTY, 5)", "", 5, Status::Code::kInvalidArgument,
       "record 2"},
  };
  for (const BadTagCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<WorkArea::TagSpec> specs;
    for (size_t i = 0; i < 6; ++i) {
      if (i == c.position) {
        specs.push_back({"BAD", c.key, c.for_expr, false, false});
      } else {
        specs.push_back({"T" + std::to_string(i), i % 2 ? "QTY" : "UPPER(NAME)", "", false, false});
      }
    }
    const Status s = area_->IndexTags("", specs);
    EXPECT_EQ(s.code(), c.code) << s.ToString();
    EXPECT_NE(s.message().find("tag BAD"), std::string::npos) << s.message();
    EXPECT_NE(s.message().find(c.record), std::string::npos) << s.message();
    EXPECT_EQ(area_->TagArea("BAD"), 0);
    // Every worker has ended: the area builds again at once.
    const Status again = area_->IndexTags("", {{"GOOD", "QTY", "QTY > 1", false, false}});
    ASSERT_TRUE(again.ok()) << again.ToString();
    EXPECT_GT(area_->TagArea("GOOD"), 0);
  }
  // A read that fails under the build names the tag.
  const Table& t = area_->table();
  std::filesystem::resize_file(path_, t.header_length() + 2u * t.record_length());
  const Status s = area_->IndexTags("", {{"A", "NAME", "", false, false},
                                         {"B", "QTY", "", false, false}});
  EXPECT_TRUE(s.IsCorruption()) << s.ToString();
  EXPECT_NE(s.message().find("tag A"), std::string::npos) << s.message();
}

// The same rule when an edit keeps the tag: the record is not silently left
// out of the order.
TEST_F(IndexThreadsTest, AnEditOnWhichTheForConditionFailsIsRefused) {
  ASSERT_TRUE(area_->Go(2).ok());
  ASSERT_TRUE(area_->SetField(1, "    1").ok());
  ASSERT_TRUE(area_->Commit().ok());
  ASSERT_TRUE(area_->IndexTags("", {{"BAD", "NAME", "10/QTY > 1", false, false}}).ok());
  ASSERT_TRUE(area_->Go(3).ok());
  ASSERT_TRUE(area_->SetField(1, "    0").ok());
  const Status s = area_->Commit();
  EXPECT_TRUE(s.IsInvalidArgument()) << s.ToString();
  EXPECT_NE(s.message().find("tag BAD"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("record 3"), std::string::npos) << s.message();
}

}  // namespace
}  // namespace xb
