// quorvane-cli's reading commands against the independent xBase checker, one
// case per output format: files the checker writes read by us and files we
// write read by it. The engine's own oracle tests compare the expression and
// index rules case by case; these check what the commands print.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using qvtest::RunResult;

RunResult Exec(const std::vector<std::string>& argv) { return qvtest::Run(argv); }

class CliOracleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new qvtest::ScratchDir;
    dir_ = scratch_->path();
    rows_ = std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv";
    ours_ = dir_ + "/ours.dbf";
    theirs_ = dir_ + "/theirs.dbf";
    ASSERT_EQ(Exec({QV_CLI, "make", ours_, rows_}).status, 0);
    if (qvtest::HaveOracle()) {
      ASSERT_EQ(Exec({QV_XBCHECK, "make", theirs_, rows_}).status, 0);
    }
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }

  void SetUp() override { QV_SKIP_WITHOUT_ORACLE(); }

  // Our command and the checker's, with the flags each spells its own way.
  static void ExpectSame(std::vector<std::string> mine, std::vector<std::string> ref,
                         const std::vector<std::pair<const char*, const char*>>& flags = {}) {
    for (const auto& [ours, theirs] : flags) mine.push_back(ours), ref.push_back(theirs);
    mine.insert(mine.begin(), QV_CLI);
    ref.insert(ref.begin(), QV_XBCHECK);
    const RunResult a = Exec(mine), b = Exec(ref);
    ASSERT_EQ(b.status, 0) << b.out;
    EXPECT_EQ(a.out, b.out);
  }

  static qvtest::ScratchDir* scratch_;
  static std::string dir_, rows_, ours_, theirs_;
};
qvtest::ScratchDir* CliOracleTest::scratch_ = nullptr;
std::string CliOracleTest::dir_, CliOracleTest::rows_, CliOracleTest::ours_,
    CliOracleTest::theirs_;

TEST_F(CliOracleTest, DumpsAgreeOnBothFiles) {
  for (const std::string& file : {ours_, theirs_}) {
    RunResult mine = Exec({QV_CLI, "dump", file});
    RunResult ref = Exec({QV_XBCHECK, "dump", file});
    ASSERT_EQ(mine.status, 0) << file;
    EXPECT_EQ(mine.out, ref.out) << file;
  }
}

TEST_F(CliOracleTest, OurFilesHaveTheExpectedHeaderBytes) {
  RunResult info = Exec({QV_XBCHECK, "info", ours_});
  ASSERT_EQ(info.status, 0);
  EXPECT_NE(info.out.find("signature\tF5\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("codepage\t03\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("records\t40\n"), std::string::npos) << info.out;
}

// Conditions on what this data set holds (notes, memos, a city joined to
// its state), under each of the command's two switches.
TEST_F(CliOracleTest, CountsAgreeForEverySetting) {
  const char* const kConditions[] = {
      R"(UPPER(LNAME)="JONES" .and. UPPER(CITY+STATE)="CHICAGO" .and. UPPER(PREFIX)<>"DELETED")",
      R"(TRIM(LNAME) == "Jones")",
      R"("fair"$MEMO)",
  };
  for (const std::string& file : {ours_, theirs_}) {
    for (const char* cond : kConditions) {
      for (int mode = 0; mode < 4; ++mode) {
        std::vector<std::pair<const char*, const char*>> flags;
        if (mode & 1) flags.push_back({"--exact", "exact"});
        if (mode & 2) flags.push_back({"--deleted", "deleted"});
        SCOPED_TRACE(std::string(cond) + " mode " + std::to_string(mode) + " " + file);
        ExpectSame({"count", file, cond}, {"count", file, cond}, flags);
      }
    }
  }
}

// A value of each type, on a record and past the last one.
TEST_F(CliOracleTest, EvalAgreesOnValuesAndTypes) {
  const char* const kExpressions[] = {"UPPER(LNAME-FNAME)", "SEQNO+1", "DATE+30", "BEGIN",
                                      "MEMO", "RECNO()"};
  for (const char* recno : {"8", "41"}) {
    for (const char* e : kExpressions) {
      SCOPED_TRACE(std::string(e) + " on record " + recno);
      ExpectSame({"eval", ours_, recno, e}, {"eval", ours_, recno, e});
    }
  }
}

// Each failure says what went wrong in the program's words, on the error
// stream, with exit 1 for bad input and 2 for bad usage.
TEST(CliErrors, BadInputExitsNonZeroWithAMessage) {
  qvtest::ScratchDir scratch;
  const std::string dir = scratch.path();
  const std::string junk = dir + "/junk.dbf";
  std::ofstream(junk) << "this is not a table";
  const std::string good = dir + "/good.dbf";
  ASSERT_EQ(Exec({QV_CLI, "make", good, std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv"})
                .status, 0);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;  // a part of the one line it prints
  } cases[] = {
      {{"info", junk}, 1, "junk.dbf is too short to be a table"},
      {{"dump", dir + "/missing.dbf"}, 1, "cannot open " + dir + "/missing.dbf"},
      {{"count", good, "UPPER(LNAME"}, 1, "syntax error at position 12"},
      {{"eval", good, "x", "LNAME"}, 1, "not a record number: x"},
      {{"bogus"}, 2, "usage: quorvane-cli COMMAND ARGS\n"},
      {{"count"}, 2, "usage: quorvane-cli COMMAND ARGS\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), QV_CLI);
    SCOPED_TRACE(c.args[0]);
    const RunResult r = qvtest::Run(argv, qvtest::Stderr::kMerge);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    if (c.status == 1) {
      EXPECT_EQ(r.out.rfind("quorvane-cli: ", 0), 0u) << r.out;
    }
  }
}

}  // namespace
