// A table replaced as a whole and cut off between the renames of its
// commit: whatever step it stopped at, the next exclusive open (or the
// next replacement) finishes it, so the table, its memo file and its index
// always belong together; other opens are refused until then.
#include <gtest/gtest.h>

#include <string>

#include "file.h"
#include "test_support.h"
#include "xbase/index_check.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::ScratchDir;

// A table of `n` records named after `tag`, with memos and an index.
Status Fill(const std::string& path, const std::string& tag, int n) {
  XB_RETURN_IF_ERROR(Table::Create(path, {{"NAME", 'C', 10, 0}, {"NOTE", 'M', 10, 0}}));
  Settings settings;
  std::unique_ptr<WorkArea> a;
  XB_RETURN_IF_ERROR(WorkArea::Open(path, OpenOptions(), &settings, &a));
  for (int i = 0; i < n; ++i) {
    XB_RETURN_IF_ERROR(a->Append());
    XB_RETURN_IF_ERROR(a->SetField(0, tag + std::to_string(i)));
    XB_RETURN_IF_ERROR(a->SetMemo(1, tag + " memo " + std::to_string(i)));
  }
  return a->IndexTag("", "NAME", "NAME", "", false, false);
}

// The table holds the `n` records of `tag`, memos matching, index current.
void ExpectWhole(const std::string& path, const std::string& tag, int n) {
  std::unique_ptr<Table> t;
  Status s = Table::Open(path, OpenOptions(), &t);
  ASSERT_TRUE(s.ok()) << s.ToString();
  ASSERT_EQ(t->record_count(), uint32_t(n));
  for (int i = 0; i < n; ++i) {
    ASSERT_TRUE(t->Go(uint32_t(i + 1)).ok());
    std::string memo;
    ASSERT_TRUE(t->GetMemo(1, &memo).ok());
    EXPECT_EQ(memo, tag + " memo " + std::to_string(i));
  }
  std::vector<TagCheck> tags;
  s = CheckIndex(*t, DirName(path) + "/t.cdx", &tags);
  ASSERT_TRUE(s.ok()) << s.ToString();
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_TRUE(tags[0].ok) << tags[0].problem;
  EXPECT_FALSE(FileExists(JournalPath(path)));
}

TEST(TableReplacementCutOff, EveryRenameStepIsFinishedLater) {
  // The commit renames the memo file, the index, then the table: three steps.
  for (int done = 0; done <= 3; ++done) {
    for (const bool by_open : {true, false}) {
      SCOPED_TRACE(testing::Message() << done << " renames done, finished by "
                                      << (by_open ? "an open" : "the next replacement"));
      ScratchDir dir;
      const std::string path = dir / "t.dbf";
      ASSERT_TRUE(Fill(path, "old", 3).ok());
      {
        std::unique_ptr<TableReplacement> r;
        ASSERT_TRUE(TableReplacement::Begin(path, &r).ok());
        ASSERT_TRUE(Fill(r->side_path(), "new", 5).ok());
        int left = done;
        const RenameCheck previous = SetRenameCheckForTesting(
            [&left](const std::string&, const std::string& to) {
              return left-- > 0 ? Status::OK() : Status::IOError("cannot rename to " + to);
            });
        const Status s = r->Commit();
        SetRenameCheckForTesting(previous);
        EXPECT_EQ(s.ok(), done == 3) << s.ToString();
      }  // as a kill would leave it: the side files stay
      if (done < 3) {
        std::unique_ptr<Table> shared;
        const Status s = Table::Open(path, {false, true}, &shared);
        EXPECT_TRUE(s.IsCorruption()) << s.ToString();
      }
      if (!by_open) {
        std::unique_ptr<TableReplacement> next;
        ASSERT_TRUE(TableReplacement::Begin(path, &next).ok());
      }
      ExpectWhole(path, "new", 5);
    }
  }
}

}  // namespace
}  // namespace xb
