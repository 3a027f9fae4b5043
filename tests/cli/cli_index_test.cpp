// make, reindex and check as a script sees them: a damaged tag named and
// rebuilt, a table that is not a contact file refused with its index
// untouched, and a file open elsewhere never replaced. The companions'
// names on a rebuild are the contact file's test.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "damaged_index.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace {

using qvtest::ReadAll;
using qvtest::RunResult;
using qvtest::Stderr;

class CliIndex : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string rows;
    for (int i = 0; i < 50; ++i) {
      rows += "Last" + std::to_string((i * 7) % 50) + "\tFirst" + std::to_string(i % 4) + "\n";
    }
    qvtest::WriteAll(rows_, rows);
    ASSERT_EQ(Cli({"make", file_, rows_}).status, 0);
  }

  RunResult Cli(std::vector<std::string> args, Stderr err = Stderr::kDiscard) {
    args.insert(args.begin(), QV_CLI);
    return qvtest::Run(args, err);
  }

  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  qvtest::ScratchDir dir_;
  std::string file_ = dir_ / "c.dbf";
  std::string cdx_ = dir_ / "c.cdx";
  std::string rows_ = dir_ / "rows.tsv";
};

TEST_F(CliIndex, CheckNamesTheDamagedTagAndReindexReportsItThenRebuilds) {
  RunResult sound = Cli({"check", file_});
  EXPECT_EQ(sound.status, 0);
  EXPECT_NE(sound.out.find("tag LNAME ok 50 entries\n"), std::string::npos) << sound.out;
  EXPECT_NE(sound.out.find("\nok 21 tags\n"), std::string::npos) << sound.out;

  ASSERT_TRUE(qvtest::DropFirstKey(cdx_, "LNAME"));
  RunResult damaged = Cli({"check", file_});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("tag LNAME damaged: "), std::string::npos) << damaged.out;
  EXPECT_NE(damaged.out.find("tag FNAME ok 50 entries\n"), std::string::npos) << damaged.out;
  EXPECT_NE(damaged.out.find("\ndamaged 1 of 21 tags\n"), std::string::npos) << damaged.out;

  RunResult rebuilt = Cli({"reindex", file_});
  EXPECT_EQ(rebuilt.status, 0);
  EXPECT_EQ(rebuilt.out.rfind("tag LNAME damaged: ", 0), 0u) << rebuilt.out;
  EXPECT_NE(rebuilt.out.find("reindex 50 records, 21 tags"), std::string::npos) << rebuilt.out;
  EXPECT_EQ(Cli({"check", file_}).status, 0);
}

TEST_F(CliIndex, RefusalsLeaveEveryFileAsItWas) {
  // A support table with its own index, not a contact file.
  const std::string other = dir_ / "QVPLTRS.DBF";
  {
    ASSERT_TRUE(xb::Table::Create(other, {{"DESCRIPT", 'C', 40, 0}}).ok());
    xb::Settings settings;
    std::unique_ptr<xb::WorkArea> area;
    ASSERT_TRUE(xb::WorkArea::Open(other, xb::OpenOptions(), &settings, &area).ok());
    ASSERT_TRUE(area->Append().ok());
    ASSERT_TRUE(area->IndexTag("", "DESCRIPT", "UPPER(DESCRIPT)", "", false, false).ok());
  }
  std::unique_ptr<xb::Table> held;
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::string message;                   // in the error line
    std::function<void()> before, after;   // hold the file open, let go
  };
  const std::vector<Case> cases = {
      {"reindex of a table without the contact fields", {"reindex", other}, "is not a contact file",
       nullptr, nullptr},
      {"make over a contact file open elsewhere", {"make", file_, rows_}, "is in use",
       [&] {
         xb::OpenOptions shared;
         shared.exclusive = false;
         ASSERT_TRUE(xb::Table::Open(file_, shared, &held).ok());
       },
       [&] { held.reset(); }},
      {"reindex of a contact file open elsewhere", {"reindex", file_}, "is in use",
       [&] { ASSERT_TRUE(xb::Table::Open(file_, xb::OpenOptions(), &held).ok()); },
       [&] { held.reset(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::string> names = Files();
    std::vector<std::string> bytes;
    for (const std::string& n : names) bytes.push_back(ReadAll(dir_ / n));
    if (c.before) c.before();
    RunResult r = Cli(c.args, Stderr::kMerge);
    if (c.after) c.after();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
    ASSERT_EQ(Files(), names);
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(ReadAll(dir_ / names[i]), bytes[i]) << names[i] << " changed";
    }
  }
}

}  // namespace
