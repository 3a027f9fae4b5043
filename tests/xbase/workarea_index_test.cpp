// Index orders seen through the work area: maintenance under random changes
// against an in-memory model, navigation, seeks and scopes in an order, work
// indexes, and the index of another copy of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
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

// ---- the table and its model -----------------------------------------------

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

std::string Pad(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

std::string UpperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string RTrim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string ScoreText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%7.2f", v);
  return buf;
}

enum class Kind { kText, kNumber };

// A key as the model orders it: bytes for character and logical keys, a
// number for numeric and date keys. `seek` is what Seek takes to find it.
struct ModelKey {
  std::string text;
  double number = 0;
  std::string seek;
};

struct TagModel {
  const char* name;
  const char* expr;
  const char* for_expr;
  bool unique, descending;
  Kind kind;
  // The key of a row; false when the FOR condition leaves the row out.
  bool (*key)(const Row&, ModelKey*);
};

bool KeyUName(const Row& r, ModelKey* k) {
  k->text = UpperAscii(Pad(r.name, 12));
  k->seek = k->text;
  return true;
}
// `-` moves the left operand's trailing blanks to the end.
bool KeyNameCity(const Row& r, ModelKey* k) {
  k->text = UpperAscii(Pad(RTrim(Pad(r.name, 12)) + Pad(r.city, 10), 22));
  k->seek = k->text;
  return true;
}
bool KeyCityName(const Row& r, ModelKey* k) {
  k->text = UpperAscii(Pad(r.city, 10)) + Pad(r.name, 12);
  k->seek = k->text;
  return true;
}
bool KeyBornText(const Row& r, ModelKey* k) {
  k->text = Pad(r.born, 8);
  k->seek = k->text;
  return true;
}
// YYYYMMDD orders as the date does; the empty date is the smallest.
bool KeyBornDate(const Row& r, ModelKey* k) {
  k->number = r.born.empty() ? 0 : std::stod(r.born);
  k->seek = r.born;
  return true;
}
bool KeyScore(const Row& r, ModelKey* k) {
  k->number = r.score;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", r.score);
  k->seek = buf;
  return true;
}
bool KeyDeleted(const Row& r, ModelKey* k) {
  k->text = r.deleted ? "T" : "F";
  k->seek = k->text;
  return true;
}
bool KeyRich(const Row& r, ModelKey* k) {
  k->text = UpperAscii(Pad(r.city, 10));
  k->seek = k->text;
  return r.score > 50;
}
bool KeyCode(const Row& r, ModelKey* k) {
  k->text = UpperAscii(Pad(r.code, 4));
  k->seek = k->text;
  return true;
}

const std::vector<TagModel> kTags = {
    {"UNAME", "UPPER(NAME)", "", false, false, Kind::kText, KeyUName},
    {"NAMECITY", "UPPER(NAME-CITY)", "", false, false, Kind::kText, KeyNameCity},
    {"CITYNAME", "UPPER(CITY)+NAME", "", false, false, Kind::kText, KeyCityName},
    {"BORNS", "DTOS(BORN)", "", false, false, Kind::kText, KeyBornText},
    {"BORN", "BORN", "", false, false, Kind::kNumber, KeyBornDate},
    {"SCORE", "SCORE", "", false, false, Kind::kNumber, KeyScore},
    {"DEL", "DELETED()", "", false, false, Kind::kText, KeyDeleted},
    {"RICH", "UPPER(CITY)", "SCORE > 50", false, false, Kind::kText, KeyRich},
    {"CODEDESC", "UPPER(CODE)", "", false, true, Kind::kText, KeyCode},
    {"UCODE", "UPPER(CODE)", "", true, false, Kind::kText, KeyCode},
};

int CompareKeys(Kind kind, const ModelKey& a, const ModelKey& b) {
  if (kind == Kind::kNumber) return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
  return a.text < b.text ? -1 : a.text > b.text ? 1 : 0;
}

// The contents of every tag as xBase keeps them. A unique tag holds one
// entry per key, the first one inserted; when that entry goes the key is
// gone until a rebuild, even if other records share it.
class Model {
 public:
  std::vector<Row> rows;  // record n is rows[n - 1]

  Model() : unique_(kTags.size()) {}

  void Append(const Row& r) {
    rows.push_back(r);
    Insert(static_cast<uint32_t>(rows.size()));
  }
  void Change(uint32_t recno, const Row& now) {
    for (size_t t = 0; t < kTags.size(); ++t) {
      if (!kTags[t].unique) continue;
      ModelKey was, is;
      bool had = kTags[t].key(rows[recno - 1], &was);
      bool has = kTags[t].key(now, &is);
      if (had == has && (!had || CompareKeys(kTags[t].kind, was, is) == 0)) continue;
      if (had) {
        auto it = unique_[t].find(was.text);
        if (it != unique_[t].end() && it->second == recno) unique_[t].erase(it);
      }
      if (has) unique_[t].emplace(is.text, recno);
    }
    rows[recno - 1] = now;
  }
  // Drops the deleted rows and rebuilds: a unique tag keeps the lowest
  // record number of each key.
  void Pack() {
    std::vector<Row> kept;
    for (const Row& r : rows) {
      if (!r.deleted) kept.push_back(r);
    }
    rows.clear();
    for (auto& u : unique_) u.clear();
    for (const Row& r : kept) Append(r);
  }

  // Record numbers in tag order.
  std::vector<uint32_t> Expected(size_t t) const {
    const TagModel& tag = kTags[t];
    std::vector<std::pair<ModelKey, uint32_t>> entries;
    for (uint32_t n = 1; n <= rows.size(); ++n) {
      ModelKey k;
      if (!tag.key(rows[n - 1], &k)) continue;
      if (tag.unique) {
        auto it = unique_[t].find(k.text);
        if (it == unique_[t].end() || it->second != n) continue;
      }
      entries.emplace_back(k, n);
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
      int c = CompareKeys(tag.kind, a.first, b.first);
      if (tag.descending) c = -c;
      return c != 0 ? c < 0 : a.second < b.second;
    });
    std::vector<uint32_t> out;
    for (const auto& e : entries) out.push_back(e.second);
    return out;
  }

 private:
  void Insert(uint32_t recno) {
    for (size_t t = 0; t < kTags.size(); ++t) {
      ModelKey k;
      if (kTags[t].unique && kTags[t].key(rows[recno - 1], &k)) unique_[t].emplace(k.text, recno);
    }
  }
  std::vector<std::map<std::string, uint32_t>> unique_;
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
  }

  void Create() { ASSERT_TRUE(Table::Create(path_, kFields).ok()); }

  void Open() {
    area_.reset();
    Status s = WorkArea::Open(path_, OpenOptions(), &settings_, &area_);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  void BuildTags() {
    std::vector<WorkArea::TagSpec> specs;
    for (const TagModel& t : kTags) {
      specs.push_back({t.name, t.expr, t.for_expr, t.unique, t.descending});
    }
    Status s = area_->IndexTags("", specs);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }

  // Writes the fields of `r` into the current record.
  void Put(const Row& r) {
    ASSERT_TRUE(area_->SetField(kName, r.name).ok());
    ASSERT_TRUE(area_->SetField(kCity, r.city).ok());
    ASSERT_TRUE(area_->SetField(kCode, r.code).ok());
    ASSERT_TRUE(area_->SetField(kBorn, r.born).ok());
    ASSERT_TRUE(area_->SetField(kScore, ScoreText(r.score)).ok());
    ASSERT_TRUE(area_->SetMemo(kNote, r.note).ok());
    ASSERT_TRUE(area_->SetDeleted(r.deleted).ok());
  }

  void AppendRow(const Row& r) {
    ASSERT_TRUE(area_->Append().ok());
    Put(r);
    model_.Append(r);
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

  // Every tag against the model: both walks, the stored keys of character
  // tags, and an exact seek of every distinct key.
  void CheckAgainstModel(const std::string& when) {
    SCOPED_TRACE(when);
    ASSERT_TRUE(area_->index_status().ok()) << area_->index_status().ToString();
    ASSERT_EQ(area_->order_count(), static_cast<int>(kTags.size()));
    settings_.deleted = false;
    settings_.exact = true;
    ASSERT_TRUE(area_->SetOrder(0).ok());
    std::vector<uint32_t> natural = Walk();
    ASSERT_EQ(natural.size(), model_.rows.size());
    for (uint32_t n = 1; n <= model_.rows.size(); ++n) {
      ASSERT_TRUE(area_->Go(n).ok());
      RecordRef rec = area_->record();
      const Row& row = model_.rows[n - 1];
      ASSERT_EQ(rec.field(area_->table().fields()[kName]), Pad(row.name, 12)) << n;
      ASSERT_EQ(rec.deleted(), row.deleted) << n;
      Value memo;
      ASSERT_TRUE(area_->Eval("NOTE", &memo).ok());
      ASSERT_EQ(memo.text, row.note) << n;
    }
    for (size_t t = 0; t < kTags.size(); ++t) {
      const TagModel& tag = kTags[t];
      SCOPED_TRACE(tag.name);
      ASSERT_TRUE(area_->SetOrder(Order(tag.name)).ok());
      std::vector<uint32_t> expected = model_.Expected(t);
      std::vector<uint32_t> forward;
      std::string key;
      Status s = area_->GoTop();
      for (; s.ok() && !area_->eof(); s = area_->Skip(1)) {
        forward.push_back(area_->recno());
        if (tag.kind == Kind::kText && forward.size() % 7 == 1) {
          ASSERT_TRUE(area_->CurrentKey(&key).ok());
          ModelKey k;
          tag.key(model_.rows[area_->recno() - 1], &k);
          ASSERT_EQ(key, k.text) << "record " << area_->recno();
        }
      }
      ASSERT_TRUE(s.ok()) << s.ToString();
      ASSERT_EQ(forward, expected);
      std::vector<uint32_t> backward = WalkBack();
      std::reverse(backward.begin(), backward.end());
      ASSERT_EQ(backward, expected);

      // The first record in tag order of each key.
      std::map<std::string, uint32_t> first;
      for (uint32_t n : expected) {
        ModelKey k;
        tag.key(model_.rows[n - 1], &k);
        first.emplace(k.seek, n);
      }
      for (const auto& [seek, recno] : first) {
        bool found = false;
        ASSERT_TRUE(area_->Seek(seek, &found).ok());
        ASSERT_TRUE(found) << "key [" << seek << "]";
        ASSERT_EQ(area_->recno(), recno) << "key [" << seek << "]";
      }
    }
    settings_.exact = false;
  }

  ScratchDir dir_;
  std::string path_;
  Settings settings_;
  std::unique_ptr<WorkArea> area_;
  Model model_;
};

// ---- maintenance under random changes ---------------------------------------

TEST_F(IndexedAreaTest, EveryOrderFollowsRandomChangesReopenAndPack) {
  std::mt19937 rng(20240611);
#ifdef QV_SANITIZED
  const int kInitial = 600, kBatch = 150;
#else
  const int kInitial = 1500, kBatch = 300;
#endif
  Create();
  Open();
  for (int i = 0; i < kInitial; ++i) AppendRow(RandomRow(rng));
  BuildTags();
  CheckAgainstModel("after the build");

  auto batch = [&](int round) {
    // Changes are made with some order current, as the program does.
    ASSERT_TRUE(area_->SetOrder(static_cast<int>(rng() % (kTags.size() + 1))).ok());
    for (int i = 0; i < kBatch; ++i) AppendRow(RandomRow(rng));
    const uint32_t count = static_cast<uint32_t>(model_.rows.size());
    for (int i = 0; i < kBatch + kBatch / 2; ++i) {
      uint32_t n = 1 + static_cast<uint32_t>(rng() % count);
      ASSERT_TRUE(area_->Go(n).ok());
      Row now = model_.rows[n - 1];
      Row fresh = RandomRow(rng);
      switch (rng() % 4) {
        case 0:
          now.name = fresh.name;
          break;
        case 1:
          now.city = fresh.city, now.score = fresh.score;
          break;
        case 2:
          now.born = fresh.born, now.code = fresh.code;
          break;
        case 3:
          now = fresh, now.deleted = model_.rows[n - 1].deleted;
          break;
      }
      Put(now);
      model_.Change(n, now);
    }
    for (int i = 0; i < kBatch / 2; ++i) {
      uint32_t n = 1 + static_cast<uint32_t>(rng() % count);
      ASSERT_TRUE(area_->Go(n).ok());
      Row now = model_.rows[n - 1];
      now.deleted = rng() % 3 != 0;  // mostly deletions, some recalls
      ASSERT_TRUE(area_->SetDeleted(now.deleted).ok());
      model_.Change(n, now);
    }
    ASSERT_TRUE(area_->Commit().ok());
    CheckAgainstModel("after batch " + std::to_string(round));
  };

  for (int round = 1; round <= 3; ++round) batch(round);
  Open();
  CheckAgainstModel("after reopening");

  int progress_calls = 0;
  area_->SetProgress([&](int) { ++progress_calls; });
  ASSERT_TRUE(area_->Pack().ok());
  area_->SetProgress(nullptr);
  EXPECT_GT(progress_calls, 0);
  model_.Pack();
  CheckAgainstModel("after the pack");

  batch(4);
  Open();
  CheckAgainstModel("after the pack, a batch and reopening");
}

// ---- navigation in an order ----------------------------------------------------

TEST_F(IndexedAreaTest, NavigationInAnOrderUnderDeletedAndQuery) {
  Create();
  Open();
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
  Create();
  Open();
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
      {"SMITH", false, false, true, 2},   // prefix: the first SMITH
      {"SMITH", true, false, true, 2},    // exact: padded, whole key
      {"SMI", false, false, true, 2},     // prefix of several keys
      {"SMI", true, false, false, 8},     // exact: no such whole key
      {"SMI", true, true, false, 2},      // soft: the next greater key
      {"SMITHX", false, true, false, 4},  // between SMITHERS and SMYTH
      {"SMITHX", false, false, false, 8},
      {"ZZZ", false, true, false, 8},  // beyond the last: eof even when soft
      {"A", false, false, true, 6},
      {"", false, false, true, 6},        // the empty key matches the first
      {"smith", false, false, false, 8},  // keys are upper case
      {"smith", false, true, false, 8},   // lower case sorts after upper
      {"ZA", false, true, false, 7},
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
  Create();
  Open();
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
  Create();
  Open();
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

// ---- orders --------------------------------------------------------------------

// ---- work indexes -------------------------------------------------------------

TEST_F(IndexedAreaTest, WorkIndexWithConditionIsKeptCurrent) {
  Create();
  Open();
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
  Create();
  Open();
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
  Create();
  Open();
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

// ---- progress ------------------------------------------------------------------

}  // namespace
}  // namespace xb
