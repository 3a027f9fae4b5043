// The checker's verify of the 21 tags of contact files quorvane-cli made,
// changed through the work area, packed and reindexed, and the command
// line's failures in its own words. Reading and writing each format and the
// expression and index rules are compared with the checker in the engine's
// tests.
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

// Copies a contact file with its companions.
std::string CopyContactFile(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  for (const char* ext : {".dbf", ".cdx", ".fpt"}) {
    fs::copy_file(fs::path(from).replace_extension(ext), fs::path(to).replace_extension(ext),
                  fs::copy_options::overwrite_existing);
  }
  return to;
}

TEST(CliOracle, CheckerVerifiesOurFilesAsMadeChangedPackedAndReindexed) {
  QV_SKIP_WITHOUT_ORACLE();
  qvtest::ScratchDir scratch;
  const std::string dir = scratch.path(), ours = dir + "/ours.dbf", theirs = dir + "/theirs.dbf";
  const std::string rows = std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv";
  ASSERT_EQ(Exec({QV_CLI, "make", ours, rows}).status, 0);
  ASSERT_EQ(Exec({QV_XBCHECK, "make", theirs, rows}).status, 0);
  EXPECT_EQ(qvtest::Oracle({"verify", ours}), "ok 21 tags, 40 records\n");

  // Changes to fields of every kind of key, in an order as the program
  // edits, deletions, appends, then a pack.
  const std::string changed = CopyContactFile(ours, dir + "/changed.dbf");
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

  const std::string rebuilt = CopyContactFile(theirs, dir + "/rebuilt.dbf");
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
