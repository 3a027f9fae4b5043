// quorvane-cli zipcount and report as a shell user runs them: the report
// lines byte for byte, the CSV file, and the exit codes of bad input with
// nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace {

using qvtest::ScratchDir;

class CliReportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // LNAME FNAME MIDDLE TITLE ORG STREET CITY STATE ZIP, the rest blank.
    qvtest::WriteAll(dir_ / "rows.tsv",
                     "Smith\tJohn\t\t\t\t\t\t\t12345\n"
                     "Jones\tAnn\t\t\t\t\t\t\t12345-6789\n"
                     "Short\t\t\t\t\t\t\t\t1234\n"
                     "Blank\n"
                     "Canada\t\t\t\t\t\t\t\tK1A 0B1\n"
                     "Boston\t\t\t\t\t\t\t\t02110\n");
    ASSERT_EQ(Cli({"make", file_, dir_ / "rows.tsv"}).status, 0);
  }
  qvtest::RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), QV_CLI);
    return qvtest::Run(args, qvtest::Stderr::kDiscard, env_);
  }
  ScratchDir dir_;
  std::string file_ = dir_ / "c.dbf";
  std::string env_ = "QT_QPA_PLATFORM=offscreen QUORVANE_HOME=" + dir_.path() + " ";
};

TEST_F(CliReportsTest, LinesAreTheReportLinesByteForByte) {
  const auto r = Cli({"zipcount", file_, "--lines"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "02110     1\n12345     2\n\n\n1234      1\nK1A 0     1\nBLANK     1\n");
  const auto f =
      Cli({"zipcount", file_, "--filter", "ZIP = \"1\"", "--lines"});
  ASSERT_EQ(f.status, 0);
  EXPECT_EQ(f.out, "12345     2\n\n\n1234      1\n");
}

TEST_F(CliReportsTest, CsvAndStreamsAreWrittenAndBadInputWritesNothing) {
  ASSERT_EQ(Cli({"zipcount", file_, "--csv", dir_ / "z.csv"}).status, 0);
  EXPECT_EQ(qvtest::ReadAll(dir_ / "z.csv"),
            "ZIP,Count\r\n02110,1\r\n12345,2\r\n1234,1\r\nK1A 0,1\r\nBLANK,1\r\n");
  const auto ok = Cli({"report", file_, "--layout", "2", "--stream", dir_ / "r.qvs"});
  ASSERT_EQ(ok.status, 0);
  EXPECT_EQ(ok.out.rfind("report 6 records on 1 pages to ", 0), 0u) << ok.out;

  const struct {
    std::vector<std::string> args;
    int status;
  } bad[] = {
      {{"report", file_, "--filter", "LNAME = ", "--stream", dir_ / "x"}, 1},
      {{"report", file_, "--layout", "5", "--stream", dir_ / "x"}, 1},
      {{"report", file_, "--stream", dir_ / "x", "--pdf", dir_ / "x.pdf"}, 1},
      {{"report", file_, "--filter", "1=1", "--current", "1", "--stream", dir_ / "x"}, 1},
      {{"report", file_, "--current", "99", "--stream", dir_ / "x"}, 1},
      {{"report", file_, "--colour", "--stream", dir_ / "x"}, 2},
      {{"report", dir_ / "missing.dbf", "--stream", dir_ / "x"}, 1},
      {{"zipcount", file_, "--filter", "ZIP = ", "--csv", dir_ / "x"}, 1},
      {{"zipcount", file_}, 1},
      {{"zipcount", file_, "--lines", "--csv", dir_ / "x"}, 1},
      {{"zipcount"}, 2},
  };
  for (const auto& b : bad) {
    EXPECT_EQ(Cli(b.args).status, b.status) << b.args[1];
    EXPECT_FALSE(std::filesystem::exists(dir_ / "x"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "x.pdf"));
  }
}

// The commands see what the main window shows: neither a record carrying
// the deletion flag nor one marked DELETED is counted, reported or taken as
// the current record.
TEST_F(CliReportsTest, DeletedRecordsAreNeitherCountedNorCurrent) {
  const std::string tabs8(8, '\t');
  qvtest::WriteAll(dir_ / "mixed.tsv",
                   "Kept" + tabs8 + "11111\n" +                                        //
                   "Flagged" + tabs8 + "22222" + std::string(12, '\t') + "*\n" +      // flag only
                   "Marked" + tabs8 + "33333" + std::string(6, '\t') + "DELETED\n");  // marker only
  const std::string mixed = dir_ / "mixed.dbf";
  ASSERT_EQ(Cli({"make", mixed, dir_ / "mixed.tsv"}).status, 0);
  const auto z = Cli({"zipcount", mixed, "--lines"});
  ASSERT_EQ(z.status, 0);
  EXPECT_EQ(z.out, "11111     1\n\n\n");
  const auto r = Cli({"report", mixed, "--stream", dir_ / "m.qvs"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("report 1 records on 1 pages", 0), 0u) << r.out;
  for (const char* recno : {"1", "2", "3"}) {
    const auto c = Cli({"report", mixed, "--current", recno, "--stream", dir_ / "m.qvs"});
    EXPECT_EQ(c.status, std::string(recno) == "1" ? 0 : 1) << "record " << recno;
  }
}

}  // namespace
