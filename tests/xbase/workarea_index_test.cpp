// Index orders seen through the work area: navigation, seeks and scopes in
// an order, work and custom indexes, the index of another copy of the
// table, and tags built on worker threads. Maintenance of every kind of key
// under changes and a pack is the durability tests' index check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_tables.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::Oracle;
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

// Row `i` of a larger table: names and cities with duplicates, blanks, case
// variants and a Latin-1 letter above 0x7F, which must sort after every
// ASCII letter; dates left empty, negative scores, memos now and then.
Row NumberedRow(uint32_t i) {
  const char* const names[] = {"smith",    "Smith",  "SMITH", "smithers", "jones", "",      "o'hara",
                               "\xC9mile", "mc kay", "Ng",    "zed",      "adams", "  lead"};
  const char* const cities[] = {"Boston", "boston", "", "Austin", "Paris", "Zurich", "Oslo"};
  const char* const codes[] = {"A1", "a1", "B2", "", "ZZ", "c3", "C3", "q"};
  char born[16];
  std::snprintf(born, sizeof born, "%04u%02u%02u", 1950 + i * 7 % 80, 1 + i % 12, 1 + i * 3 % 28);
  // Every tenth deleted, so that the DELETED() order does not end with the extra record.
  Row r{names[i * 7 % 13], cities[i * 3 % 7], codes[i * 5 % 8], i % 5 ? born : "", 0, "", i % 10 == 0};
  if (i % 3 == 0) r.name += char('a' + i % 26);
  r.score = (int(i * 7919 % 40001) - 20000) / 100.0;
  if (i % 4 == 0) r.note = "note " + std::to_string(i);
  return r;
}

// ---- fixture ------------------------------------------------------------------

using qvtest::Walk;
using Recnos = std::vector<uint32_t>;

class IndexedAreaTest : public ::testing::Test {
 protected:
  void SetUp() override {
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

  // Writes the fields of `r` into a new record.
  void AppendRow(const Row& r) {
    ASSERT_TRUE(area_->Append().ok());
    const std::pair<Field, std::string> values[] = {
        {kName, r.name}, {kCity, r.city}, {kCode, r.code}, {kBorn, r.born},
        {kScore, ScoreText(r.score)}};
    for (const auto& [field, value] : values) ASSERT_TRUE(area_->SetField(field, value).ok());
    ASSERT_TRUE(area_->SetMemo(kNote, r.note).ok() && area_->SetDeleted(r.deleted).ok());
  }

  // Appends rows with plain values: record n has `names[n-1]`, score n.
  void AppendNames(const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) AppendRow({names[i], "", "", "", double(i + 1), ""});
    ASSERT_TRUE(area_->Commit().ok());
  }

  // Sets `field` of each record in turn from `values`.
  void SetEach(Field field, const std::vector<std::string>& values) {
    for (uint32_t n = 1; n <= values.size(); ++n) {
      ASSERT_TRUE(area_->Go(n).ok() && area_->SetField(field, values[n - 1]).ok());
    }
  }

  int Order(const char* tag) {
    int order = area_->TagArea(tag);
    EXPECT_GT(order, 0) << tag;
    return order;
  }

  // From each move's record (0: where the area stands), with NAME changed
  // when given, a skip lands on `lands` (0: eof).
  struct Move {
    uint32_t go;
    const char* name;
    int step;
    uint32_t lands;
  };
  void Moves(const std::vector<Move>& moves) {
    for (const Move& m : moves) {
      SCOPED_TRACE(testing::Message() << "Go(" << m.go << ") then Skip(" << m.step << ")");
      if (m.go != 0) {
        ASSERT_TRUE(area_->Go(m.go).ok());
      }
      if (m.name != nullptr) {
        ASSERT_TRUE(area_->SetField(kName, m.name).ok());
      }
      ASSERT_TRUE(area_->Skip(m.step).ok());
      EXPECT_TRUE(m.lands == 0 ? area_->eof() : area_->recno() == m.lands) << area_->recno();
    }
  }

  ScratchDir dir_;
  const std::string path_ = dir_ / "people.dbf";
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
};

// ---- navigation in an order ----------------------------------------------------

TEST_F(IndexedAreaTest, NavigationInAnOrderUnderDeletedAndQuery) {
  // UPPER(NAME) order: alpha 2, alpha 6, bravo 4, charlie 3, delta 1, echo 5.
  AppendNames({"delta", "alpha", "charlie", "bravo", "echo", "Alpha"});
  for (uint32_t n : {2u, 5u}) ASSERT_TRUE(area_->Go(n).ok() && area_->SetDeleted(true).ok());
  BuildTags();
  ASSERT_TRUE(area_->SetOrder(Order("uname")).ok());
  EXPECT_EQ(Walk(*area_), (Recnos{2, 6, 4, 3, 1, 5}));
  settings_.deleted = true;
  EXPECT_EQ(Walk(*area_), (Recnos{6, 4, 3, 1}));
  EXPECT_EQ(Walk(*area_, -1), (Recnos{1, 3, 4, 6}));
  ASSERT_TRUE(area_->Query(R"(UPPER(NAME) <> "CHARLIE")").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{6, 4, 1}));
  // From a record reached by Go, hidden or not, skipping continues from
  // that record's place in the order; nothing visible comes after echo.
  Moves({{3, nullptr, 1, 1}, {3, nullptr, -1, 4}, {5, nullptr, -1, 1}, {2, nullptr, 1, 6},
         {4, nullptr, 1, 1}, {6, nullptr, 2, 1}, {6, nullptr, -1, 6}, {5, nullptr, 1, 0}});
  ASSERT_TRUE(area_->Query("").ok());
  // A record whose key moves: the next skip starts from its new place
  // (after aardvark comes Alpha, alpha 2 being deleted; coco follows charlie).
  Moves({{4, "zulu", 1, 0}, {4, "aardvark", 1, 6}, {0, nullptr, -1, 4}, {0, "coco", -1, 3}});
  EXPECT_EQ(Walk(*area_), (Recnos{6, 3, 4, 1}));
}

// ---- seeks -------------------------------------------------------------------

TEST_F(IndexedAreaTest, SeekPrefixExactSoftAndHiddenRecords) {
  AppendNames({"smithers", "smith", "jones", "smyth", "smith", "adams", "zed"});  // scores 1..7
  SetEach(kBorn, {"20200101", "", "19991231", "20200101", "20210615", "19500101", "20200102"});
  BuildTags();
  settings_.deleted = true;
  const uint32_t kEof = 8, kRefused = 0;
  const struct {
    const char* tag;  // "" for natural order
    const char* key;
    bool exact, soft;
    bool found;
    uint32_t recno;
    uint32_t deleteFirst = 0;
  } cases[] = {
      // Numeric and date orders take the value as text.
      {"SCORE", "3", false, false, true, 3},
      {"SCORE", "3.00", false, false, true, 3},
      {"SCORE", "2.5", false, false, false, kEof},
      {"SCORE", "2.5", false, true, false, 3},
      {"SCORE", "-4", false, true, false, 1},
      {"SCORE", "7.01", false, true, false, kEof},
      {"SCORE", "soon", false, false, false, kRefused},  // not a number
      {"BORN", "20200101", false, false, true, 1},
      {"BORN", "20200103", false, true, false, 5},
      {"BORN", "", false, false, true, 2},
      {"BORN", "20211231", false, true, false, kEof},
      {"BORN", "20201301", false, false, false, kRefused},  // not a date
      {"BORNS", "2020", false, false, true, 1},
      {"BORNS", "202001019", false, false, true, 1},  // cut to the key length
      {"", "A", false, false, false, kRefused},       // natural order has no keys
      // Prefix and soft seeks on keys are compared with the checker in the
      // index's test; here the Exact setting and where the area stands.
      {"UNAME", "SMITH", false, false, true, 2},   // prefix: the first SMITH
      {"UNAME", "SMITH", true, false, true, 2},    // exact: padded, whole key
      {"UNAME", "SMI", true, false, false, kEof},  // exact: no such whole key
      {"UNAME", "SMI", true, true, false, 2},      // soft: the next greater key
      {"UNAME", "SMITHX", false, true, false, 4},  // between SMITHERS and SMYTH
      {"UNAME", "ZZZ", false, true, false, kEof},  // beyond the last: eof even when soft
      {"UNAME", "smith", false, false, false, kEof},  // keys are upper case
      // Hidden records are passed over: with record 2 deleted the next SMITH
      // (5) is the first match; with both gone the prefix matches SMITHERS.
      {"UNAME", "SMITH", false, false, true, 5, 2},
      {"UNAME", "SMITH", false, false, true, 1, 5},
      {"UNAME", "SMITH", true, false, false, kEof},
      {"UNAME", "SMITH", true, true, false, 1},  // soft: SMITHERS, the next visible key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.tag << " [" << c.key << "] exact=" << c.exact
                                    << " soft=" << c.soft);
    if (c.deleteFirst != 0) {
      ASSERT_TRUE(area_->Go(c.deleteFirst).ok() && area_->SetDeleted(true).ok());
    }
    ASSERT_TRUE(area_->SetOrder(*c.tag == '\0' ? 0 : Order(c.tag)).ok());
    settings_.exact = c.exact;
    settings_.soft_seek = c.soft;
    bool found = !c.found;
    const Status s = area_->Seek(c.key, &found);
    EXPECT_EQ(s.ok(), c.recno != kRefused) << s.ToString();
    if (c.recno == kRefused) continue;
    EXPECT_EQ(found, c.found);
    EXPECT_EQ(area_->found(), c.found);
    EXPECT_EQ(area_->recno(), c.recno);
    EXPECT_EQ(area_->eof(), c.recno == kEof);
  }
}

// ---- scopes ------------------------------------------------------------------

TEST_F(IndexedAreaTest, ScopeLimitsEveryMoveUntilCleared) {
  AppendNames({"alpha", "bravo", "charlie", "delta", "echo", "bob", "dan", "Carl"});
  BuildTags();
  const int uname = Order("UNAME");
  ASSERT_TRUE(area_->SetOrder(uname).ok() && area_->SetScope("B", "D").ok());
  // Bounds compare on their own length: DAN and DELTA are within "D".
  EXPECT_EQ(Walk(*area_), (Recnos{6, 2, 8, 3, 7, 4}));
  EXPECT_EQ(Walk(*area_, -1), (Recnos{4, 7, 3, 8, 2, 6}));
  ASSERT_TRUE(area_->GoBottom().ok());
  Moves({{0, nullptr, 1, 0}, {0, nullptr, -1, 4}, {0, nullptr, -20, 6}});
  EXPECT_TRUE(area_->bof());
  bool found = true;
  ASSERT_TRUE(area_->Seek("ECHO", &found).ok());
  EXPECT_FALSE(found) << "outside the scope";
  EXPECT_TRUE(area_->eof());

  const struct {
    const char *low, *high;
    Recnos walk;
  } scopes[] = {{"C", "", {8, 3, 7, 4, 5}},
                {"", "BR", {1, 6, 2}},
                {"X", "Y", {}},
                {"", "", {1, 6, 2, 8, 3, 7, 4, 5}},  // empty bounds clear the scope
                {"B", "B", {6, 2}}};
  for (const auto& sc : scopes) {
    ASSERT_TRUE(area_->SetScope(sc.low, sc.high).ok());
    EXPECT_EQ(area_->eof(), sc.walk.empty()) << sc.low << "-" << sc.high;
    EXPECT_EQ(Walk(*area_), sc.walk) << sc.low << "-" << sc.high;
  }
  int previous = 0;
  ASSERT_TRUE(area_->SetOrder(uname, &previous).ok());
  EXPECT_EQ(previous, uname);
  EXPECT_EQ(Walk(*area_).size(), 8u) << "SetOrder clears the scope";

  // A numeric order scopes on values.
  ASSERT_TRUE(area_->SetOrder(Order("SCORE")).ok() && area_->SetScope("3", "5").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{3, 4, 5}));
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
  const Recnos kInScope = {4, 7, 3, 8, 2, 6, 9};
  EXPECT_EQ(Walk(*area_), kInScope);
  EXPECT_EQ(Walk(*area_, -1), Recnos(kInScope.rbegin(), kInScope.rend()));
  ASSERT_TRUE(area_->GoBottom().ok());
  Moves({{0, nullptr, 1, 0}, {0, nullptr, -2, 6}, {0, nullptr, -10, 4}});
  EXPECT_TRUE(area_->bof());
  ASSERT_TRUE(area_->SetScope("CH", "").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{5, 4, 7, 3}));
  ASSERT_TRUE(area_->SetScope("", "BR").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{2, 6, 9, 1}));
  EXPECT_EQ(Walk(*area_, -1), (Recnos{1, 9, 6, 2}));
}

// Regression: a descending tag was stored in descending byte order, which
// the checker (as other xBase engines) walks backwards, so it listed the tag
// in ascending order and found nothing by a seek in it.
TEST(DescendingTagTest, TheCheckerWalksAndSeeksOurDescendingTagAsWeDo) {
  QV_SKIP_WITHOUT_ORACLE();
  ScratchDir dir;
  const std::string path = dir / "d.dbf";
  const char* const kNames[] = {"CAT", "ANT", "EEL", "BEE", "DOG", "ANT", "", "CAT", "DOT"};
  const char* const kKeys[] = {"DOG", "D", "DOX", "CAT", "C", "B", "ZZZ", "A", "AA", " "};
  std::vector<std::vector<std::string>> rows;
  for (const char* n : kNames) rows.push_back({n});
  ASSERT_TRUE(qvtest::MakeTable(path, {{"NAME", 'C', 8, 0}}, rows).ok());
  Settings settings;
  std::unique_ptr<WorkArea> area;
  ASSERT_TRUE(WorkArea::Open(path, OpenOptions(), &settings, &area).ok());
  ASSERT_TRUE(area->RebuildProductionIndex({{"DOWN", "NAME", "", false, true}}).ok());
  ASSERT_TRUE(area->SetOrder(area->TagArea("DOWN")).ok());
  // The tag as "recno<TAB>key" lines, the checker's listing.
  std::string ours;
  for (uint32_t n : Walk(*area)) {
    ours += std::to_string(n) + "\t" + (kNames[n - 1] + std::string(8, ' ')).substr(0, 8) + "\n";
  }
  std::vector<std::string> seeks;
  for (bool soft : {false, true}) {
    settings.soft_seek = soft;
    for (const char* key : kKeys) {
      bool found = false;
      ASSERT_TRUE(area->Seek(key, &found).ok());
      seeks.push_back(std::string(found ? "found" : "notfound") + "\t" +
                      std::to_string(area->recno()) + "\t" + (area->eof() ? "eof" : "-") + "\n");
    }
  }
  area.reset();
  EXPECT_EQ(Oracle({"keys", path, "DOWN"}), ours);
  for (size_t i = 0; i < seeks.size(); ++i) {
    const char* key = kKeys[i % std::size(kKeys)];
    std::vector<std::string> args = {"seek", path, "DOWN", key};
    if (i >= std::size(kKeys)) args.push_back("soft");
    EXPECT_EQ(Oracle(args), seeks[i]) << "[" << key << "] " << (i >= std::size(kKeys) ? "soft" : "");
  }
}

// ---- work indexes -------------------------------------------------------------

TEST_F(IndexedAreaTest, WorkIndexWithConditionIsKeptCurrent) {
  AppendNames({"a", "b", "c", "d", "e"});  // scores 1..5
  SetEach(kCity, {"Oslo", "Austin", "Paris", "Boston", "Austin"});
  BuildTags();
  const std::string idx = dir_ / "work.idx";
  ASSERT_TRUE(area_->Index(idx, "UPPER(CITY)", kIndexOptionNormal, false, "SCORE > 1").ok());
  const int work = area_->order_count();
  EXPECT_EQ(work, static_cast<int>(kTags.size()) + 1);
  EXPECT_EQ(area_->IndexOrd(), work) << "the new index becomes the order";
  EXPECT_EQ(area_->TagArea("WORK"), work);
  EXPECT_EQ(area_->IndexName(work), idx);
  EXPECT_EQ(Walk(*area_), (Recnos{2, 5, 4, 3}));  // 1 fails the condition

  ASSERT_TRUE(area_->Go(1).ok() && area_->SetField(kScore, ScoreText(9)).ok());  // now passes
  ASSERT_TRUE(area_->Go(5).ok() && area_->SetField(kCity, "Zurich").ok());
  ASSERT_TRUE(area_->Go(3).ok() && area_->SetField(kScore, ScoreText(0)).ok());  // now fails
  ASSERT_TRUE(area_->Append().ok() && area_->SetField(kCity, "Berlin").ok() &&
              area_->SetField(kScore, ScoreText(2)).ok());
  EXPECT_EQ(Walk(*area_), (Recnos{2, 6, 4, 1, 5}));
  ASSERT_TRUE(area_->SetOrder(Order("RICH")).ok());
  EXPECT_TRUE(Walk(*area_).empty()) << "no score above 50";
}

TEST_F(IndexedAreaTest, CustomIndexHoldsOnlyAddedRecords) {
  AppendNames({"delta", "alpha", "charlie", "bravo", "echo"});
  BuildTags();
  ASSERT_TRUE(area_->Index(dir_ / "pick.idx", "UPPER(NAME)", kIndexOptionCustom, false, "").ok());
  EXPECT_TRUE(Walk(*area_).empty()) << "a custom index starts empty";
  for (uint32_t n : {3u, 1u, 5u}) ASSERT_TRUE(area_->Go(n).ok() && area_->KeyAdd("PICK").ok());
  EXPECT_FALSE(area_->KeyAdd("nosuch").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{3, 1, 5}));
  // Many at once, a record given twice, as KeyAdd on each gives.
  ASSERT_TRUE(area_->Index(dir_ / "many.idx", "UPPER(NAME)", kIndexOptionCustom, false, "").ok());
  ASSERT_TRUE(area_->KeyAddMany("MANY", {3, 1, 5, 3}).ok());
  EXPECT_EQ(Walk(*area_), (Recnos{3, 1, 5}));
  EXPECT_TRUE(area_->KeyAddMany("MANY", {6}).IsInvalidArgument()) << "no record 6";
  EXPECT_FALSE(area_->KeyAddMany("nosuch", {1}).ok());
  ASSERT_TRUE(area_->SetOrder(area_->TagArea("PICK")).ok());

  // 5 moves to the front; 4 was never added and 6 is appended: both stay out.
  ASSERT_TRUE(area_->Go(5).ok() && area_->SetField(kName, "able").ok());
  ASSERT_TRUE(area_->Go(4).ok() && area_->SetField(kName, "aaron").ok());
  ASSERT_TRUE(area_->Append().ok() && area_->SetField(kName, "abe").ok());
  EXPECT_EQ(Walk(*area_), (Recnos{5, 3, 1}));
  // The production orders saw every change.
  ASSERT_TRUE(area_->SetOrder(Order("UNAME")).ok());
  EXPECT_EQ(Walk(*area_), (Recnos{4, 6, 5, 2, 3, 1}));
}

// ---- damaged production indexes ----------------------------------------------

// Regression: only both ends of each tag were read at open, so the index of
// another copy of the table (a restored backup beside a newer index, or a
// table appended to while its index was elsewhere) passed whenever the extra
// records' keys fell in the middle of every order, and walks failed later.
TEST_F(IndexedAreaTest, IndexOfAnotherCopyOfTheTableIsRefusedAtOpen) {
  for (uint32_t i = 0; i < 2000; ++i) AppendRow(NumberedRow(i));
  BuildTags();
  area_.reset();
  const char* const kExts[] = {".dbf", ".fpt", ".cdx"};
  auto files = [&] {
    std::vector<std::string> out;
    for (const char* ext : kExts) out.push_back(ReadAll(dir_ / ("people" + std::string(ext))));
    return out;
  };
  const std::vector<std::string> before = files();
  Open();
  AppendRow({"m", "M", "B2", "19900615", 0.5, ""});  // keys in the middle of every order
  area_.reset();
  const std::vector<std::string> after = files();

  // The table of one state beside the index of the other: either the index
  // is refused (Corruption, no orders, natural order) or it is accepted and
  // every walk ends, in success or an error status.
  const struct {
    const char* what;
    const std::vector<std::string>& table;
    const std::vector<std::string>& index;
    bool refused;
  } cases[] = {{"an index with more records than the table", before, after, true},
               {"an index with fewer records than the table", after, before, true},
               {"the index that belongs to it", after, after, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (int i = 0; i < 3; ++i) {
      WriteAll(dir_ / ("people" + std::string(kExts[i])), (i == 2 ? c.index : c.table)[i]);
    }
    Open();
    ASSERT_NE(area_, nullptr);
    const uint32_t records = area_->table().record_count();
    EXPECT_EQ(!area_->index_status().ok(), c.refused) << area_->index_status().ToString();
    if (!area_->index_status().ok()) {
      EXPECT_TRUE(area_->index_status().IsCorruption()) << area_->index_status().ToString();
      EXPECT_EQ(area_->order_count(), 0);
      EXPECT_EQ(area_->IndexOrd(), 0);
      EXPECT_EQ(Walk(*area_).size(), records);
      continue;
    }
    for (int order = 1; order <= area_->order_count(); ++order) {
      if (!area_->SetOrder(order).ok()) continue;
      Status w = area_->GoTop();
      for (uint32_t guard = 0; w.ok() && !area_->eof() && guard <= 4 * records; ++guard) {
        w = area_->Skip(1);
      }
      bool found = false;
      // Either answer will do on a damaged index: only a crash is wrong.
      area_->Seek("M", &found).IgnoreError();
    }
  }
}

// ---- tags built on worker threads ----------------------------------------------

// Tags built on worker threads: a record whose key or FOR condition fails,
// or whose memo cannot be read, ends the build with a Status naming the tag
// and the record, whichever worker met it, and the work area stays usable;
// a failed read names the tag.
// QTY is 0 on record 2: a division by QTY fails there.
class IndexThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "T.DBF";
    ASSERT_TRUE(qvtest::MakeTable(path_, {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}},
                                  {{"ADA", "    4"}, {"BEA", "    0"}, {"CY", "    2"},
                                   {"DOT", "    5"}})
                    .ok());
    Status s = WorkArea::Open(path_, OpenOptions(), &settings_, &area_);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  qvtest::ScratchDir dir_;
  std::string path_;
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
};

// A failing key or FOR condition, at a position among six tags, so that
// several workers run.
TEST_F(IndexThreadsTest, AFailingRecordNamesTagAndRecord) {
  const struct {
    const char *what, *key, *for_expr;
    size_t position;
  } cases[] = {{"FOR divides by zero, first", "NAME", "10/QTY > 1", 0},
               {"FOR divides by zero, middle", "NAME", "10/QTY > 1", 3},
               {"key divides by zero, last", "STR(10/QTY, 5)", "", 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<WorkArea::TagSpec> specs;
    for (size_t i = 0; i < 6; ++i) {
      if (i == c.position) {
        specs.push_back({"BAD", c.key, c.for_expr, false, false});
      } else {
        specs.push_back({"T" + std::to_string(i), i % 2 ? "QTY" : "UPPER(NAME)", "", false, false});
      }
    }
    const Status s = area_->IndexTags("", specs);
    EXPECT_TRUE(s.IsInvalidArgument()) << s.ToString();
    EXPECT_NE(s.message().find("tag BAD"), std::string::npos) << s.message();
    EXPECT_NE(s.message().find("record 2"), std::string::npos) << s.message();
    EXPECT_EQ(area_->TagArea("BAD"), 0);
    // Every worker has ended: the area builds again at once.
    const Status again = area_->IndexTags("", {{"GOOD", "QTY", "QTY > 1", false, false}});
    ASSERT_TRUE(again.ok()) << again.ToString();
    EXPECT_GT(area_->TagArea("GOOD"), 0);
  }
  // A read that fails under the build names the tag.
  const Table& t = area_->table();
  std::filesystem::resize_file(path_, t.header_length() + 2u * t.record_length());
  const Status s = area_->IndexTags("", {{"A", "NAME", "", false, false},
                                         {"B", "QTY", "", false, false}});
  EXPECT_TRUE(s.IsCorruption()) << s.ToString();
  EXPECT_NE(s.message().find("tag A"), std::string::npos) << s.message();
}

// The same rule when an edit keeps the tag: the record is not silently left
// out of the order.
TEST_F(IndexThreadsTest, AnEditOnWhichTheForConditionFailsIsRefused) {
  ASSERT_TRUE(area_->Go(2).ok() && area_->SetField(1, "    1").ok());
  ASSERT_TRUE(area_->Commit().ok());
  ASSERT_TRUE(area_->IndexTags("", {{"BAD", "NAME", "10/QTY > 1", false, false}}).ok());
  ASSERT_TRUE(area_->Go(3).ok() && area_->SetField(1, "    0").ok());
  const Status s = area_->Commit();
  EXPECT_TRUE(s.IsInvalidArgument()) << s.ToString();
  EXPECT_NE(s.message().find("tag BAD"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("record 3"), std::string::npos) << s.message();
}

}  // namespace
}  // namespace xb
