// The data-quality commands of quorvane-cli as a script sees them: their
// output lines, exit codes on bad usage and on a file another program
// holds, and sound indexes afterwards.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "xbase/workarea.h"

namespace {

using qvtest::RunResult;
using qvtest::Stderr;

class CliCleanup : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = "QUORVANE_HOME=" + qvtest::ShellQuote(dir_.path()) + " ";
    ASSERT_EQ(Cli({"init"}).status, 0);
    // LNAME FNAME MIDDLE TITLE ORG STREET CITY STATE ZIP
    qvtest::WriteAll(rows_,
                     "Smith\tJohn\t\t\t\t12 Main St\tAlbany\tNY\t12207\n"
                     "SMITH\tjohn\t\t\t\t 9 Oak Ave\tTroy\tny\t12180\n"
                     "Brown\tAl\t\t\t\t12 Main St\tAlbany\tNY\t99999\n");
    ASSERT_EQ(Cli({"make", file_, rows_}).status, 0);
  }

  RunResult Cli(std::vector<std::string> args, Stderr err = Stderr::kDiscard) {
    args.insert(args.begin(), QV_CLI);
    return qvtest::Run(args, err, env_);
  }

  qvtest::ScratchDir dir_;
  std::string env_;
  std::string file_ = dir_ / "c.dbf";
  std::string rows_ = dir_ / "rows.tsv";
};

TEST_F(CliCleanup, ChecksPrintTheGridInItsOrder) {
  EXPECT_EQ(Cli({"dups", file_, "--by", "name"}).out,
            "1\tSmith\tJohn\t12 Main St\n2\tSMITH\tjohn\t9 Oak Ave\nFound 1 possible duplicates\n");
  EXPECT_EQ(Cli({"dups", file_, "--by", "street", "--chars", "4"}).out,
            "1\tSmith\tJohn\t12 Main St\n3\tBrown\tAl\t12 Main St\nFound 1 possible duplicates\n");
  EXPECT_EQ(Cli({"check-zip", file_}).out,
            "3\tNY\t99999\tBrown\tAl\n2\tny\t12180\tSMITH\tjohn\n"
            "Found 2 records with questionable state or zipcodes\n");
  // The work indexes do not stay behind.
  EXPECT_FALSE(std::filesystem::exists(dir_ / "_chkdup.idx"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "_chksz.idx"));
}

TEST_F(CliCleanup, RewritesReportTheirCountsAndKeepTheIndexes) {
  EXPECT_EQ(Cli({"replace", file_, "--field", "CITY", "--equals", "albany", "--ignore-case",
                 "--with", "Colonie"})
                .out,
            "Replaced 2 records\n");
  EXPECT_EQ(Cli({"upper", file_, "--fields", "LNAME,CITY", "--filter", "CITY=\"Colonie\""}).out,
            "Converted 2 records\n");
  EXPECT_EQ(Cli({"delete", file_, "--not-filter", "CITY=\"COLONIE\""}).out, "Deleted 1 records\n");
  EXPECT_EQ(Cli({"count", file_, "UPPER(PREFIX)<>\"DELETED\" .and. LNAME=\"BROWN\""}).out, "1\n");
  QV_SKIP_WITHOUT_ORACLE();
  EXPECT_EQ(qvtest::Oracle({"verify", file_}).substr(0, 3), "ok ");
}

TEST_F(CliCleanup, BadUsageAndAHeldFile) {
  EXPECT_EQ(Cli({"dups", file_}).status, 2);
  EXPECT_EQ(Cli({"dups", file_, "--by", "name", "--chars", "3"}).status, 2);
  EXPECT_EQ(Cli({"delete", file_, "--all", "--filter", "CITY=\"Troy\""}).status, 2);
  EXPECT_EQ(Cli({"replace", file_, "--field", "LNAME", "--equals", "x"}).status, 2);
  EXPECT_EQ(Cli({"upper", file_, "--all", "--fields", "EMAIL"}).status, 1);
  EXPECT_EQ(Cli({"dups", file_, "--by", "street", "--chars", "31"}).status, 1);

  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> held;
  xb::OpenOptions shared;
  shared.exclusive = false;
  ASSERT_TRUE(xb::WorkArea::Open(file_, shared, &settings, &held).ok());
  for (const char* command : {"dups", "check-zip"}) {
    std::vector<std::string> args = {command, file_};
    if (std::string(command) == "dups") args.insert(args.end(), {"--by", "name"});
    const RunResult r = Cli(args, Stderr::kMerge);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_NE(r.out.find("Unable to open this file exclusively. Possibly in use by another program "
                         "or user"),
              std::string::npos)
        << r.out;
  }
}

}  // namespace
