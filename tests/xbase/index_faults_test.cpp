// The index under a failing disk: every read, write, size, truncate and
// sync of the index file (and of its table) failing from the N-th on. A
// job either says it failed or leaves an index that checks clean against
// its table; a flush that failed keeps its pages to write again.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine_tables.h"
#include "failing_files.h"
#include "test_support.h"
#include "xbase/index.h"
#include "xbase/index_check.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::FailingFiles;
using qvtest::ScratchDir;

constexpr int kRecords = 120;

std::string Name(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "N%05d", (i * 53) % 1000);
  return buf;
}

Status AppendRows(WorkArea& area, int from, int to) {
  for (int i = from; i < to; ++i) {
    XB_RETURN_IF_ERROR(area.Append());
    XB_RETURN_IF_ERROR(area.SetField(0, Name(i)));
    XB_RETURN_IF_ERROR(area.SetField(1, std::to_string(i)));
    XB_RETURN_IF_ERROR(area.Commit());
  }
  return Status::OK();
}

class IndexFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Table::Create(path_, {{"NAME", 'C', 10, 0}, {"SEQ", 'N', 6, 0}}).ok());
    std::unique_ptr<WorkArea> area;
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
    ASSERT_TRUE(AppendRows(*area, 0, kRecords).ok());
    ASSERT_TRUE(area->IndexTags("", {{"NAME", "NAME", "", false, false},
                                     {"SEQ", "SEQ", "", false, true}})
                    .ok());
    area.reset();
    dbf_bytes_ = qvtest::ReadAll(path_);
    cdx_bytes_ = qvtest::ReadAll(cdx_);
  }
  void Restore() {
    qvtest::WriteAll(path_, dbf_bytes_);
    qvtest::WriteAll(cdx_, cdx_bytes_);
  }

  // Every tag of the production index checks clean against the table.
  void ExpectIndexCurrent(uint32_t want_records) {
    std::unique_ptr<Table> table;
    ASSERT_TRUE(Table::Open(path_, OpenOptions(), &table).ok());
    EXPECT_EQ(table->record_count(), want_records);
    table.reset();
    EXPECT_EQ(qvtest::IndexProblem(path_, 2), "");
  }

  ScratchDir dir_;
  Settings settings_;
  std::string path_ = dir_ / "people.dbf";
  std::string cdx_ = dir_ / "people.cdx";
  std::string dbf_bytes_, cdx_bytes_;
};

// Each job runs with the disk failing from operation `budget` on, and
// ends by closing the indexes, which flushes them.
TEST_F(IndexFaultsTest, AFailureIsReportedOrTheIndexIsCurrent) {
  struct Job {
    const char* what;
    int records_after;  // when it succeeds
    std::function<Status(WorkArea&)> run;
  };
  const std::vector<Job> jobs = {
      {"appends", kRecords + 6, [](WorkArea& a) { return AppendRows(a, kRecords, kRecords + 6); }},
      {"a key rewritten",
       kRecords,
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.Go(7));
         XB_RETURN_IF_ERROR(a.SetField(0, "AAAAA"));
         return a.Commit();
       }},
      {"a pack", kRecords - 1,
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.Go(3));
         XB_RETURN_IF_ERROR(a.SetDeleted(true));
         XB_RETURN_IF_ERROR(a.Commit());
         return a.Pack();
       }},
      {"tags rebuilt", kRecords,
       [](WorkArea& a) {
         return a.RebuildProductionIndex({{"NAME", "NAME", "", false, false},
                                          {"SEQ", "SEQ", "", false, true}});
       }},
  };
  FailingFiles files;
  for (const Job& job : jobs) {
    bool failed_once = false, passed_once = false;
    for (int64_t budget = 0; budget < 400 && !passed_once; budget += 3) {
      SCOPED_TRACE(testing::Message() << job.what << ", disk fails after " << budget);
      files.never();
      Restore();
      std::unique_ptr<WorkArea> area;
      ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
      ASSERT_TRUE(area->index_status().ok());
      files.failAfter(budget);
      Status s = job.run(*area);
      const Status closed = area->CloseIndexes();
      if (s.ok()) s = closed;
      const int64_t failures = files.failures();
      files.never();
      area.reset();
      if (failures > 0) {
        EXPECT_FALSE(s.ok()) << "an operation failed and the job said nothing";
        failed_once = true;
      } else {
        ASSERT_TRUE(s.ok()) << s.ToString();
        ExpectIndexCurrent(job.records_after);
        passed_once = true;
      }
    }
    EXPECT_TRUE(failed_once && passed_once) << job.what;
  }
}

// A flush that failed part way keeps every changed page: flushed again on
// a sound disk, the tag holds every entry.
TEST_F(IndexFaultsTest, FailedFlushWritesEverythingWhenRetried) {
  const std::string idx = dir_ / "keys.cdx";
  FailingFiles files;
  bool flushed = false;
  for (int64_t budget = 0; !flushed; ++budget) {
    SCOPED_TRACE(testing::Message() << "disk fails after " << budget);
    files.never();
    std::unique_ptr<IndexFile> index;
    ASSERT_TRUE(IndexFile::CreateCompound(idx, &index).ok());
    TagInfo def;
    def.name = "K";
    def.key_expr = "K";
    def.key_length = 8;
    KeyBuffer none(8);
    int order = 0;
    ASSERT_TRUE(index->AddTag(def, &none, nullptr, &order).ok() && index->Flush().ok());
    // Enough entries to split leaves and grow an interior level.
    for (uint32_t r = 1; r <= 2000; ++r) {
      char key[9];
      std::snprintf(key, sizeof key, "%08u", (r * 7919) % 100000);
      ASSERT_TRUE(index->InsertKey(order, std::string_view(key, 8), r).ok());
    }
    files.failAfter(budget);
    flushed = index->Flush().ok();
    EXPECT_EQ(flushed, files.failures() == 0);
    files.never();
    ASSERT_TRUE(index->Close().ok());
    index.reset();
    ASSERT_TRUE(IndexFile::Open(idx, IndexOpenOptions(), &index).ok());
    uint64_t entries = 0;
    Status s = index->CheckTag(1, &entries);
    EXPECT_TRUE(s.ok()) << s.ToString();
    EXPECT_EQ(entries, 2000u);
    ASSERT_LT(budget, 100) << "the flush never went through";
  }
}

}  // namespace
}  // namespace xb
