// quorvane-cli against the independent xBase checker: the same files, the
// same questions, byte-identical answers. Both directions: files the checker
// writes read by us, and files we write read by it.
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

  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
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

// Filter-page conditions on what this data set holds (notes, zip codes,
// memos, dates); the expression rules themselves are compared in the
// engine's own oracle test.
const char* const kConditions[] = {
    R"(((UPPER(LNAME)="J").and.(UPPER(FNAME)="R")))",
    R"(DTOS(DATE)<"20180101")",
    R"(EMPTY(DATE))",
    R"(UPPER(LNAME)="JONES" .and. UPPER(CITY+STATE)="CHICAGO" .and. UPPER(PREFIX)<>"DELETED")",
    R"(UPPER(ZIP)="021")",
    R"(UPPER(NOTES)="VIP")",
    R"("VIP"$NOTES .or. "CLUB"$NOTES)",
    R"(LNAME == "Jones")",
    R"(TRIM(LNAME) == "Jones")",
    R"(MEMO <> "")",
    R"("fair"$MEMO)",
};

TEST_F(CliOracleTest, CountsAgreeForEverySetting) {
  for (const std::string& file : {ours_, theirs_}) {
    for (const char* cond : kConditions) {
      for (int exact = 0; exact < 2; ++exact) {
        for (int deleted = 0; deleted < 2; ++deleted) {
          std::vector<std::string> mine = {QV_CLI, "count", file, cond};
          std::vector<std::string> ref = {QV_XBCHECK, "count", file, cond};
          if (exact) mine.push_back("--exact"), ref.push_back("exact");
          if (deleted) mine.push_back("--deleted"), ref.push_back("deleted");
          RunResult a = Exec(mine), b = Exec(ref);
          ASSERT_EQ(b.status, 0) << cond;
          EXPECT_EQ(a.out, b.out) << cond << " exact=" << exact << " deleted=" << deleted;
        }
      }
    }
  }
}

TEST_F(CliOracleTest, BareAndCountsLikeDottedAnd) {
  const std::string bare = R"(UPPER(LNAME)="JONES" and UPPER(CITY+STATE)="CHICAGO")";
  const std::string dotted = R"(UPPER(LNAME)="JONES" .and. UPPER(CITY+STATE)="CHICAGO")";
  RunResult a = Exec({QV_CLI, "count", ours_, bare});
  RunResult b = Exec({QV_XBCHECK, "count", ours_, dotted});
  ASSERT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
}

TEST_F(CliOracleTest, EvalAgreesOnValuesAndTypes) {
  const char* const kExpressions[] = {
      "LNAME",  "UPPER(LNAME-FNAME)", "STR(SEQNO,6,0)+STATE+ZIP", "DATE", "DTOS(DATE)",
      "BEGIN",  "SEQNO",  "SEQNO+1", "MEMO",   "LEN(TRIM(LNAME))", "DELETED()",  "RECNO()",
      "SUBSTR(ZIP,1,3)", "DATE+30", "EMPTY(DATE)", "VAL(ZIP)", "ALLTRIM(CITY)+\", \"+STATE"};
  for (const std::string& file : {ours_, theirs_}) {
    for (const char* recno : {"1", "8", "24", "40", "41"}) {
      for (const char* e : kExpressions) {
        RunResult a = Exec({QV_CLI, "eval", file, recno, e});
        RunResult b = Exec({QV_XBCHECK, "eval", file, recno, e});
        ASSERT_EQ(b.status, 0) << e;
        EXPECT_EQ(a.out, b.out) << e << " on record " << recno;
      }
    }
  }
}

TEST(CliErrors, BadInputExitsNonZeroWithAMessage) {
  qvtest::ScratchDir scratch;
  const std::string dir = scratch.path();
  std::string junk = dir + "/junk.dbf";
  std::ofstream(junk) << "this is not a table";
  EXPECT_EQ(Exec({QV_CLI, "info", junk}).status, 1);
  EXPECT_EQ(Exec({QV_CLI, "dump", dir + "/missing.dbf"}).status, 1);
  EXPECT_EQ(Exec({QV_CLI, "bogus"}).status, 2);
  EXPECT_EQ(Exec({QV_CLI, "count"}).status, 2);
  std::string good = dir + "/good.dbf";
  ASSERT_EQ(Exec({QV_CLI, "make", good, std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv"})
                .status, 0);
  EXPECT_EQ(Exec({QV_CLI, "count", good, "UPPER(LNAME"}).status, 1);
  EXPECT_EQ(Exec({QV_CLI, "eval", good, "x", "LNAME"}).status, 1);
}

}  // namespace
