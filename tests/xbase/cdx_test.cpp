// Index storage against the checker: files it writes, read and sought as it
// does, and files we build that it must accept.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "test_support.h"
#include "xbase/index.h"

namespace xb {
namespace {

namespace fs = std::filesystem;
using qvtest::HaveOracle;
using qvtest::Oracle;
using qvtest::SplitLines;
using TempDir = qvtest::ScratchDir;

// Contact rows with repeated, blank and differently cased names, empty and
// odd dates, negative and repeated numbers, every ninth row deleted.
void WriteContacts(const std::string& path, int rows, unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](std::initializer_list<const char*> v) {
    return std::string(*(v.begin() + rng() % v.size()));
  };
  std::ofstream out(path);
  for (int i = 0; i < rows; ++i) {
    std::string lname = pick({"Smith", "smith", "SMITH", "Smithson", "Jones", "O'Brien", "",
                              "Miller", "Abbott", "Zed", "Le", "Lee", "a", "van der Berg"});
    if (rng() % 4 == 0) lname += std::to_string(rng() % 50);
    const std::string fname = pick({"John", "Mary", "", "Ann", "anne", "Bob", "Zoe", "JOHN"});
    const std::string date = pick({"", "20240101", "19991231", "20000229", "18991231", "20231115"});
    const int seqno = int(rng() % 5) == 0 ? -int(rng() % 1000) : int(rng() % 300);
    out << lname << '\t' << fname << '\t' << pick({"", "A", "q"}) << "\tMr\tAcme " << i % 13 << '\t'
        << i << " Main St\t" << pick({"Springfield", "", "Boston", "boston"}) << '\t'
        << pick({"CA", "NY", "", "MA"}) << '\t' << 10000 + i % 97 << "\tUSA\t555-" << i % 1000
        << "\te" << i << "@x.com\t\tnote " << i % 7 << "\tDr\tC001\t" << date << '\t'
        << (rng() % 2 ? "T" : "F") << '\t' << seqno << "\tmemo " << i;
    if (i % 9 == 4) out << "\t*";
    out << '\n';
  }
}

KeyType ContactKeyType(const std::string& tag) {
  if (tag == "JUSTSEQNO") return KeyType::kNumeric;
  if (tag == "DELETED") return KeyType::kLogical;
  return KeyType::kCharacter;
}

// A key as `xbcheck keys` prints it.
std::string ShowKey(KeyType type, std::string_view key) {
  if (type == KeyType::kNumeric) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", DecodeNumericKey(key));
    return buf;
  }
  return qvtest::EscapeTsv(std::string(key));
}

// The inverse, for building files from the oracle's own lists.
std::string ParseKey(KeyType type, const std::string& shown, uint16_t key_length) {
  if (type == KeyType::kNumeric) return EncodeNumericKey(std::strtod(shown.c_str(), nullptr));
  return EncodeCharacterKey(qvtest::UnescapeTsv(shown), key_length);
}

// The tag as `xbcheck keys` lists it, walked forwards or backwards.
std::vector<std::string> Walk(IndexFile* file, int order, bool backwards) {
  std::vector<std::string> out;
  std::unique_ptr<IndexCursor> c;
  Status s = file->NewCursor(order, &c);
  if (s.ok()) s = backwards ? c->SeekLast() : c->SeekFirst();
  for (; s.ok() && c->Valid(); s = backwards ? c->Prev() : c->Next()) {
    out.push_back(std::to_string(c->recno()) + "\t" + ShowKey(file->tag(order).key_type, c->key()));
  }
  EXPECT_TRUE(s.ok()) << s.ToString();
  if (backwards) std::reverse(out.begin(), out.end());
  return out;
}

struct OracleTag {
  TagInfo info;
  std::vector<std::pair<uint32_t, std::string>> entries;  // as the oracle lists them
};

// One oracle-made contact file shared by the oracle tests.

class OracleFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!HaveOracle()) return;
    dir_ = new TempDir;
    WriteContacts(dir_->file("rows.tsv"), 2500, 7);
    made_ = Oracle({"make", dir_->file("c.dbf"), dir_->file("rows.tsv")});
    for (const auto& line : SplitLines(Oracle({"info", dir_->file("c.dbf")}))) {
      if (line.rfind("tag\t", 0) == 0) tag_lines_.push_back(line);
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
    ASSERT_EQ(tag_lines_.size(), 21u) << made_;
  }

  static std::unique_ptr<IndexFile> OpenContacts(const std::string& path, bool read_only) {
    IndexOpenOptions options;
    options.read_only = read_only;
    options.record_count = 2500;
    std::unique_ptr<IndexFile> file;
    Status s = IndexFile::Open(path, options, &file);
    EXPECT_TRUE(s.ok()) << s.ToString();
    if (!s.ok()) return nullptr;
    for (int i = 1; i <= file->tag_count(); ++i) {
      EXPECT_TRUE(file->SetKeyType(i, ContactKeyType(file->tag(i).name)).ok());
    }
    return file;
  }

  // Copies the table (no index) to `name`.dbf/.fpt in the temp directory.
  static std::string CopyTable(const std::string& name) {
    fs::copy_file(dir_->file("c.dbf"), dir_->file(name + ".dbf"),
                  fs::copy_options::overwrite_existing);
    fs::copy_file(dir_->file("c.fpt"), dir_->file(name + ".fpt"),
                  fs::copy_options::overwrite_existing);
    fs::remove(dir_->file(name + ".cdx"));
    return dir_->file(name + ".dbf");
  }

  // The tags of the checker's file with their entries as it lists them.
  static std::vector<OracleTag> OriginalTags();

  static TempDir* dir_;
  static std::string made_;
  static std::vector<std::string> tag_lines_;
};

TempDir* OracleFileTest::dir_ = nullptr;
std::string OracleFileTest::made_;
std::vector<std::string> OracleFileTest::tag_lines_;

TEST_F(OracleFileTest, ReadsEveryTagAsTheOracleDoes) {
  auto file = OpenContacts(dir_->file("c.cdx"), true);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(file->kind(), IndexFile::Kind::kCompound);
  ASSERT_EQ(file->tag_count(), 21);
  for (int i = 1; i <= 21; ++i) {
    const TagInfo& t = file->tag(i);
    // info prints: tag, name, key, FOR, unique, direction, count.
    EXPECT_EQ(tag_lines_[i - 1].rfind("tag\t" + t.name + "\t" + t.key_expr + "\t" + t.for_expr +
                                          (t.unique ? "\tunique\t" : "\t-\t") +
                                          (t.descending ? "descend\t" : "ascend\t"),
                                      0),
              0u)
        << tag_lines_[i - 1];
    EXPECT_EQ(file->FindTag(t.name == "NAME" ? "name" : t.name), i);
    const auto expected = SplitLines(Oracle({"keys", dir_->file("c.dbf"), t.name}));
    ASSERT_EQ(expected.size(), 2500u) << t.name;
    EXPECT_EQ(Walk(file.get(), i, false), expected) << t.name;
    EXPECT_EQ(Walk(file.get(), i, true), expected) << t.name << " backwards";
  }
  EXPECT_EQ(file->FindTag("NOSUCH"), 0);
}

TEST_F(OracleFileTest, SeeksLandWhereTheOracleLands) {
  auto file = OpenContacts(dir_->file("c.cdx"), true);
  ASSERT_NE(file, nullptr);
  const struct {
    const char* tag;
    std::vector<std::string> keys;
  } cases[] = {
      {"LNAME", {"SMITH", "SMI", "SMITH JOHN", "ZZZ", "", "ABBOTTZ", "LE", "~"}},
      {"DATE", {"2000", "20000229", "1999123", "20991231", "        "}},
  };
  for (const auto& c : cases) {
    const int order = file->FindTag(c.tag);
    std::unique_ptr<IndexCursor> cursor;
    ASSERT_TRUE(file->NewCursor(order, &cursor).ok());
    for (const auto& key : c.keys) {
      bool found = false;
      ASSERT_TRUE(cursor->Seek(key, true, &found).ok());
      for (bool soft : {false, true}) {
        const bool on = found || (soft && cursor->Valid());
        const std::string ours = std::string(found ? "found\t" : "notfound\t") +
                                 (on ? std::to_string(cursor->recno()) + "\t-" : "2501\teof");
        std::vector<std::string> args{"seek", dir_->file("c.dbf"), c.tag, key};
        if (soft) args.push_back("soft");
        const auto theirs = SplitLines(Oracle(args));
        ASSERT_EQ(theirs.size(), 1u);
        EXPECT_EQ(ours, theirs[0]) << c.tag << " [" << key << "]" << (soft ? " soft" : "");
      }
    }
  }
}

std::vector<OracleTag> OracleFileTest::OriginalTags() {
  auto file = OpenContacts(dir_->file("c.cdx"), true);
  std::vector<OracleTag> tags;
  for (int i = 1; file && i <= file->tag_count(); ++i) {
    OracleTag t{file->tag(i), {}};
    for (const auto& line : SplitLines(Oracle({"keys", dir_->file("c.dbf"), t.info.name}))) {
      const size_t tab = line.find('\t');
      t.entries.push_back({uint32_t(std::stoul(line.substr(0, tab))),
                           ParseKey(t.info.key_type, line.substr(tab + 1), t.info.key_length)});
    }
    tags.push_back(std::move(t));
  }
  return tags;
}

TEST_F(OracleFileTest, OracleAcceptsTagsBuiltInBulkOrInBatchesAndADroppedTagRebuilt) {
  const std::vector<OracleTag> tags = OriginalTags();
  ASSERT_EQ(tags.size(), 21u);
  const std::string dbf = CopyTable("built"), cdx = dir_->file("built.cdx");
  std::unique_ptr<IndexFile> file;
  ASSERT_TRUE(IndexFile::CreateCompound(cdx, &file).ok());
  std::mt19937 rng(3);
  for (const auto& t : tags) {
    SCOPED_TRACE(t.info.name);
    auto shuffled = t.entries;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    const bool batches =
        t.info.name == "NAME" || t.info.name == "JUSTSEQNO" || t.info.name == "DELETED";
    KeyBuffer buf(t.info.key_length);
    for (const auto& [recno, key] : shuffled) {
      if (!batches) buf.Add(key, recno);
    }
    std::vector<int> progress;
    int order = 0;
    ASSERT_TRUE(file->AddTag(
                        t.info, &buf, [&](int p) { progress.push_back(p); }, &order)
                    .ok());
    EXPECT_EQ(file->tag(order).name, t.info.name);
    if (!batches) {
      ASSERT_FALSE(progress.empty());
      EXPECT_EQ(progress.back(), 100);
      EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
      continue;
    }
    const size_t cuts[] = {0, 1000, 1030, shuffled.size()};
    for (int b = 0; b < 3; ++b) {
      KeyBuffer batch(t.info.key_length);
      for (size_t i = cuts[b]; i < cuts[b + 1]; ++i) {
        batch.Add(shuffled[i].second, shuffled[i].first);
        if (b != 1 && i % 10 == 0) {  // again, within the batch or from before
          const auto& again = shuffled[b == 0 ? i : rng() % cuts[b]];
          batch.Add(again.second, again.first);
        }
      }
      const Status s = file->InsertKeys(order, &batch);
      ASSERT_TRUE(s.ok()) << "batch " << b << ": " << s.ToString();
      EXPECT_EQ(batch.size(), 0u);
    }
  }
  // The checker lists the tags as it made them, and their entries.
  ASSERT_TRUE(file->Flush().ok());
  std::vector<std::string> info_tags;
  for (const auto& line : SplitLines(Oracle({"info", dbf}))) {
    if (line.rfind("tag\t", 0) == 0) info_tags.push_back(line);
  }
  EXPECT_EQ(info_tags, tag_lines_);
  EXPECT_EQ(SplitLines(Oracle({"verify", dbf})),
            std::vector<std::string>{"ok 21 tags, 2500 records"});
  for (const char* name : {"NAME", "JUSTSEQNO", "DELETED"}) {
    EXPECT_EQ(Oracle({"keys", dbf, name}), Oracle({"keys", dir_->file("c.dbf"), name})) << name;
  }

  const auto size_before = fs::file_size(cdx);
  ASSERT_TRUE(file->DropTag(file->FindTag("EMAIL")).ok() && file->Flush().ok());
  EXPECT_EQ(SplitLines(Oracle({"verify", dbf})),
            std::vector<std::string>{"ok 20 tags, 2500 records"});
  KeyBuffer again(tags[11].info.key_length);
  for (const auto& [recno, key] : tags[11].entries) again.Add(key, recno);
  ASSERT_EQ(tags[11].info.name, "EMAIL");
  ASSERT_TRUE(file->AddTag(tags[11].info, &again, nullptr, nullptr).ok() && file->Flush().ok());
  EXPECT_LE(fs::file_size(cdx), size_before + 1024);
  EXPECT_EQ(SplitLines(Oracle({"verify", dbf})),
            std::vector<std::string>{"ok 21 tags, 2500 records"});
}

}  // namespace
}  // namespace xb
