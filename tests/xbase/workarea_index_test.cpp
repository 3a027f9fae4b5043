// Index orders seen through the work area: navigation, seeks and scopes in
// an order, work and custom indexes, and the index of another copy of the
// table. Maintenance of every kind of key under changes and a pack is
// verified by the checker in the command line's oracle test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::ReadAll;
using qvtest::ScratchDir;
using qvtest::WriteAll;

// ---- the table and its orders -----------------------------------------------

enum Field { kName = 0, kCity = 1, kCode = 2, kBorn = 3, kScore = 4, kNote = 5 };

const std::vector<FieldDef> kFields = {{"NAME", 'C', 12, 0}, {"CITY", 'C', 10, 0},
                                       {"CODE", 'C', 4, 0},  {"BORN", 'D', 8, 0},
                                       {"SCORE", 'N', 7, 2}, {"NOTE", 'M', 10, 0}};

struct Row {
  std::string name, city, code, born;  // born: YYYYMMDD or ""
  double score = 0;
  std::string note;
  bool deleted = false;
};

std::string ScoreText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%7.2f", v);
  return buf;
}

// Character, date, number, logical, FOR, descending and unique keys.
const std::vector<WorkArea::TagSpec> kTags = {
    {"UNAME", "UPPER(NAME)", "", false, false},   {"NAMECITY", "UPPER(NAME-CITY)", "", false, false},
    {"CITYNAME", "UPPER(CITY)+NAME", "", false, false}, {"BORNS", "DTOS(BORN)", "", false, false},
    {"BORN", "BORN", "", false, false},           {"SCORE", "SCORE", "", false, false},
    {"DEL", "DELETED()", "", false, false},       {"RICH", "UPPER(CITY)", "SCORE > 50", false, false},
    {"CODEDESC", "UPPER(CODE)", "", false, true}, {"UCODE", "UPPER(CODE)", "", true, false},
};

// Names and cities with duplicates, blanks, case variants and a Latin-1
// letter above 0x7F, which must sort after every ASCII letter.
const char* const kNames[] = {"smith",    "Smith",  "SMITH", "smithers", "jones", "",      "o'hara",
                              "\xC9mile", "mc kay", "Ng",    "zed",      "adams", "  lead"};
const char* const kCities[] = {"Boston", "boston", "", "Austin", "Paris", "Zurich", "Oslo"};
const char* const kCodes[] = {"A1", "a1", "B2", "", "ZZ", "c3", "C3", "q"};

Row RandomRow(std::mt19937& rng) {
  auto pick = [&](auto& pool) { return std::string(pool[rng() % std::size(pool)]); };
  Row r;
  r.name = pick(kNames);
  if (rng() % 3 == 0) r.name += static_cast<char>('a' + rng() % 26);
  r.city = pick(kCities);
  r.code = pick(kCodes);
  if (rng() % 5 != 0) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04u%02u%02u", 1950 + static_cast<unsigned>(rng() % 80),
                  1 + static_cast<unsigned>(rng() % 12), 1 + static_cast<unsigned>(rng() % 28));
    r.born = buf;
  }
  r.score = (static_cast<int>(rng() % 40001) - 20000) / 100.0;
  if (rng() % 4 == 0) r.note = "note " + std::to_string(rng() % 1000);
  return r;
}

// ---- fixture ------------------------------------------------------------------

class IndexedAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    path_ = dir_ / "people.dbf";
    ASSERT_TRUE(Table::Create(path_, kFields).ok());
    Open();
  }

  void Open() {
    area_.reset();
    Status s = WorkArea::Open(path_, OpenOptions(), &settings_, &area_);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  void BuildTags() {
    Status s = area_->IndexTags("", kTags);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  // Writes the fields of `r` into the current record.
  void AppendRow(const Row& r) {
    ASSERT_TRUE(area_->Append().ok());
    const std::pair<Field, std::string> values[] = {
        {kName, r.name}, {kCity, r.city},  {kCode, r.code},
        {kBorn, r.born}, {kScore, ScoreText(r.score)}};
    for (const auto& [field, value] : values) ASSERT_TRUE(area_->SetField(field, value).ok());
    ASSERT_TRUE(area_->SetMemo(kNote, r.note).ok());
    ASSERT_TRUE(area_->SetDeleted(r.deleted).ok());
  }

  // Appends rows with plain values: record n has `names[n-1]`, score n.
  void AppendNames(const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
      Row r;
      r.name = names[i];
      r.score = static_cast<double>(i + 1);
      AppendRow(r);
    }
    ASSERT_TRUE(area_->Commit().ok());
  }

  int Order(const char* tag) {
    int order = area_->TagArea(tag);
    EXPECT_GT(order, 0) << tag;
    return order;
  }

  std::vector<uint32_t> Walk() {
    std::vector<uint32_t> seen;
    Status s = area_->GoTop();
    for (; s.ok() && !area_->eof(); s = area_->Skip(1)) seen.push_back(area_->recno());
    EXPECT_TRUE(s.ok()) << s.ToString();
    return seen;
  }
  std::vector<uint32_t> WalkBack() {
    std::vector<uint32_t> seen;
    Status s = area_->GoBottom();
    for (; s.ok() && !area_->eof() && !area_->bof(); s = area_->Skip(-1)) {
      seen.push_back(area_->recno());
    }
    EXPECT_TRUE(s.ok()) << s.ToString();
    return seen;
  }

  ScratchDir dir_;
  std::string path_;
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
};

// ---- navigation in an order ----------------------------------------------------

TEST_F(IndexedAreaTest, NavigationInAnOrderUnderDeletedAndQuery) {
  // UPPER(NAME) order: alpha 2, alpha 6, bravo 4, charlie 3, delta 1, echo 5.
  AppendNames({"delta", "alpha", "charlie", "bravo", "echo", "Alpha"});
  for (uint32_t n : {2u, 5u}) {
    ASSERT_TRUE(area_->Go(n).ok());
    ASSERT_TRUE(area_->SetDeleted(true).ok());
  }
  BuildTags();
  ASSERT_TRUE(area_->SetOrder(Order("uname")).ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{2, 6, 4, 3, 1, 5}));
  settings_.deleted = true;
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{6, 4, 3, 1}));
  EXPECT_EQ(WalkBack(), (std::vector<uint32_t>{1, 3, 4, 6}));
  ASSERT_TRUE(area_->Query(R"(UPPER(NAME) <> "CHARLIE")").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{6, 4, 1}));

  // From a record reached by Go, hidden or not, skipping continues from
  // that record's place in the order.
  struct GoSkip {
    uint32_t go;
    int step;
    uint32_t lands;
  } const kGoSkips[] = {{3, 1, 1}, {3, -1, 4}, {5, -1, 1}, {2, 1, 6},
                        {4, 1, 1}, {6, 2, 1},  {6, -1, 6}};
  for (const GoSkip& c : kGoSkips) {
    ASSERT_TRUE(area_->Go(c.go).ok());
    ASSERT_TRUE(area_->Skip(c.step).ok());
    EXPECT_EQ(area_->recno(), c.lands) << "Go(" << c.go << ") then Skip(" << c.step << ")";
  }
  ASSERT_TRUE(area_->Go(5).ok());
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof()) << "nothing visible after echo";
  ASSERT_TRUE(area_->Query("").ok());

  // A record whose key moves: the next skip starts from its new place.
  ASSERT_TRUE(area_->Go(4).ok());  // bravo
  ASSERT_TRUE(area_->SetField(kName, "zulu").ok());
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof()) << "zulu is last now";
  ASSERT_TRUE(area_->Go(4).ok());
  ASSERT_TRUE(area_->SetField(kName, "aardvark").ok());
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_EQ(area_->recno(), 6u) << "after aardvark comes Alpha (alpha 2 is deleted)";
  ASSERT_TRUE(area_->Skip(-1).ok());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->SetField(kName, "coco").ok());
  ASSERT_TRUE(area_->Skip(-1).ok());
  EXPECT_EQ(area_->recno(), 3u) << "before coco comes charlie";
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{6, 3, 4, 1}));
}

// ---- seeks -------------------------------------------------------------------

TEST_F(IndexedAreaTest, SeekPrefixExactSoftAndHiddenRecords) {
  // Scores 1..7; BORN dates given below.
  AppendNames({"smithers", "smith", "jones", "smyth", "smith", "adams", "zed"});
  const char* const kBornDates[] = {"20200101", "",         "19991231", "20200101",
                                    "20210615", "19500101", "20200102"};
  for (uint32_t n = 1; n <= 7; ++n) {
    ASSERT_TRUE(area_->Go(n).ok());
    ASSERT_TRUE(area_->SetField(kBorn, kBornDates[n - 1]).ok());
  }
  BuildTags();
  ASSERT_TRUE(area_->SetOrder(Order("UNAME")).ok());

  struct Case {
    const char* key;
    bool exact, soft;
    bool found;
    uint32_t recno;  // 8: eof
  } const kCases[] = {
      // Prefix and soft seeks on keys are compared with the checker in the
      // index's test; here the Exact setting and where the area stands.
      {"SMITH", false, false, true, 2},   // prefix: the first SMITH
      {"SMITH", true, false, true, 2},    // exact: padded, whole key
      {"SMI", true, false, false, 8},     // exact: no such whole key
      {"SMI", true, true, false, 2},      // soft: the next greater key
      {"SMITHX", false, true, false, 4},  // between SMITHERS and SMYTH
      {"ZZZ", false, true, false, 8},     // beyond the last: eof even when soft
      {"smith", false, false, false, 8},  // keys are upper case
  };
  for (const Case& c : kCases) {
    settings_.exact = c.exact;
    settings_.soft_seek = c.soft;
    bool found = !c.found;
    ASSERT_TRUE(area_->Seek(c.key, &found).ok());
    EXPECT_EQ(found, c.found) << c.key << " exact=" << c.exact << " soft=" << c.soft;
    EXPECT_EQ(area_->found(), c.found) << c.key;
    EXPECT_EQ(area_->recno(), c.recno) << c.key << " exact=" << c.exact << " soft=" << c.soft;
    EXPECT_EQ(area_->eof(), c.recno == 8) << c.key;
  }

  // Hidden records are passed over: with record 2 deleted, the next SMITH
  // (5) is the first match; with both gone the prefix still matches SMITHERS.
  settings_.exact = false;
  settings_.soft_seek = false;
  settings_.deleted = true;
  ASSERT_TRUE(area_->Go(2).ok());
  ASSERT_TRUE(area_->SetDeleted(true).ok());
  bool found = false;
  ASSERT_TRUE(area_->Seek("SMITH", &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(area_->recno(), 5u);
  ASSERT_TRUE(area_->Go(5).ok());
  ASSERT_TRUE(area_->SetDeleted(true).ok());
  ASSERT_TRUE(area_->Seek("SMITH", &found).ok());
  EXPECT_TRUE(found);
  EXPECT_EQ(area_->recno(), 1u);
  settings_.exact = true;
  ASSERT_TRUE(area_->Seek("SMITH", &found).ok());
  EXPECT_FALSE(found);
  EXPECT_TRUE(area_->eof());
  settings_.soft_seek = true;
  ASSERT_TRUE(area_->Seek("SMITH", &found).ok());
  EXPECT_FALSE(found);
  EXPECT_EQ(area_->recno(), 1u) << "soft: SMITHERS, the next visible key";
  settings_.deleted = false;
  settings_.soft_seek = false;
  settings_.exact = false;

  // Numeric and date orders take the value as text.
  struct TypedCase {
    const char* tag;
    const char* key;
    bool soft;
    bool found;
    uint32_t recno;
  } const kTyped[] = {
      {"SCORE", "3", false, true, 3},
      {"SCORE", "3.00", false, true, 3},
      {"SCORE", "2.5", false, false, 8},
      {"SCORE", "2.5", true, false, 3},
      {"SCORE", "-4", true, false, 1},
      {"SCORE", "7.01", true, false, 8},
      {"BORN", "20200101", false, true, 1},
      {"BORN", "20200103", true, false, 5},
      {"BORN", "", false, true, 2},
      {"BORN", "20211231", true, false, 8},
      {"BORNS", "2020", false, true, 1},
      {"BORNS", "202001019", false, true, 1},  // cut to the key length
  };
  for (const TypedCase& c : kTyped) {
    settings_.soft_seek = c.soft;
    ASSERT_TRUE(area_->SetOrder(Order(c.tag)).ok());
    bool f = !c.found;
    ASSERT_TRUE(area_->Seek(c.key, &f).ok()) << c.tag << " " << c.key;
    EXPECT_EQ(f, c.found) << c.tag << " " << c.key;
    EXPECT_EQ(area_->recno(), c.recno) << c.tag << " " << c.key;
  }
  settings_.soft_seek = false;
  ASSERT_TRUE(area_->SetOrder(Order("SCORE")).ok());
  EXPECT_FALSE(area_->Seek("soon", &found).ok()) << "not a number";
  ASSERT_TRUE(area_->SetOrder(Order("BORN")).ok());
  EXPECT_FALSE(area_->Seek("20201301", &found).ok()) << "not a date";
  ASSERT_TRUE(area_->SetOrder(0).ok());
  EXPECT_FALSE(area_->Seek("A", &found).ok()) << "natural order has no keys";
}

// ---- scopes ------------------------------------------------------------------

TEST_F(IndexedAreaTest, ScopeLimitsEveryMoveUntilCleared) {
  AppendNames({"alpha", "bravo", "charlie", "delta", "echo", "bob", "dan", "Carl"});
  BuildTags();
  const int uname = Order("UNAME");
  ASSERT_TRUE(area_->SetOrder(uname).ok());
  ASSERT_TRUE(area_->SetScope("B", "D").ok());
  // Bounds compare on their own length: DAN and DELTA are within "D".
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{6, 2, 8, 3, 7, 4}));
  EXPECT_EQ(WalkBack(), (std::vector<uint32_t>{4, 7, 3, 8, 2, 6}));
  ASSERT_TRUE(area_->GoBottom().ok());
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof());
  ASSERT_TRUE(area_->Skip(-1).ok());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->Skip(-20).ok());
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 6u);
  bool found = true;
  ASSERT_TRUE(area_->Seek("ECHO", &found).ok());
  EXPECT_FALSE(found) << "outside the scope";
  EXPECT_TRUE(area_->eof());

  ASSERT_TRUE(area_->SetScope("C", "").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{8, 3, 7, 4, 5}));
  ASSERT_TRUE(area_->SetScope("", "BR").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{1, 6, 2}));
  ASSERT_TRUE(area_->SetScope("X", "Y").ok());
  EXPECT_TRUE(area_->eof());
  EXPECT_TRUE(Walk().empty());
  ASSERT_TRUE(area_->SetScope("", "").ok());
  EXPECT_EQ(Walk().size(), 8u) << "empty bounds clear the scope";

  ASSERT_TRUE(area_->SetScope("B", "B").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{6, 2}));
  int previous = 0;
  ASSERT_TRUE(area_->SetOrder(uname, &previous).ok());
  EXPECT_EQ(previous, uname);
  EXPECT_EQ(Walk().size(), 8u) << "SetOrder clears the scope";

  // A numeric order scopes on values.
  ASSERT_TRUE(area_->SetOrder(Order("SCORE")).ok());
  ASSERT_TRUE(area_->SetScope("3", "5").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{3, 4, 5}));
  ASSERT_TRUE(area_->SetOrder(0).ok());
  EXPECT_FALSE(area_->SetScope("A", "B").ok()) << "natural order has no keys";
  EXPECT_FALSE(area_->SetOrder(static_cast<int>(kTags.size()) + 1).ok());
  EXPECT_FALSE(area_->SetOrder(-1).ok());
}

// Regression: GoTop sought the low bound and walks stopped only past the
// high one, so a descending order in a scope showed just the keys equal to
// the low bound, and GoBottom nothing.
TEST_F(IndexedAreaTest, DescendingOrderScopeRunsFromHighBoundToLow) {
  AppendNames({"alpha", "bravo", "charlie", "delta", "echo", "bob", "dan", "Carl", "b"});
  ASSERT_TRUE(area_->Index(dir_ / "down.idx", "UPPER(NAME)", kIndexOptionNormal, true, "").ok());
  ASSERT_TRUE(area_->SetScope("B", "D").ok());
  const std::vector<uint32_t> kInScope = {4, 7, 3, 8, 2, 6, 9};
  EXPECT_EQ(Walk(), kInScope);
  EXPECT_EQ(WalkBack(), std::vector<uint32_t>(kInScope.rbegin(), kInScope.rend()));
  ASSERT_TRUE(area_->GoBottom().ok());
  ASSERT_TRUE(area_->Skip(1).ok());
  EXPECT_TRUE(area_->eof());
  ASSERT_TRUE(area_->Skip(-2).ok());
  EXPECT_EQ(area_->recno(), 6u);
  ASSERT_TRUE(area_->Skip(-10).ok());
  EXPECT_TRUE(area_->bof());
  EXPECT_EQ(area_->recno(), 4u);
  ASSERT_TRUE(area_->SetScope("CH", "").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{5, 4, 7, 3}));
  ASSERT_TRUE(area_->SetScope("", "BR").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{2, 6, 9, 1}));
  EXPECT_EQ(WalkBack(), (std::vector<uint32_t>{1, 9, 6, 2}));
}

// ---- work indexes -------------------------------------------------------------

TEST_F(IndexedAreaTest, WorkIndexWithConditionIsKeptCurrent) {
  AppendNames({"a", "b", "c", "d", "e"});  // scores 1..5
  const char* const kCityOf[] = {"Oslo", "Austin", "Paris", "Boston", "Austin"};
  for (uint32_t n = 1; n <= 5; ++n) {
    ASSERT_TRUE(area_->Go(n).ok());
    ASSERT_TRUE(area_->SetField(kCity, kCityOf[n - 1]).ok());
  }
  BuildTags();
  const std::string idx = dir_ / "work.idx";
  ASSERT_TRUE(area_->Index(idx, "UPPER(CITY)", kIndexOptionNormal, false, "SCORE > 1").ok());
  const int work = area_->order_count();
  EXPECT_EQ(work, static_cast<int>(kTags.size()) + 1);
  EXPECT_EQ(area_->IndexOrd(), work) << "the new index becomes the order";
  EXPECT_EQ(area_->TagArea("WORK"), work);
  EXPECT_EQ(area_->IndexName(work), idx);
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{2, 5, 4, 3}));  // 1 fails the condition

  ASSERT_TRUE(area_->Go(1).ok());
  ASSERT_TRUE(area_->SetField(kScore, ScoreText(9)).ok());  // now passes
  ASSERT_TRUE(area_->Go(5).ok());
  ASSERT_TRUE(area_->SetField(kCity, "Zurich").ok());
  ASSERT_TRUE(area_->Go(3).ok());
  ASSERT_TRUE(area_->SetField(kScore, ScoreText(0)).ok());  // now fails
  ASSERT_TRUE(area_->Append().ok());
  ASSERT_TRUE(area_->SetField(kCity, "Berlin").ok());
  ASSERT_TRUE(area_->SetField(kScore, ScoreText(2)).ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{2, 6, 4, 1, 5}));
  ASSERT_TRUE(area_->SetOrder(Order("RICH")).ok());
  EXPECT_TRUE(Walk().empty()) << "no score above 50";
}

TEST_F(IndexedAreaTest, CustomIndexHoldsOnlyAddedRecords) {
  AppendNames({"delta", "alpha", "charlie", "bravo", "echo"});
  BuildTags();
  ASSERT_TRUE(area_->Index(dir_ / "pick.idx", "UPPER(NAME)", kIndexOptionCustom, false, "").ok());
  EXPECT_TRUE(Walk().empty()) << "a custom index starts empty";
  for (uint32_t n : {3u, 1u, 5u}) {
    ASSERT_TRUE(area_->Go(n).ok());
    ASSERT_TRUE(area_->KeyAdd("PICK").ok());
  }
  EXPECT_FALSE(area_->KeyAdd("nosuch").ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{3, 1, 5}));
  // Many at once, a record given twice, as KeyAdd on each gives.
  ASSERT_TRUE(area_->Index(dir_ / "many.idx", "UPPER(NAME)", kIndexOptionCustom, false, "").ok());
  ASSERT_TRUE(area_->KeyAddMany("MANY", {3, 1, 5, 3}).ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{3, 1, 5}));
  EXPECT_TRUE(area_->KeyAddMany("MANY", {6}).IsInvalidArgument()) << "no record 6";
  EXPECT_FALSE(area_->KeyAddMany("nosuch", {1}).ok());
  ASSERT_TRUE(area_->SetOrder(area_->TagArea("PICK")).ok());

  ASSERT_TRUE(area_->Go(5).ok());
  ASSERT_TRUE(area_->SetField(kName, "able").ok());  // moves to the front
  ASSERT_TRUE(area_->Go(4).ok());
  ASSERT_TRUE(area_->SetField(kName, "aaron").ok());  // never added: stays out
  ASSERT_TRUE(area_->Append().ok());
  ASSERT_TRUE(area_->SetField(kName, "abe").ok());  // appended: stays out
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{5, 3, 1}));
  // The production orders saw every change.
  ASSERT_TRUE(area_->SetOrder(Order("UNAME")).ok());
  EXPECT_EQ(Walk(), (std::vector<uint32_t>{4, 6, 5, 2, 3, 1}));
}

// ---- damaged production indexes ----------------------------------------------

class DamagedIndexTest : public IndexedAreaTest {
 protected:
  // Opens the table over `cdx` and checks that it opens: either the index
  // is refused (Corruption, no orders, natural order) or it is accepted and
  // every walk ends cleanly, in success or an error status.
  // Returns whether the index was refused.
  bool OpenOver(const std::string& cdx, uint32_t records) {
    WriteAll(dir_ / "people.cdx", cdx);
    area_.reset();
    Status s = WorkArea::Open(path_, OpenOptions(), &settings_, &area_);
    EXPECT_TRUE(s.ok()) << s.ToString();
    if (!s.ok()) return false;
    if (!area_->index_status().ok()) {
      EXPECT_TRUE(area_->index_status().IsCorruption()) << area_->index_status().ToString();
      EXPECT_EQ(area_->order_count(), 0);
      EXPECT_EQ(area_->IndexOrd(), 0);
      EXPECT_EQ(Walk().size(), records);
      return true;
    }
    for (int order = 1; order <= area_->order_count(); ++order) {
      if (!area_->SetOrder(order).ok()) continue;
      Status w = area_->GoTop();
      for (int guard = 0; w.ok() && !area_->eof() && guard <= 4 * static_cast<int>(records);
           ++guard) {
        w = area_->Skip(1);
      }
      bool found = false;
      // Either answer will do on a damaged index: only a crash is wrong.
      area_->Seek("M", &found).IgnoreError();
    }
    return false;
  }

  std::mt19937 rng_{11};
};

// Regression: only both ends of each tag were read at open, so the index of
// another copy of the table (a restored backup beside a newer index, or a
// table appended to while its index was elsewhere) passed whenever the extra
// records' keys fell in the middle of every order, and walks failed later.
TEST_F(DamagedIndexTest, IndexOfAnotherCopyOfTheTableIsRefusedAtOpen) {
  const int kRows = 2000;
  for (int i = 0; i < kRows; ++i) {
    Row r = RandomRow(rng_);
    r.deleted = i % 10 == 0;  // so that the DELETED() order does not end with the extra record
    AppendRow(r);
  }
  BuildTags();
  area_.reset();
  const std::string short_table = ReadAll(path_), short_memo = ReadAll(dir_ / "people.fpt");
  const std::string short_index = ReadAll(dir_ / "people.cdx");
  // One more record, with keys in the middle of every order.
  Open();
  Row middle;
  middle.name = "m";
  middle.city = "M";
  middle.code = "B2";
  middle.born = "19900615";
  middle.score = 0.5;
  AppendRow(middle);
  area_.reset();
  const std::string long_table = ReadAll(path_), long_memo = ReadAll(dir_ / "people.fpt");
  const std::string long_index = ReadAll(dir_ / "people.cdx");

  WriteAll(path_, short_table);
  WriteAll(dir_ / "people.fpt", short_memo);
  EXPECT_TRUE(OpenOver(long_index, kRows)) << "an index with more records than the table";
  WriteAll(path_, long_table);
  WriteAll(dir_ / "people.fpt", long_memo);
  EXPECT_TRUE(OpenOver(short_index, kRows + 1)) << "an index with fewer records than the table";
  EXPECT_FALSE(OpenOver(long_index, kRows + 1)) << "the index that belongs to it";
}

}  // namespace
}  // namespace xb
