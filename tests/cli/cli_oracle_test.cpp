// The checker's verify of the 21 tags of a contact file quorvane-cli made
// (reindex builds them the same way), changed through the work area and
// packed. Reading and writing
// each format and the expression and index rules are compared with the
// checker in the engine's tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "test_support.h"
#include "xbase/workarea.h"

namespace {

// Copies a contact file with its companions.
std::string CopyContactFile(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  for (const char* ext : {".dbf", ".cdx", ".fpt"}) {
    fs::copy_file(fs::path(from).replace_extension(ext), fs::path(to).replace_extension(ext),
                  fs::copy_options::overwrite_existing);
  }
  return to;
}

TEST(CliOracle, CheckerVerifiesOurFileAsMadeChangedAndPacked) {
  QV_SKIP_WITHOUT_ORACLE();
  qvtest::ScratchDir scratch;
  const std::string dir = scratch.path(), ours = dir + "/ours.dbf";
  const std::string rows = std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv";
  const qvtest::Cli cli;
  ASSERT_EQ(cli({"make", ours, rows}).status, 0);
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

}

}  // namespace
