// The full index check, and the damage that used to pass for a sound index:
// pages of one tag patched at offsets found by decoding the file, each of
// which must be named by the check and stop an open or a walk with
// Corruption, never give a short listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cdx_format.h"
#include "cdx_node.h"
#include "engine_tables.h"
#include "test_support.h"
#include "xbase/index_check.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::Le16;
using qvtest::Le32;
using qvtest::ReadAll;
using qvtest::ScratchDir;
using qvtest::WriteAll;

constexpr int kRecords = 300;

struct TagPages {
  uint32_t header = 0;
  uint32_t root = 0;
  uint16_t key_length = 0;
  std::vector<std::vector<uint32_t>> levels;  // root first, leaves last
};

// The pages of tag `name`, level by level, decoded from the file's bytes.
TagPages FindTag(const std::string& cdx, const std::string& name) {
  TagPages t;
  cdx::NodeLimits dir_limits{uint32_t(cdx.size()), 0, true};
  cdx::Node dir;
  std::string why;
  EXPECT_TRUE(cdx::DecodeNode(cdx.data() + Le32(cdx, 0), Le32(cdx, 0), cdx::kTagNameLength, ' ',
                              dir_limits, &dir, &why))
      << why;
  for (size_t i = 0; i < dir.size(); ++i) {
    std::string k(dir.key(i));
    if (k.substr(0, name.size()) == name && k.find_first_not_of(' ', name.size()) == std::string::npos) {
      t.header = dir.recnos[i];
    }
  }
  EXPECT_NE(t.header, 0u) << "no tag " << name;
  t.root = Le32(cdx, t.header + cdx::kHdrRoot);
  t.key_length = Le16(cdx, t.header + cdx::kHdrKeyLength);
  cdx::NodeLimits limits{uint32_t(cdx.size()), kRecords, false};
  std::vector<uint32_t> level{t.root};
  while (!level.empty()) {
    t.levels.push_back(level);
    std::vector<uint32_t> next;
    for (uint32_t page : level) {
      cdx::Node n;
      EXPECT_TRUE(cdx::DecodeNode(cdx.data() + page, page, t.key_length, ' ', limits, &n, &why));
      if (!n.leaf) next.insert(next.end(), n.children.begin(), n.children.end());
    }
    level.swap(next);
  }
  return t;
}

void Put32(std::string* b, size_t at, uint32_t v, bool big_endian = false) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = char(v >> (big_endian ? 24 - 8 * i : 8 * i));
}

class IndexCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "people.dbf";
    const char* cities[] = {"Boston", "Denver", "Austin", "Boston", "Reno"};
    std::vector<std::vector<std::string>> rows;
    std::vector<int> deleted;
    for (int i = 0; i < kRecords; ++i) {
      char last[32], seq[8];
      // Names in no order, so the tags' leaves do not follow record numbers.
      std::snprintf(last, sizeof last, "Name%03d", (i * 37) % kRecords);
      std::snprintf(seq, sizeof seq, "%6d", i);
      rows.push_back({last, "First" + std::to_string(i % 7), cities[i % 5], seq});
      if (i % 10 == 0) deleted.push_back(i + 1);
    }
    ASSERT_TRUE(qvtest::MakeTable(path_, {{"LNAME", 'C', 30, 0}, {"FNAME", 'C', 30, 0},
                                          {"CITY", 'C', 20, 0}, {"SEQNO", 'N', 6, 0}},
                                  rows, {}, deleted)
                    .ok());
    std::unique_ptr<WorkArea> area;
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
    ASSERT_TRUE(area->IndexTags("", {{"LNAME", "UPPER(LNAME)+UPPER(FNAME)", "", false, false},
                                     {"FNAME", "UPPER(FNAME)", "", false, false},
                                     {"CITY", "UPPER(CITY)", "", true, false},
                                     {"EARLY", "SEQNO", "SEQNO < 100", false, false},
                                     {"SEQNO", "SEQNO", "", false, true}})
                    .ok());
    area.reset();
    cdx_path_ = dir_ / "people.cdx";
    good_ = ReadAll(cdx_path_);
  }

  // The full check of the index, or its walk beside the index `beside`.
  std::vector<TagCheck> Check(const std::string& beside = "") {
    std::unique_ptr<Table> table;
    EXPECT_TRUE(Table::Open(path_, OpenOptions{false, true}, &table).ok());
    std::vector<TagCheck> tags;
    Status s = beside.empty() ? CheckIndex(*table, cdx_path_, &tags)
                              : CheckIndexBeside(*table, cdx_path_, beside, &tags);
    EXPECT_TRUE(s.ok()) << s.ToString();
    return tags;
  }

  ScratchDir dir_;
  Settings settings_;
  std::string path_, cdx_path_, good_;
};

TEST_F(IndexCheckTest, SoundIndexChecksCleanWithEachTagsEntryCount) {
  const std::vector<TagCheck> tags = Check();
  ASSERT_EQ(tags.size(), 5u);
  // Deleted records have entries; a unique tag one per key; a FOR tag only
  // the records it takes.
  const std::vector<std::pair<std::string, uint64_t>> want = {
      {"LNAME", kRecords}, {"FNAME", kRecords}, {"CITY", 4}, {"EARLY", 100}, {"SEQNO", kRecords}};
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(tags[i].name, want[i].first);
    EXPECT_TRUE(tags[i].ok) << tags[i].name << ": " << tags[i].problem;
    EXPECT_EQ(tags[i].entries, want[i].second) << tags[i].name;
  }
}

TEST_F(IndexCheckTest, DamagedTagIsNamedAndNeverGivesAShortListing) {
  const TagPages lname = FindTag(good_, "LNAME");
  const TagPages fname = FindTag(good_, "FNAME");
  ASSERT_GE(lname.levels.size(), 2u) << "the tag needs interior pages";
  const std::vector<uint32_t>& leaves = lname.levels.back();
  ASSERT_GE(leaves.size(), 5u);
  const uint32_t mid = leaves[leaves.size() / 2];
  const uint32_t lowest_interior = lname.levels[lname.levels.size() - 2][0];
  const size_t first_child = lowest_interior + cdx::kInteriorEntries + lname.key_length + 4;

  struct Damage {
    const char* what;
    std::function<void(std::string*)> apply;
  };
  const std::vector<Damage> damages = {
      {"a leaf's right pointer skips a page",
       [&](std::string* b) { Put32(b, mid + cdx::kNodeRight, leaves[leaves.size() / 2 + 2]); }},
      {"a leaf's key count set to 0",
       [&](std::string* b) { (*b)[mid + cdx::kNodeCount] = (*b)[mid + cdx::kNodeCount + 1] = 0; }},
      {"a child pointer into another leaf",
       [&](std::string* b) { Put32(b, first_child, leaves[1], true); }},
      {"the tag's root is another tag's root",
       [&](std::string* b) { Put32(b, lname.header + cdx::kHdrRoot, fname.root); }},
      {"the tag's key length one short",
       [&](std::string* b) { (*b)[lname.header + cdx::kHdrKeyLength] = char(lname.key_length - 1); }},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::string bad = good_;
    d.apply(&bad);
    ASSERT_NE(bad, good_);
    WriteAll(cdx_path_, bad);

    for (const TagCheck& t : Check()) {
      EXPECT_EQ(t.ok, t.name != "LNAME") << t.name << ": " << t.problem;
      if (t.name == "LNAME") {
        EXPECT_FALSE(t.problem.empty());
      }
    }

    std::unique_ptr<WorkArea> area;
    ASSERT_TRUE(WorkArea::Open(path_, OpenOptions{false, true}, &settings_, &area).ok());
    Status s = area->index_status();
    if (s.ok()) {
      ASSERT_TRUE(area->SetOrder(area->TagArea("LNAME")).ok());
      int seen = 0;
      for (s = area->GoTop(); s.ok() && !area->eof(); s = area->Skip(1)) ++seen;
      EXPECT_LT(seen, kRecords);
    }
    EXPECT_TRUE(s.IsCorruption()) << s.ToString();
    EXPECT_NE(s.message().find("LNAME"), std::string::npos) << s.message();
  }
}

// Damage to entries, with every page sound: the walk beside a tag just
// built from the table gives the verdict and message of the check that
// computes every record's key, and it is that tag the walk trusts.
TEST_F(IndexCheckTest, WalkBesideANewIndexJudgesAsTheTableDoes) {
  constexpr int kNone = -1, kLast = -2;
  using Entry = std::pair<std::string, uint32_t>;
  // The entry `removed` (counted from the first) goes; `added`, given the
  // removed entry, gives one to put in.
  const struct {
    const char* what;
    const char* tag;
    KeyType type;
    int removed;
    std::function<Entry(Entry)> added;
  } damages[] = {
      {"an entry gone from the middle", "LNAME", KeyType::kCharacter, 100, nullptr},
      {"an entry turned to the next record", "FNAME", KeyType::kCharacter, 50,
       [](Entry e) { return Entry(e.first, e.second % kRecords + 1); }},
      {"an entry moved ahead of every record's key", "LNAME", KeyType::kCharacter, 100,
       [](Entry e) { return Entry("!" + e.first.substr(1), e.second); }},
      {"a key of a descending tag changed", "SEQNO", KeyType::kNumeric, 10,
       [](Entry e) { return Entry(EncodeNumericKey(5), e.second); }},
      {"an entry for a record the condition leaves out", "EARLY", KeyType::kNumeric, kNone,
       [](Entry) { return Entry(EncodeNumericKey(150), 151); }},
      {"the last entry of a descending tag gone", "SEQNO", KeyType::kNumeric, kLast, nullptr},
      {"a key of a unique tag gone", "CITY", KeyType::kCharacter, 1, nullptr},
      {"a key the table lacks in a unique tag", "CITY", KeyType::kCharacter, kNone,
       [](Entry) { return Entry(EncodeCharacterKey("ZURICH", 20), 2); }},
  };
  const std::string reference = dir_ / "people.new";
  for (const auto& d : damages) {
    SCOPED_TRACE(d.what);
    WriteAll(cdx_path_, good_);
    {
      std::unique_ptr<IndexFile> f;
      ASSERT_TRUE(IndexFile::Open(cdx_path_, IndexOpenOptions(), &f).ok());
      const int order = f->FindTag(d.tag);
      ASSERT_TRUE(f->SetKeyType(order, d.type).ok());
      std::unique_ptr<IndexCursor> c;
      ASSERT_TRUE(f->NewCursor(order, &c).ok());
      ASSERT_TRUE((d.removed == kLast ? c->SeekLast() : c->SeekFirst()).ok());
      for (int i = 0; i < d.removed; ++i) ASSERT_TRUE(c->Next().ok());
      const Entry at(c->key(), c->recno());
      if (d.removed != kNone) {
        ASSERT_TRUE(f->DeleteKey(order, at.first, at.second).ok());
      }
      if (d.added) {
        const Entry e = d.added(at);
        ASSERT_TRUE(f->InsertKey(order, e.first, e.second).ok());
      }
      c.reset();
      ASSERT_TRUE(f->Close().ok());
    }
    const std::string bad = ReadAll(cdx_path_);
    WriteAll(reference, good_);
    const std::vector<TagCheck> by_table = Check(), beside = Check(reference);
    ASSERT_EQ(beside.size(), by_table.size());
    for (size_t i = 0; i < beside.size(); ++i) {
      EXPECT_EQ(by_table[i].ok, by_table[i].name != d.tag) << by_table[i].name;
      EXPECT_EQ(beside[i].name, by_table[i].name);
      EXPECT_EQ(beside[i].ok, by_table[i].ok) << beside[i].name;
      EXPECT_EQ(beside[i].entries, by_table[i].entries) << beside[i].name;
      EXPECT_EQ(beside[i].problem, by_table[i].problem) << beside[i].name;
    }
    // The sound index beside the damaged one as the reference.
    WriteAll(cdx_path_, good_);
    WriteAll(reference, bad);
    const std::vector<TagCheck> trusting = Check(reference);
    EXPECT_TRUE(std::any_of(trusting.begin(), trusting.end(), [](const TagCheck& t) { return !t.ok; }));
  }
}

// What runs between the new index being whole and its taking the old
// one's place: a failure there leaves the old index, and nothing else.
TEST_F(IndexCheckTest, AFailureBeforeTheNewIndexTakesOverLeavesTheOld) {
  std::unique_ptr<WorkArea> area;
  ASSERT_TRUE(WorkArea::Open(path_, OpenOptions(), &settings_, &area).ok());
  std::string built;
  const Status s = area->RebuildProductionIndex(
      {{"FNAME", "UPPER(FNAME)", "", false, false}}, [&](const std::string& side) {
        built = ReadAll(side);
        return Status::IOError("the check could not finish");
      });
  EXPECT_TRUE(s.IsIOError()) << s.ToString();
  EXPECT_FALSE(built.empty());
  EXPECT_EQ(area->order_count(), 5);
  area.reset();
  EXPECT_EQ(ReadAll(cdx_path_), good_);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "people.new"));
}

// A child pointer in the middle of an interior page, turned to another
// leaf, leaves the leaf chain whole, so only a descent can notice: every
// seek through it finds its record or says the tag is damaged.
TEST_F(IndexCheckTest, ASeekThroughAMisdirectedChildSaysSo) {
  const TagPages lname = FindTag(good_, "LNAME");
  ASSERT_GE(lname.levels.size(), 2u);
  const uint32_t interior = lname.levels[lname.levels.size() - 2][0];
  const size_t entry = lname.key_length + 8u;  // key, record number, child
  std::string bad = good_;
  Put32(&bad, interior + cdx::kInteriorEntries + 2 * entry + lname.key_length + 4,
        lname.levels.back()[0], true);
  WriteAll(cdx_path_, bad);

  std::unique_ptr<WorkArea> area;
  ASSERT_TRUE(WorkArea::Open(path_, OpenOptions{false, true}, &settings_, &area).ok());
  ASSERT_TRUE(area->SetOrder(area->TagArea("LNAME")).ok());
  int damaged = 0;
  for (int i = 0; i < kRecords; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "NAME%03d", i);
    bool found = false;
    const Status s = area->Seek(name, &found);
    if (s.IsCorruption()) {
      ++damaged;
      EXPECT_NE(s.message().find("LNAME"), std::string::npos) << s.message();
    } else {
      EXPECT_TRUE(s.ok() && found) << name << ": " << s.ToString();
    }
  }
  EXPECT_GT(damaged, 0);
}

}  // namespace
}  // namespace xb
