// Power cuts: a file layer that remembers, per file, only what a sync made
// durable. The cut comes at the N-th write, truncate or sync of a job; from
// there every operation fails, and then each file is put back as its last
// sync left it, as the disk would hold it. Swept over every cut point of an
// append, a record rewrite, a memo change, a rewrite of every record (also
// as a kill, which keeps every write made) and a pack: the table opens, at
// most the record in flight is lost, memos are whole, and the index is
// current, or found out of date and rebuilt at the open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine_tables.h"
#include "failing_files.h"
#include "file.h"
#include "test_support.h"
#include "xbase/index_check.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::ScratchDir;

class PowerCutFiles {
 public:
  PowerCutFiles() {
    previous_ = SetFileOpenerForTesting(
        [this](const std::string& path, FileMode mode, std::unique_ptr<File>* out) {
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
              std::move(real),
              [this](qvtest::FileOp op, const std::string& p) { return Gate(op, p); },
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

Status AppendRow(WorkArea& a, int i) {
  XB_RETURN_IF_ERROR(a.Append());
  XB_RETURN_IF_ERROR(a.SetField(0, Name(i)));
  XB_RETURN_IF_ERROR(a.SetMemo(1, "note " + std::to_string(i)));
  return a.Commit();
}

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Table::Create(path_, {{"NAME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}}).ok());
    std::unique_ptr<WorkArea> area;
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
    for (int i = 0; i < kRecords; ++i) ASSERT_TRUE(AppendRow(*area, i).ok());
    ASSERT_TRUE(area->Go(9).ok() && area->SetDeleted(true).ok());
    ASSERT_TRUE(area->Commit().ok());
    ASSERT_TRUE(area->IndexTags("", {{"NAME", "NAME", "", false, false},
                                     {"REV", "NAME", "", false, true}})
                    .ok());
    area.reset();
    for (const char* ext : {".dbf", ".fpt", ".cdx"}) saved_[ext] = qvtest::ReadAll(dir_ / ("t" + std::string(ext)));
  }
  void Reset() {
    for (const auto& [ext, bytes] : saved_) qvtest::WriteAll(dir_ / ("t" + ext), bytes);
    std::filesystem::remove(dir_ / "t.qvi");
  }

  // A finished job's index changes are in the file, not only in memory: a
  // copy of the files as a kill would leave them checks clean.
  void ExpectKilledCopyIndexed() {
    ScratchDir killed;
    for (const char* ext : {".dbf", ".fpt", ".cdx"}) {
      qvtest::WriteAll(killed / ("t" + std::string(ext)), qvtest::ReadAll(dir_ / ("t" + std::string(ext))));
    }
    EXPECT_EQ(qvtest::IndexProblem(killed / "t.dbf", 2), "") << "in the killed copy";
  }

  ScratchDir dir_;
  Settings settings_;
  std::string path_ = dir_ / "t.dbf";
  std::map<std::string, std::string> saved_;
};

struct After {
  uint32_t records;
  std::vector<std::string> names;  // NAME of each record, trimmed
  std::vector<std::string> notes;
};

TEST_F(PowerCutTest, EveryCutPointLeavesATableThatOpensWhole) {
  const std::string long_note(3000, 'x');
  struct Job {
    const char* what;
    std::function<Status(WorkArea&)> run;
    // Whether the state found after the cut is one the job can leave: the
    // old one, the new one, or (appends) one in between.
    std::function<bool(const After&)> allowed;
    bool killed = false;  // the cut is a kill: every write made stays
  };
  const auto old_row = [](const After& a, int i) {
    return a.names[i] == Name(i) && a.notes[i] == "note " + std::to_string(i);
  };
  // The records appends completed, at most `n`, are there, whole and in order.
  const auto appended = [&](uint32_t n) {
    return [&, n](const After& a) {
      if (a.records < kRecords || a.records > kRecords + n) return false;
      for (uint32_t i = 0; i < a.records; ++i) {
        if (!old_row(a, int(i))) return false;
      }
      return true;
    };
  };
  const auto appended_batch = appended(kBatch);
  const auto rewrite_all = [](WorkArea& a) {
    XB_RETURN_IF_ERROR(a.BeginRewrite());
    for (uint32_t r = 1; r <= kRecords; ++r) {
      XB_RETURN_IF_ERROR(a.Go(r));
      XB_RETURN_IF_ERROR(a.SetField(0, "R" + Name(int(r) - 1)));
      XB_RETURN_IF_ERROR(a.Commit());
    }
    return a.EndRewrite(true);
  };
  const auto rewritten_or_old = [&](const After& a) {
    if (a.records != kRecords) return false;
    for (int i = 0; i < kRecords; ++i) {
      if (!old_row(a, i) && a.names[i] != "R" + Name(i)) return false;
    }
    return true;
  };
  const std::vector<Job> jobs = {
      {"three appends",
       [](WorkArea& a) {
         for (int i = kRecords; i < kRecords + 3; ++i) XB_RETURN_IF_ERROR(AppendRow(a, i));
         return Status::OK();
       },
       appended(3)},
      {"a record rewritten",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.Go(5));
         XB_RETURN_IF_ERROR(a.SetField(0, "ZZZ"));
         return a.Commit();
       },
       [&](const After& a) {
         return a.records == kRecords && (old_row(a, 4) || a.names[4] == "ZZZ");
       }},
      {"a memo grown",
       [&](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.Go(12));
         XB_RETURN_IF_ERROR(a.SetMemo(1, long_note));
         return a.Commit();
       },
       [&](const After& a) {
         return a.records == kRecords && (old_row(a, 11) || a.notes[11] == long_note);
       }},
      {"a batch of appends, the orders kept",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.SetAppendBatching(true));
         for (int i = kRecords; i < kRecords + kBatch; ++i) XB_RETURN_IF_ERROR(AppendRow(a, i));
         return a.SetAppendBatching(false);
       },
       appended_batch},
      {"a batch of appends switched off on the table",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.table().SetAppendBatching(true));
         for (int i = kRecords; i < kRecords + kBatch; ++i) XB_RETURN_IF_ERROR(AppendRow(a, i));
         XB_RETURN_IF_ERROR(a.table().SetAppendBatching(false));
         return a.Commit();
       },
       appended_batch},
      {"an import that drops the index and builds it at the end",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.MarkIndexStale());
         const std::string cdx = a.ProductionIndexPath();
         XB_RETURN_IF_ERROR(a.CloseIndexes());
         XB_RETURN_IF_ERROR(RemoveFile(cdx));
         XB_RETURN_IF_ERROR(a.table().SetAppendBatching(true));
         for (int i = kRecords; i < kRecords + kBatch; ++i) XB_RETURN_IF_ERROR(AppendRow(a, i));
         XB_RETURN_IF_ERROR(a.table().SetAppendBatching(false));
         return a.RebuildProductionIndex({{"NAME", "NAME", "", false, false},
                                          {"REV", "NAME", "", false, true}});
       },
       appended_batch},
      {"records rewritten and deleted while appending in a batch",
       [](WorkArea& a) {
         XB_RETURN_IF_ERROR(a.SetAppendBatching(true));
         for (int i = kRecords; i < kRecords + 3; ++i) XB_RETURN_IF_ERROR(AppendRow(a, i));
         XB_RETURN_IF_ERROR(a.Go(5));
         XB_RETURN_IF_ERROR(a.SetField(0, "ZZZ"));
         XB_RETURN_IF_ERROR(a.Go(6));
         XB_RETURN_IF_ERROR(a.SetDeleted(true));
         XB_RETURN_IF_ERROR(a.Commit());
         return a.SetAppendBatching(false);
       },
       [&](const After& a) {
         if (a.records < kRecords || a.records > kRecords + 3) return false;
         return old_row(a, 4) || a.names[4] == "ZZZ";
       }},
      {"every record rewritten", rewrite_all, rewritten_or_old},
      {"every record rewritten, killed", rewrite_all, rewritten_or_old, true},
      {"a pack",
       [](WorkArea& a) { return a.Pack(); },
       [&](const After& a) {
         if (a.records == kRecords) return old_row(a, 8);
         return a.records == kRecords - 1 && a.names[8] == Name(9);
       }},
  };
  PowerCutFiles power;
  for (const Job& job : jobs) {
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
      const bool rebuilds = marker.size() >= 4 && marker.compare(marker.size() - 4, 4, "END\n") == 0;
      std::vector<int> progress;
      std::unique_ptr<WorkArea> area;
      Status s = WorkArea::Open(path_, OpenOptions(), &settings_,
                                [&progress](int p) { progress.push_back(p); }, &area);
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
        after.names.push_back(Trim(name));
        after.notes.push_back(note);
      }
      EXPECT_TRUE(job.allowed(after)) << after.records << " records";
      const bool opened_clean = area->index_status().ok();
      area.reset();

      // Whatever the cut left behind, the marker had the index rebuilt at
      // the open.
      EXPECT_TRUE(opened_clean);
      EXPECT_EQ(qvtest::IndexProblem(path_, 2), "");
      EXPECT_FALSE(std::filesystem::exists(dir_ / "t.qvi")) << "the stale marker outlived the open";
    }
    EXPECT_GT(cut, 2) << job.what << " ran without writing";
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
