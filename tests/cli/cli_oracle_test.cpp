// quorvane-cli's commands against the independent xBase checker, one case
// per output format: files the checker writes read by us and files we write
// read by it, and the checker's verify of the 21 tags of our files as made,
// changed through the work area, packed and reindexed. The engine's own
// oracle tests compare the expression and index rules case by case.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "xbase/workarea.h"

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

// One tag of each key type, and seeks found, missed and soft.
TEST_F(CliOracleTest, KeysDumpsInOrderAndSeeksAgree) {
  const struct {
    const char* tag;
    const char* key;
  } kSeeks[] = {{"LNAME", "JONES"}, {"LNAME", "JO"}, {"LNAME", "ZZZ"}, {"LNAME", ""},
                {"ZIP", "021"},     {"DATE", "2015"}, {"STATEZIP", "MA"}};
  for (const std::string& file : {ours_, theirs_}) {
    for (const char* tag : {"NAME", "DATE", "DELETED", "JUSTSEQNO"}) {
      SCOPED_TRACE(file + " " + tag);
      ExpectSame({"keys", file, tag}, {"keys", file, tag});
      ExpectSame({"dump", file, tag}, {"dump", file, tag});
    }
    for (const auto& s : kSeeks) {
      for (bool soft : {false, true}) {
        SCOPED_TRACE(file + " " + s.tag + " [" + s.key + "]" + (soft ? " soft" : ""));
        std::vector<std::pair<const char*, const char*>> flags;
        if (soft) flags.push_back({"--soft", "soft"});
        ExpectSame({"seek", file, s.tag, s.key}, {"seek", file, s.tag, s.key}, flags);
      }
    }
    // The checker's SEEK ignores SET EXACT, ours pads the key: the two agree
    // on keys of the order's whole length.
    for (const char* key : {"02110     ", "0211      "}) {
      SCOPED_TRACE(file + " exact [" + key + "]");
      ExpectSame({"seek", file, "ZIP", key}, {"seek", file, "ZIP", key}, {{"--exact", "exact"}});
    }
  }
}

// Copies a contact file with its companions.
std::string CopyContactFile(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  for (const char* ext : {".dbf", ".cdx", ".fpt"}) {
    fs::copy_file(fs::path(from).replace_extension(ext), fs::path(to).replace_extension(ext),
                  fs::copy_options::overwrite_existing);
  }
  return to;
}

TEST_F(CliOracleTest, CheckerVerifiesOurFilesAsMadeChangedPackedAndReindexed) {
  EXPECT_EQ(qvtest::Oracle({"verify", ours_}), "ok 21 tags, 40 records\n");

  // Changes to fields of every kind of key, in an order as the program
  // edits, deletions, appends, then a pack.
  const std::string changed = CopyContactFile(ours_, dir_ + "/changed.dbf");
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  ASSERT_TRUE(xb::WorkArea::Open(changed, xb::OpenOptions(), &settings, &area).ok());
  xb::Table& t = area->table();
  ASSERT_TRUE(area->SetOrder(area->TagArea("NAME")).ok());
  const char* const kNames[] = {"smith", "M\xFCller", "", " Lee", "JONES"};
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(area->Go(1 + (i * 7) % 40).ok());
    char seqno[16];
    std::snprintf(seqno, sizeof seqno, "%6d", i * 37 - 999);
    const std::pair<const char*, std::string> kChanges[] = {{"LNAME", kNames[(i / 5) % 5]},
                                                            {"SEQNO", seqno},
                                                            {"DATE", i % 2 ? "19991231" : ""},
                                                            {"STATE", i % 2 ? "ny" : ""}};
    if (i % 5 == 4) {
      ASSERT_TRUE(area->SetDeleted(i % 3 != 0).ok());
    } else {
      const auto& [field, value] = kChanges[i % 5];
      ASSERT_TRUE(area->SetField(t.FieldIndex(field), value).ok()) << field;
    }
  }
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(area->Append().ok());
    ASSERT_TRUE(area->SetField(t.FieldIndex("LNAME"), kNames[i % 5]).ok());
    ASSERT_TRUE(area->SetField(t.FieldIndex("ZIP"), i % 2 ? "02134-1234" : "9021").ok());
    ASSERT_TRUE(area->SetDeleted(i % 4 == 0).ok());
  }
  area.reset();
  EXPECT_EQ(qvtest::Oracle({"verify", changed}), "ok 21 tags, 50 records\n");
  ASSERT_TRUE(xb::WorkArea::Open(changed, xb::OpenOptions(), &settings, &area).ok());
  ASSERT_TRUE(area->Pack().ok());
  const uint32_t left = area->table().record_count();
  area.reset();
  ASSERT_LT(left, 50u);
  EXPECT_EQ(qvtest::Oracle({"verify", changed}),
            "ok 21 tags, " + std::to_string(left) + " records\n");

  const std::string rebuilt = CopyContactFile(theirs_, dir_ + "/rebuilt.dbf");
  const RunResult r = Exec({QV_CLI, "reindex", rebuilt});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(qvtest::Oracle({"verify", rebuilt}), "ok 21 tags, 40 records\n");
}

// Each failure says what went wrong in the program's words, on the error
// stream, with exit 1 for bad input and 2 for bad usage.
TEST(CliErrors, BadInputOrUsageExitsOneOrTwoWithItsMessageOnTheErrorStream) {
  qvtest::ScratchDir scratch;
  const std::string dir = scratch.path();
  const std::string junk = dir + "/junk.dbf";
  std::ofstream(junk) << "this is not a table";
  const std::string good = dir + "/good.dbf";
  ASSERT_EQ(Exec({QV_CLI, "make", good, std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv"})
                .status, 0);
  // The same file with its memo file cut after the header.
  const std::string cut = dir + "/cut.dbf";
  std::filesystem::copy_file(good, cut);
  std::filesystem::copy_file(dir + "/good.fpt", dir + "/cut.fpt");
  std::filesystem::copy_file(dir + "/good.cdx", dir + "/cut.cdx");
  std::filesystem::resize_file(dir + "/cut.fpt", 512);
  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;  // a part of what it prints on the error stream
  } cases[] = {
      {{"count", good, "1/0 > 0"}, 1, "the condition fails on record 1: division by zero"},
      {{"dump", cut}, 1, "The contact file is damaged: record 7: "},
      {{"info", junk}, 1, "junk.dbf is too short to be a table"},
      {{"dump", dir + "/missing.dbf"}, 1, "cannot open " + dir + "/missing.dbf"},
      {{"count", good, "UPPER(LNAME"}, 1, "syntax error at position 12"},
      {{"eval", good, "x", "LNAME"}, 1, "not a record number: x"},
      {{"bogus"}, 2, "usage: quorvane-cli COMMAND ARGS\n"},
      {{"count"}, 2, "usage: quorvane-cli COMMAND ARGS\n"},
      {{"count", good, "SEQNO > 0", "--exactly"}, 2, "count does not take --exactly\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    // The error stream alone: what a dump wrote before failing is thrown away.
    std::string cmd = qvtest::ShellQuote(QV_CLI) + " ";
    for (const auto& a : c.args) cmd += qvtest::ShellQuote(a) + " ";
    const RunResult r = qvtest::RunShell(cmd + "2>&1 >/dev/null");
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    if (c.status == 1) {
      // Bad input: one line in the program's name.
      EXPECT_EQ(r.out.compare(0, 14, "quorvane-cli: "), 0) << r.out;
      EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
    }
  }
}

}  // namespace
