// The 21 contact tags of files quorvane-cli makes, against the independent
// xBase checker: its verification of our files as made, after changes
// through the work area and after a pack, and of our reindex of a file it
// made; the keys, dumps in order and seeks as the commands print them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "xbase/workarea.h"

namespace {

namespace fs = std::filesystem;
using ProcessResult = qvtest::RunResult;

ProcessResult Exec(const std::vector<std::string>& argv) {
  return qvtest::Run(argv, qvtest::Stderr::kMerge);
}

// Contact rows with the awkward cases of real lists: one surname in three
// letter cases, blanks, leading blanks, a Latin-1 letter, empty dates,
// negative and zero SEQNOs, memos with line breaks, deleted rows.
std::vector<std::string> MakeRows(int count, uint32_t seed) {
  std::mt19937 rng(seed);
  auto pick = [&](std::initializer_list<const char*> pool) {
    return std::string(pool.begin()[rng() % pool.size()]);
  };
  std::vector<std::string> rows;
  for (int i = 0; i < count; ++i) {
    std::vector<std::string> v;
    std::string lname = pick({"Smith", "smith", "SMITH", "Jones", "Brown", "O'Neil", "", " Lee",
                              "M\xFCller", "van Dyke", "Smithers", "Ng"});
    if (rng() % 4 == 0) lname += static_cast<char>('a' + rng() % 26);
    v.push_back(lname);
    v.push_back(pick({"John", "john", "Mary", "", "Ann", "ANN", "Bob", "Zoe"}));
    v.push_back(pick({"", "A", "q", "Z"}));
    v.push_back(pick({"", "Dr.", "Mr", "Ms", "Prof"}));
    v.push_back(pick({"", "Acme", "ACME", "Initech", "Globex Corp"}));
    v.push_back(std::to_string(rng() % 900 + 1) + pick({" Main St", " Elm Ave", " main st"}));
    v.push_back(pick({"Boston", "BOSTON", "boston", "New York", "", "Austin", "Zurich"}));
    v.push_back(pick({"MA", "ma", "NY", "TX", "", "California"}));
    char zip[16];
    std::snprintf(zip, sizeof zip, "%05u", static_cast<unsigned>(rng() % 100000));
    v.push_back(rng() % 2 ? pick({"02134", "02134-1234", "10001", "", "9021", "abc"}) : zip);
    v.push_back(pick({"USA", "", "Canada", "usa"}));
    v.push_back(pick({"", "555-1234", "(617) 555-0000", "555-1234"}));
    v.push_back(pick({"", "a@b.com", "A@B.COM", "x@y.org"}));
    v.push_back(pick({"", "555-9999"}));
    v.push_back(pick({"", "VIP", "club", "vip member"}));
    v.push_back(pick({"", "DELETED", "Mr.", "Dr."}));
    v.push_back(pick({"", "C001", "R002"}));
    if (rng() % 5 == 0) {
      v.push_back("");
    } else {
      char d[16];
      std::snprintf(d, sizeof d, "%04u%02u%02u", 1960 + static_cast<unsigned>(rng() % 70),
                    1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
      v.push_back(d);
    }
    v.push_back(rng() % 2 ? "T" : "F");
    v.push_back(std::to_string(static_cast<int>(rng() % 200000) - 99999));
    v.push_back(rng() % 5 == 0 ? "first line\\nsecond line" : "");
    if (rng() % 12 == 0) v.push_back("*");
    std::string line;
    for (size_t k = 0; k < v.size(); ++k) line += (k ? "\t" : "") + v[k];
    rows.push_back(line);
  }
  return rows;
}

// Copies a contact file with its companions, in lower case as the checker
// needs them.
void CopyContactFile(const std::string& from, const std::string& to) {
  for (const char* ext : {".dbf", ".cdx", ".fpt"}) {
    fs::copy_file(fs::path(from).replace_extension(ext), fs::path(to).replace_extension(ext),
                  fs::copy_options::overwrite_existing);
  }
}

class CliIndexOracleTest : public ::testing::Test {
 protected:
  static constexpr int kRows = 2000;

  static void SetUpTestSuite() {
    if (!qvtest::HaveOracle()) return;
    scratch_ = new qvtest::ScratchDir;
    dir_ = scratch_->path();
    const std::string tsv = dir_ + "/rows.tsv";
    std::ofstream out(tsv, std::ios::binary);
    for (const std::string& row : MakeRows(kRows, 424242)) out << row << "\n";
    out.close();
    ours_ = dir_ + "/ours.dbf";
    theirs_ = dir_ + "/theirs.dbf";
    ProcessResult a = Exec({QV_CLI, "make", ours_, tsv});
    ASSERT_EQ(a.status, 0) << a.out;
    ProcessResult b = Exec({QV_XBCHECK, "make", theirs_, tsv});
    ASSERT_EQ(b.status, 0) << b.out;
  }
  static void TearDownTestSuite() {
    delete scratch_;
    scratch_ = nullptr;
  }

  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
  }

  static std::string Verified(int records) {
    return "ok 21 tags, " + std::to_string(records) + " records\n";
  }

  static qvtest::ScratchDir* scratch_;
  static std::string dir_, ours_, theirs_;
};
qvtest::ScratchDir* CliIndexOracleTest::scratch_ = nullptr;
std::string CliIndexOracleTest::dir_, CliIndexOracleTest::ours_, CliIndexOracleTest::theirs_;

// The checker finds every tag of our file ordered by its key expression;
// the keys and the dump in a tag's order print as the checker prints them,
// one tag of each key type (the engine's test reads all 21 tags).
TEST_F(CliIndexOracleTest, OurFileVerifiesAndKeysPrintAsTheCheckersDo) {
  ProcessResult v = Exec({QV_XBCHECK, "verify", ours_});
  EXPECT_EQ(v.out, Verified(kRows));
  for (const std::string& file : {ours_, theirs_}) {
    for (const char* tag : {"NAME", "DATE", "DELETED", "JUSTSEQNO"}) {
      SCOPED_TRACE(file + " " + tag);
      ProcessResult mine = Exec({QV_CLI, "keys", file, tag});
      ASSERT_EQ(mine.status, 0) << mine.out;
      EXPECT_EQ(mine.out, Exec({QV_XBCHECK, "keys", file, tag}).out);
      mine = Exec({QV_CLI, "dump", file, tag});
      ASSERT_EQ(mine.status, 0) << mine.out;
      EXPECT_EQ(mine.out, Exec({QV_XBCHECK, "dump", file, tag}).out);
    }
  }
}

// Changes through the work area keep every tag as the checker would build
// it: renames, deletions and recalls, appends, then a pack.
TEST_F(CliIndexOracleTest, CheckerVerifiesOurFileAfterChangesAndPack) {
  const std::string file = dir_ + "/changed.dbf";
  CopyContactFile(ours_, file);
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  ASSERT_TRUE(xb::WorkArea::Open(file, xb::OpenOptions(), &settings, &area).ok());
  ASSERT_TRUE(area->index_status().ok()) << area->index_status().ToString();
  xb::Table& t = area->table();
  auto field = [&](const char* name) { return t.FieldIndex(name); };
  std::mt19937 rng(99);
  const std::vector<std::string> extra = MakeRows(400, 7);
  auto put = [&](const std::string& row) {
    size_t start = 0;
    for (int i = 0; i < 20; ++i) {
      size_t tab = row.find('\t', start);
      std::string v = row.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
      start = tab == std::string::npos ? row.size() : tab + 1;
      const xb::FieldInfo& f = t.fields()[i];
      if (f.type == 'M') continue;
      if (f.type == 'N') {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%6d", std::stoi(v));
        v = buf;
      }
      ASSERT_TRUE(area->SetField(i, v).ok());
    }
  };
  // In an order, as the program edits: moves commit the change.
  ASSERT_TRUE(area->SetOrder(area->TagArea("NAME")).ok());
  for (int i = 0; i < 600; ++i) {
    ASSERT_TRUE(area->Go(1 + rng() % kRows).ok());
    switch (rng() % 5) {
      case 0:
        ASSERT_TRUE(area->SetField(field("LNAME"), extra[i % extra.size()].substr(0, 6)).ok());
        break;
      case 1:
        ASSERT_TRUE(area->SetField(field("FNAME"), i % 2 ? "zed" : "").ok());
        break;
      case 2:
        ASSERT_TRUE(area->SetDeleted(rng() % 3 != 0).ok());
        break;
      case 3:
        ASSERT_TRUE(area->SetField(field("DATE"), i % 2 ? "19991231" : "").ok());
        break;
      case 4:
        put(extra[i % extra.size()]);
        break;
    }
  }
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(area->Append().ok());
    put(extra[(i * 7) % extra.size()]);
    if (i % 9 == 0) {
      ASSERT_TRUE(area->SetDeleted(true).ok());
    }
  }
  ASSERT_TRUE(area->Skip(-3).ok());
  ASSERT_TRUE(area->SetField(field("STATE"), "WY").ok());
  area.reset();
  ProcessResult v = Exec({QV_XBCHECK, "verify", file});
  EXPECT_EQ(v.out, Verified(kRows + 200));

  ASSERT_TRUE(xb::WorkArea::Open(file, xb::OpenOptions(), &settings, &area).ok());
  ASSERT_TRUE(area->Pack().ok());
  const uint32_t left = area->table().record_count();
  area.reset();
  ASSERT_LT(left, static_cast<uint32_t>(kRows + 200));
  v = Exec({QV_XBCHECK, "verify", file});
  EXPECT_EQ(v.out, Verified(static_cast<int>(left)));
}

TEST_F(CliIndexOracleTest, SeeksAgreeWithTheChecker) {
  struct TagKeys {
    const char* tag;
    std::vector<std::string> keys;
  };
  const std::string pad30 = std::string("SMITH") + std::string(25, ' ');
  const std::vector<TagKeys> kSeeks = {
      {"LNAME",
       {"SMITH", "SMI", "S", "", "ZZZZ", "smith", "JONESMARY", "O'NEIL", pad30 + "JOHN",
        pad30 + "ZZZ", "M\xDC", "\x7F"}},
      {"ZIP",
       {"02134", "021", "0", "", "99999", "ZZZ", "02134-1234", "02134-12345678", "9021 ", "ABC",
        "1"}},
      {"CITY", {"BOSTON", "BOST", "", "ZZ", "NEW YORK", "NEW YORKX", "A", " "}},
      {"DATE", {"2020", "20200101", "", "19000101", "99991231", "2", "        ", "1999123"}},
      {"STATEZIP", {"MA02134", "MA", "NY1", "", "TX9", "CALIFORNIA0", "Z"}},
  };
  // The cursor's test seeks in the checker's file; these go through the
  // work area's padding and SET EXACT rules on ours.
  int found = 0, missed = 0, soft_landed = 0;
  const std::string& file = ours_;
  for (const TagKeys& t : kSeeks) {
    for (const std::string& key : t.keys) {
      for (bool soft : {false, true}) {
        std::vector<std::string> mine = {QV_CLI, "seek", file, t.tag, key};
        std::vector<std::string> ref = {QV_XBCHECK, "seek", file, t.tag, key};
        if (soft) mine.push_back("--soft"), ref.push_back("soft");
        ProcessResult a = Exec(mine), b = Exec(ref);
        ASSERT_EQ(b.status, 0) << b.out;
        found += b.out.rfind("found", 0) == 0;
        missed += b.out.find("\teof") != std::string::npos;
        soft_landed +=
            b.out.rfind("notfound", 0) == 0 && b.out.find("\teof") == std::string::npos;
        EXPECT_EQ(a.out, b.out) << t.tag << " [" << key << "] soft=" << soft << " " << file;
      }
    }
  }
  // The keys reach every kind of answer.
  EXPECT_GT(found, 10);
  EXPECT_GT(missed, 5);
  EXPECT_GT(soft_landed, 5);
  // Whole keys of the order's length: exact and prefix seeks are the same.
  for (const char* key : {"02134     ", "10001     ", "0213      "}) {
    ProcessResult a = Exec({QV_CLI, "seek", ours_, "ZIP", key, "--exact"});
    ProcessResult b = Exec({QV_XBCHECK, "seek", ours_, "ZIP", key, "exact"});
    EXPECT_EQ(a.out, b.out) << key;
  }
}

TEST_F(CliIndexOracleTest, OurReindexOfTheCheckersFileVerifies) {
  const std::string file = dir_ + "/rebuilt.dbf";
  CopyContactFile(theirs_, file);
  ProcessResult r = Exec({QV_CLI, "reindex", file});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(Exec({QV_XBCHECK, "verify", file}).out, Verified(kRows));
  EXPECT_EQ(Exec({QV_CLI, "keys", file, "SEQNO"}).out,
            Exec({QV_XBCHECK, "keys", theirs_, "SEQNO"}).out);
}

}  // namespace
