// Power cuts and failing disks. The power-cut file layer remembers, per
// file, only what a sync made durable. The cut comes at the N-th write,
// truncate or sync of a job; from there every operation fails, and then each
// file is put back as its last sync left it, as the disk would hold it.
// Swept over every cut point of an append, a record rewrite, a memo change,
// batches of appends, a rewrite of every record (also as a kill, which keeps
// every write made) and a pack: the table opens, at most the record in
// flight is lost, memos are whole, and the index is current, or found out of
// date and rebuilt at the open. The same jobs on a disk failing from the
// N-th operation on, reads too, say they failed or leave the index current;
// a flush that failed keeps its pages to write again.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine_tables.h"
#include "failing_files.h"
#include "file.h"
#include "test_support.h"
#include "xbase/index.h"
#include "xbase/index_check.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::ScratchDir;

class PowerCutFiles {
 public:
  PowerCutFiles() {
    previous_ = SetFileOpenerForTesting([this](const std::string& path, FileMode mode,
                                               std::unique_ptr<File>* out) {
      const bool is_new = !FileExists(path);
      std::unique_ptr<File> real;
      XB_RETURN_IF_ERROR(OpenPosixFile(path, mode, &real));
      struct stat st;
      if (::stat(path.c_str(), &st) != 0) return Status::IOError("cannot stat " + path);
      // A file first seen here is durable as it stands; a new one
      // (perhaps on the number of a removed one) holds nothing yet.
      if (is_new || durable_.count(st.st_ino) == 0) durable_[st.st_ino] = qvtest::ReadAll(path);
      const ino_t ino = st.st_ino;
      out->reset(new qvtest::GatedFile(
          std::move(real), [this](qvtest::FileOp op, const std::string& p) { return Gate(op, p); },
          [this, ino](const std::string& p) { durable_[ino] = qvtest::ReadAll(p); }));
      return Status::OK();
    });
  }
  ~PowerCutFiles() { SetFileOpenerForTesting(previous_); }

  // The cut comes before the `n`-th write, truncate or sync from now.
  void CutAt(int64_t n) {
    left_ = n;
    cut_ = false;
  }
  bool cut() const { return cut_; }
  // Files changed behind the layer's back are durable as they now stand.
  void Forget() { durable_.clear(); }

  // Puts every file of `dir` back to what its last sync made durable.
  void Restore(const std::string& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      struct stat st;
      if (::stat(entry.path().c_str(), &st) != 0) continue;
      auto it = durable_.find(st.st_ino);
      if (it != durable_.end()) qvtest::WriteAll(entry.path().string(), it->second);
    }
    Revive();
  }
  // A kill rather than a power cut: what was written stays.
  void Revive() {
    durable_.clear();
    left_ = -1;
    cut_ = false;
  }

 private:
  // Locks always pass; reads and sizes fail once the power is off; writes,
  // truncates and syncs count down to the cut.
  Status Gate(qvtest::FileOp op, const std::string& path) {
    using Op = qvtest::FileOp;
    if (op == Op::kLock || ((op == Op::kRead || op == Op::kSize) && !cut_)) return Status::OK();
    if (cut_ || left_ == 0) {
      cut_ = true;
      return Status::IOError(path + ": the power is off");
    }
    if (left_ > 0) --left_;
    return Status::OK();
  }

  FileOpener previous_;
  std::map<ino_t, std::string> durable_;
  int64_t left_ = -1;  // no cut
  bool cut_ = false;
};

constexpr int kRecords = 40;
constexpr int kBatch = 12;

std::string Name(int i) { return "N" + std::to_string((i * 37) % 100); }

Status AppendRows(WorkArea& a, int n) {
  for (int i = kRecords; i < kRecords + n; ++i) {
    XB_RETURN_IF_ERROR(a.Append());
    XB_RETURN_IF_ERROR(a.SetField(0, Name(i)));
    XB_RETURN_IF_ERROR(a.SetMemo(1, "note " + std::to_string(i)));
    XB_RETURN_IF_ERROR(a.Commit());
  }
  return Status::OK();
}

Status Rewrite(WorkArea& a, uint32_t recno, const std::string& name) {
  XB_RETURN_IF_ERROR(a.Go(recno));
  XB_RETURN_IF_ERROR(a.SetField(0, name));
  return a.Commit();
}

// Appends in a batch, switched on and off on the work area or its table.
Status AppendBatch(WorkArea& a, bool on_table, int n = kBatch) {
  XB_RETURN_IF_ERROR(on_table ? a.table().SetAppendBatching(true) : a.SetAppendBatching(true));
  XB_RETURN_IF_ERROR(AppendRows(a, n));
  if (!on_table) return a.SetAppendBatching(false);
  XB_RETURN_IF_ERROR(a.table().SetAppendBatching(false));
  return a.Commit();
}

const std::vector<WorkArea::TagSpec> kTags = {{"NAME", "NAME", "", false, false},
                                              {"REV", "NAME", "", false, true}};

// The records as the job left them: NAME trimmed, and the memo.
struct After {
  uint32_t records = 0;
  std::vector<std::string> names, notes;
};

struct Job {
  const char* what;
  std::function<Status(WorkArea&)> run;
  int most_added = 0;  // records the job may append
  // Whether record `i` (from 0) is as the job leaves it; every other record
  // stays as it was, or (appended ones) as appended.
  std::function<bool(const After&, int i)> changed = nullptr;
  bool killed = false;  // the cut is a kill: every write made stays
  bool packs = false;   // one record may go
};

std::vector<Job> Jobs() {
  static const std::string kLongNote(3000, 'x');
  const auto zzz = [](const After& a, int i) { return i == 4 && a.names[4] == "ZZZ"; };
  const auto rewrite_all = [](WorkArea& a) {
    XB_RETURN_IF_ERROR(a.BeginRewrite());
    for (uint32_t r = 1; r <= kRecords; ++r) XB_RETURN_IF_ERROR(Rewrite(a, r, "R" + Name(r - 1)));
    return a.EndRewrite(true);
  };
  const auto rewritten = [](const After& a, int i) { return a.names[i] == "R" + Name(i); };
  return {
      {"three appends", [](WorkArea& a) { return AppendRows(a, 3); }, 3},
      {"a record rewritten", [](WorkArea& a) { return Rewrite(a, 5, "ZZZ"); }, 0, zzz},
      {"a memo grown",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.Go(12));
         XB_RETURN_IF_ERROR(a.SetMemo(1, kLongNote));
         return a.Commit();
       },
       0, [](const After& a, int i) { return i == 11 && a.notes[11] == kLongNote; }},
      {"a batch of appends, the orders kept", [](WorkArea& a) { return AppendBatch(a, false); },
       kBatch},
      {"a batch of appends switched off on the table",
       [](WorkArea& a) { return AppendBatch(a, true); }, kBatch},
      {"an import that drops the index and builds it at the end",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.MarkIndexStale());
         const std::string cdx = a.ProductionIndexPath();
         XB_RETURN_IF_ERROR(a.CloseIndexes());
         XB_RETURN_IF_ERROR(RemoveFile(cdx));
         XB_RETURN_IF_ERROR(AppendBatch(a, true));
         return a.RebuildProductionIndex(kTags);
       },
       kBatch},
      {"tags rebuilt", [](WorkArea& a) { return a.RebuildProductionIndex(kTags); }},
      {"records rewritten and deleted while appending in a batch",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.SetAppendBatching(true));
         XB_RETURN_IF_ERROR(AppendRows(a, 3));
         XB_RETURN_IF_ERROR(Rewrite(a, 5, "ZZZ"));
         XB_RETURN_IF_ERROR(a.Go(6));
         XB_RETURN_IF_ERROR(a.SetDeleted(true));
         XB_RETURN_IF_ERROR(a.Commit());
         return a.SetAppendBatching(false);
       },
       3, zzz},
      {"every record rewritten", rewrite_all, 0, rewritten},
      {"every record rewritten, killed", rewrite_all, 0, rewritten, true},
      // Record 9 carries the deletion flag: packed, the ones after it move up.
      {"a pack", [](WorkArea& a) { return a.Pack(); }, 0,
       [](const After& a, int i) {
         return a.records < kRecords && i >= 8 && a.names[i] == Name(i + 1) &&
                a.notes[i] == "note " + std::to_string(i + 1);
       },
       false, true},
  };
}

// Whether the state found after the cut is one the job can leave: the old
// one, the new one, or (appends) one in between.
bool Allowed(const Job& job, const After& a) {
  const int records = int(a.records);
  if (records + (job.packs ? 1 : 0) < kRecords || records > kRecords + job.most_added) {
    return false;
  }
  for (int i = 0; i < records; ++i) {
    const bool old = a.names[i] == Name(i) && a.notes[i] == "note " + std::to_string(i);
    if (!old && !(job.changed && job.changed(a, i))) return false;
  }
  return true;
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Table::Create(path_, {{"NAME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}}).ok());
    std::unique_ptr<WorkArea> area;
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
    for (int i = 0; i < kRecords; ++i) {
      ASSERT_TRUE(area->Append().ok() && area->SetField(0, Name(i)).ok() &&
                  area->SetMemo(1, "note " + std::to_string(i)).ok() && area->Commit().ok());
    }
    ASSERT_TRUE(area->Go(9).ok() && area->SetDeleted(true).ok() && area->Commit().ok());
    ASSERT_TRUE(area->IndexTags("", kTags).ok());
    area.reset();
    for (const char* ext : {".dbf", ".fpt", ".cdx"})
      saved_[ext] = qvtest::ReadAll(dir_ / ("t" + std::string(ext)));
  }
  void Reset() {
    for (const auto& [ext, bytes] : saved_) qvtest::WriteAll(dir_ / ("t" + ext), bytes);
    std::filesystem::remove(dir_ / "t.qvi");
  }

  // A finished job's index changes are in the file, not only in memory: a
  // copy of the files as a kill would leave them checks clean.
  void ExpectKilledCopyIndexed() {
    ScratchDir killed;
    for (const auto& [ext, bytes] : saved_) {
      qvtest::WriteAll(killed / ("t" + ext), qvtest::ReadAll(dir_ / ("t" + ext)));
    }
    EXPECT_EQ(qvtest::IndexProblem(killed / "t.dbf", 2), "") << "in the killed copy";
  }

  ScratchDir dir_;
  Settings settings_;
  std::string path_ = dir_ / "t.dbf";
  std::map<std::string, std::string> saved_;
};

TEST_F(PowerCutTest, EveryCutPointLeavesATableThatOpensWhole) {
  PowerCutFiles power;
  for (const Job& job : Jobs()) {
    bool finished = false;
    int64_t cut = 0;
    for (; !finished; ++cut) {
      SCOPED_TRACE(testing::Message() << job.what << ", power cut at operation " << cut);
      Reset();
      power.Forget();
      {
        std::unique_ptr<WorkArea> area;
        ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
        power.CutAt(cut);
        Status s = job.run(*area);
        finished = !power.cut();
        EXPECT_EQ(s.ok(), finished) << s.ToString();
        if (finished) ExpectKilledCopyIndexed();
      }  // what the work area writes as it goes is lost with the power
      if (job.killed) {
        power.Revive();
      } else {
        power.Restore(dir_.path());
      }

      // A whole marker has the open rebuild the index, and tell how far it is.
      const std::string qvi = dir_ / "t.qvi";
      const std::string marker = std::filesystem::exists(qvi) ? qvtest::ReadAll(qvi) : "";
      const bool rebuilds =
          marker.size() >= 4 && marker.compare(marker.size() - 4, 4, "END\n") == 0;
      std::vector<int> progress;
      std::unique_ptr<WorkArea> area;
      Status s = WorkArea::Open(
          path_, OpenOptions(), &settings_, [&progress](int p) { progress.push_back(p); }, &area);
      ASSERT_TRUE(s.ok()) << s.ToString();
      EXPECT_EQ(!progress.empty(), rebuilds);
      if (!progress.empty()) {
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()) && progress.back() == 100);
      }
      After after;
      after.records = area->table().record_count();
      for (uint32_t r = 1; r <= after.records; ++r) {
        ASSERT_TRUE(area->Go(r).ok());
        const FieldInfo& f = area->table().fields()[0];
        std::string name(area->table().current_data() + f.offset, f.width), note;
        s = area->table().GetMemo(1, &note);
        ASSERT_TRUE(s.ok()) << "record " << r << ": " << s.ToString();
        after.names.push_back(name.substr(0, name.find_last_not_of(' ') + 1));
        after.notes.push_back(note);
      }
      EXPECT_TRUE(Allowed(job, after)) << after.records << " records";
      // Whatever the cut left behind, the marker had the index rebuilt at
      // the open.
      EXPECT_TRUE(area->index_status().ok());
      area.reset();
      EXPECT_EQ(qvtest::IndexProblem(path_, 2), "");
      EXPECT_FALSE(std::filesystem::exists(dir_ / "t.qvi")) << "the stale marker outlived the open";
    }
    EXPECT_GT(cut, 2) << job.what << " ran without writing";
  }
}

// Each job on a disk failing from operation `budget` on, ending by closing
// the indexes, which flushes them: it says it failed, or it met no failure
// and left an index that checks clean against its table.
TEST_F(PowerCutTest, AFailingDiskIsReportedOrLeavesTheIndexCurrent) {
  qvtest::FailingFiles files;
  for (const Job& job : Jobs()) {
    if (job.killed) continue;  // the same run as the one before it
    bool failed_once = false, passed_once = false;
    for (int64_t budget = 0; !passed_once; budget += 1 + budget / 8) {
      SCOPED_TRACE(testing::Message() << job.what << ", disk fails after " << budget);
      files.never();
      Reset();
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
        EXPECT_EQ(qvtest::IndexProblem(path_, 2), "");
        passed_once = true;
      }
      ASSERT_LT(budget, 100000) << "the job never went through";
    }
    EXPECT_TRUE(failed_once) << job.what;
  }
}

// A flush that failed part way keeps every changed page: flushed again on
// a sound disk, the tag holds every entry.
TEST(FailedFlush, WritesEverythingWhenRetried) {
  ScratchDir dir;
  const std::string idx = dir / "keys.cdx";
  qvtest::FailingFiles files;
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
    ASSERT_TRUE(IndexFile::Open(idx, IndexOpenOptions(), &index).ok());
    uint64_t entries = 0;
    const Status s = index->CheckTag(1, &entries);
    EXPECT_TRUE(s.ok()) << s.ToString();
    EXPECT_EQ(entries, 2000u);
    ASSERT_LT(budget, 100) << "the flush never went through";
  }
}

// A table replaced as a whole and cut off between the renames of its
// commit: whatever step it stopped at, the next exclusive open (or the
// next replacement) finishes it, so the table, its memo file and its index
// always belong together; other opens are refused until then.

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
  t.reset();
  EXPECT_EQ(qvtest::IndexProblem(path, 1), "");
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
        ASSERT_TRUE(TableReplacement::Begin(path, &r).ok() && Fill(r->side_path(), "new", 5).ok());
        int left = done;
        const RenameCheck previous =
            SetRenameCheckForTesting([&left](const std::string&, const std::string& to) {
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
