// Index storage on its own: key encodings, random changes against an
// in-memory model, single-order files, damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <tuple>

#include "test_support.h"
#include "xbase/index.h"

namespace xb {
namespace {

namespace fs = std::filesystem;

using TempDir = qvtest::ScratchDir;

TEST(IndexKeys, NumbersOrderAndDatesAreJulianDays) {
  // The bytes themselves are the checker's: it reads our numeric keys.
  const double ascending[] = {-1e300, -123456.5, -1, -0.25, 0, 1e-300, 0.5, 1, 99999, 1e300};
  for (size_t i = 1; i < std::size(ascending); ++i) {
    EXPECT_LT(EncodeNumericKey(ascending[i - 1]), EncodeNumericKey(ascending[i])) << ascending[i];
    EXPECT_EQ(DecodeNumericKey(EncodeNumericKey(ascending[i])), ascending[i]);
  }
  EXPECT_EQ(EncodeNumericKey(-0.0), EncodeNumericKey(0.0));

  // Julian day numbers: 2000-01-01 is JD 2451545; 1899-12-31 lies 36525 days before.
  const struct {
    const char* dtos;
    int32_t julian;
  } dates[] = {{"20000101", 2451545}, {"18991231", 2415020}, {"20000229", 2451604},
               {"        ", 0},       {"", 0},               {"19000229", -1},
               {"20011301", -1},      {"2000010", -1},        {"2000O101", -1}};
  for (const auto& c : dates) EXPECT_EQ(JulianDayFromDtos(c.dtos), c.julian) << c.dtos;
  EXPECT_EQ(EncodeDateKey(2451545), EncodeNumericKey(2451545));
}

// Entries of one tag in tag order.
struct Model {
  bool descending = false;
  bool unique = false;
  struct Less {
    bool descending;
    bool operator()(const std::pair<std::string, uint32_t>& a,
                    const std::pair<std::string, uint32_t>& b) const {
      // A descending tag is the exact reverse of an ascending one, ties too.
      if (a.first != b.first) return (a.first < b.first) != descending;
      return descending ? a.second > b.second : a.second < b.second;
    }
  };
  std::set<std::pair<std::string, uint32_t>, Less> entries{Less{false}};

  // The key's first entry in tag order, or where it would stand.
  auto First(const std::string& key) const {
    return entries.lower_bound({key, descending ? UINT32_MAX : 0});
  }
  bool HasKey(const std::string& key) const {
    auto it = First(key);
    return it != entries.end() && it->first == key;
  }
  void Insert(const std::string& key, uint32_t recno) {
    if (unique && HasKey(key)) return;
    entries.insert({key, recno});
  }
};

struct TagCase {
  TagInfo info;
  std::function<std::string(std::mt19937&)> key;
};

std::string RandomText(std::mt19937& rng, uint16_t length, const char* alphabet, size_t max_used) {
  const size_t used = rng() % (max_used + 1);
  std::string s;
  for (size_t i = 0; i < used; ++i) s += alphabet[rng() % std::strlen(alphabet)];
  return EncodeCharacterKey(s, length);
}

std::vector<TagCase> ModelTags() {
  // 200-byte keys: two entries an interior node, so the tree grows deep.
  const struct {
    const char* name;
    uint16_t length;
    bool descending, unique;
    const char* alphabet;  // nullptr: numeric keys
    size_t max_used;
  } defs[] = {{"NAMES", 12, false, false, "AB C", 6},      {"AMOUNT", 8, false, false, nullptr, 0},
              {"BACKWARD", 5, true, false, "XYZ\x01\xFF", 5}, {"ONEEACH", 3, false, true, "PQRS", 3},
              {"WIDE", 200, false, false, "MN", 190}};
  std::vector<TagCase> tags;
  for (const auto& d : defs) {
    TagCase c;
    c.info.name = d.name;
    c.info.key_expr = std::string("K_") + d.name;
    c.info.key_length = d.length;
    c.info.key_type = d.alphabet ? KeyType::kCharacter : KeyType::kNumeric;
    c.info.descending = d.descending;
    c.info.unique = d.unique;
    c.key = [d](std::mt19937& r) {
      return d.alphabet ? RandomText(r, d.length, d.alphabet, d.max_used)
                        : EncodeNumericKey(double(int(r() % 400) - 200) / 4);
    };
    tags.push_back(std::move(c));
  }
  return tags;
}

std::vector<std::pair<std::string, uint32_t>> WalkAll(IndexFile* file, int order, bool backwards) {
  std::vector<std::pair<std::string, uint32_t>> out;
  std::unique_ptr<IndexCursor> c;
  Status s = file->NewCursor(order, &c);
  if (!s.ok()) {
    ADD_FAILURE() << s.ToString();
    return out;
  }
  s = backwards ? c->SeekLast() : c->SeekFirst();
  while (s.ok() && c->Valid()) {
    out.push_back({std::string(c->key()), c->recno()});
    s = backwards ? c->Prev() : c->Next();
  }
  EXPECT_TRUE(s.ok()) << s.ToString();
  if (backwards) std::reverse(out.begin(), out.end());
  return out;
}

void CheckAgainstModel(IndexFile* file, int order, const Model& model, std::mt19937& rng,
                       const TagCase& tag) {
  const std::vector<std::pair<std::string, uint32_t>> expected(model.entries.begin(),
                                                               model.entries.end());
  ASSERT_EQ(WalkAll(file, order, false), expected) << tag.info.name;
  ASSERT_EQ(WalkAll(file, order, true), expected) << tag.info.name << " backwards";
  std::unique_ptr<IndexCursor> c;
  ASSERT_TRUE(file->NewCursor(order, &c).ok());
  for (int i = 0; i < 60; ++i) {
    const std::string key = tag.key(rng);
    // Exact seek: the first entry of the key, or the next key in tag order.
    auto it = model.First(key);
    bool found = false;
    ASSERT_TRUE(c->Seek(key, false, &found).ok());
    EXPECT_EQ(found, it != model.entries.end() && it->first == key);
    ASSERT_EQ(c->Valid(), it != model.entries.end());
    if (c->Valid()) {
      EXPECT_EQ(c->key(), it->first);
      EXPECT_EQ(c->recno(), it->second);
    }
    // Prefix seek on the first bytes of the key.
    const std::string prefix = key.substr(0, 1 + rng() % 3);
    ASSERT_TRUE(c->Seek(prefix, true, &found).ok());
    auto first = std::find_if(model.entries.begin(), model.entries.end(), [&](const auto& e) {
      const std::string head = e.first.substr(0, prefix.size());
      return model.descending ? head <= prefix : head >= prefix;
    });
    ASSERT_EQ(c->Valid(), first != model.entries.end()) << tag.info.name;
    if (c->Valid()) {
      EXPECT_EQ(c->recno(), first->second);
      EXPECT_EQ(found, first->first.compare(0, prefix.size(), prefix) == 0);
    }
  }
}

TEST(IndexModel, RandomChangesKeepEveryTagEqualToTheModel) {
  TempDir dir;
  const std::string path = dir.file("model.cdx");
  const auto tags = ModelTags();
  std::vector<Model> models(tags.size());
  std::unique_ptr<IndexFile> file;
  ASSERT_TRUE(IndexFile::CreateCompound(path, &file).ok());
  std::mt19937 rng(2024);
  for (size_t t = 0; t < tags.size(); ++t) {
    models[t].descending = tags[t].info.descending;
    models[t].unique = tags[t].info.unique;
    models[t].entries = decltype(models[t].entries)(Model::Less{tags[t].info.descending});
    // Start from a bulk build of some entries, so the changes below hit
    // densely packed pages.
    KeyBuffer buf(tags[t].info.key_length);
    for (uint32_t r = 1; r <= 300; ++r) {
      const std::string key = tags[t].key(rng);
      buf.Add(key, r);
      models[t].Insert(key, r);
    }
    int order = 0;
    ASSERT_TRUE(file->AddTag(tags[t].info, &buf, nullptr, &order).ok());
    ASSERT_EQ(order, int(t) + 1);
  }
  const uint32_t kRecords = 3000;
  for (int batch = 0; batch < 4; ++batch) {
    for (size_t t = 0; t < tags.size(); ++t) {
      Model& m = models[t];
      const int order = int(t) + 1;
      for (int op = 0; op < 700; ++op) {
        // Deletions outnumber insertions in the last batch, emptying pages.
        const bool remove = !m.entries.empty() && rng() % 100 < (batch == 3 ? 75u : 40u);
        if (remove) {
          auto it = m.entries.begin();
          std::advance(it, rng() % m.entries.size());
          const auto victim = *it;
          m.entries.erase(it);
          Status s = file->DeleteKey(order, victim.first, victim.second);
          ASSERT_TRUE(s.ok()) << s.ToString();
          ASSERT_TRUE(file->DeleteKey(order, victim.first, victim.second).IsNotFound());
        } else {
          const std::string key = tags[t].key(rng);
          const uint32_t recno = 1 + rng() % kRecords;
          m.Insert(key, recno);
          Status s = file->InsertKey(order, key, recno);
          ASSERT_TRUE(s.ok()) << s.ToString();
        }
      }
      CheckAgainstModel(file.get(), order, m, rng, tags[t]);
    }
    ASSERT_TRUE(file->Close().ok());
    IndexOpenOptions options;
    options.record_count = kRecords;
    ASSERT_TRUE(IndexFile::Open(path, options, &file).ok());
    ASSERT_EQ(file->tag_count(), int(tags.size()));
    for (size_t t = 0; t < tags.size(); ++t) {
      const TagInfo& info = file->tag(int(t) + 1);
      const TagInfo& made = tags[t].info;
      EXPECT_EQ(std::tie(info.name, info.key_expr, info.descending, info.unique),
                std::tie(made.name, made.key_expr, made.descending, made.unique));
      ASSERT_TRUE(file->SetKeyType(int(t) + 1, tags[t].info.key_type).ok());
      CheckAgainstModel(file.get(), int(t) + 1, models[t], rng, tags[t]);
    }
  }
}

TEST(IndexModel, SingleOrderFilesFilledKeyByKeyOrRebuiltInBulk) {
  TempDir dir;
  TagInfo def;
  def.key_expr = "UPPER(CITY)";
  def.for_expr = "!DELETED()";
  def.key_length = 10;
  def.custom = true;
  std::unique_ptr<IndexFile> file;
  ASSERT_TRUE(IndexFile::CreateSingle(dir.file("city.idx"), def, &file).ok());
  EXPECT_EQ(file->kind(), IndexFile::Kind::kSingle);
  KeyBuffer none(10);
  EXPECT_EQ(file->AddTag(def, &none, nullptr, nullptr).code(), Status::Code::kNotSupported);
  std::mt19937 rng(5);
  for (bool bulk : {false, true}) {
    SCOPED_TRACE(bulk ? "rebuilt in bulk" : "key by key");
    std::set<std::pair<std::string, uint32_t>> model;
    KeyBuffer buf(10);
    for (uint32_t r = 1; r <= (bulk ? 800u : 1500u); ++r) {
      const std::string key = RandomText(rng, 10, "KLM", 8);
      model.insert({key, r});
      if (bulk) {
        buf.Add(key, r);
      } else {
        ASSERT_TRUE(file->InsertKey(1, key, r).ok());
      }
    }
    if (bulk) {
      ASSERT_TRUE(file->RebuildTag(1, &buf, nullptr).ok());
    }
    ASSERT_TRUE(file->Close().ok());
    ASSERT_TRUE(IndexFile::Open(dir.file("city.idx"), IndexOpenOptions(), &file).ok());
    ASSERT_EQ(file->kind(), IndexFile::Kind::kSingle);
    ASSERT_EQ(file->tag_count(), 1);
    const TagInfo& t = file->tag(1);
    EXPECT_EQ(std::tie(t.name, t.key_expr, t.for_expr, t.custom),
              std::make_tuple(std::string("CITY"), def.key_expr, def.for_expr, true));
    EXPECT_EQ(WalkAll(file.get(), 1, false),
              (std::vector<std::pair<std::string, uint32_t>>(model.begin(), model.end())));
  }
}

TEST(IndexModel, RejectsBadRequests) {
  TempDir dir;
  std::unique_ptr<IndexFile> file;
  ASSERT_TRUE(IndexFile::CreateCompound(dir.file("c.cdx"), &file).ok());
  TagInfo good;
  good.name = "OK";
  good.key_expr = "X";
  good.key_length = 5;
  KeyBuffer none(5);
  ASSERT_TRUE(file->AddTag(good, &none, nullptr, nullptr).ok());
  const struct {
    const char* name;
    uint16_t key_length;
    const char* expr;
  } bad[] = {{"ok", 5, "X"},  {"", 5, "X"},       {"ELEVENCHARS", 5, "X"}, {"A-B", 5, "X"},
             {"1ST", 5, "X"}, {"ZERO", 0, "X"},   {"HUGE", 241, "X"},      {"NOEXPR", 5, ""}};
  for (const auto& b : bad) {
    TagInfo def = good;
    def.name = b.name;
    def.key_length = b.key_length;
    def.key_expr = b.expr;
    KeyBuffer empty(b.key_length);
    EXPECT_TRUE(file->AddTag(def, &empty, nullptr, nullptr).IsInvalidArgument()) << b.name;
  }
  for (const Status& s : {file->InsertKey(1, "TOO LONG", 1), file->InsertKey(1, "ABCDE", 0),
                          file->InsertKey(2, "ABCDE", 1)}) {
    EXPECT_TRUE(s.IsInvalidArgument()) << s.ToString();
  }
  ASSERT_TRUE(file->Close().ok());
  IndexOpenOptions ro;
  ro.read_only = true;
  ASSERT_TRUE(IndexFile::Open(dir.file("c.cdx"), ro, &file).ok());
  EXPECT_EQ(file->InsertKey(1, "ABCDE", 1).code(), Status::Code::kReadOnly);
  EXPECT_TRUE(IndexFile::Open(dir.file("none.cdx"), ro, &file).IsNotFound());
}

// A file with three tags over several levels, for damaging.
std::string BuildSample(const TempDir& dir) {
  const std::string path = dir.file("sample.cdx");
  std::unique_ptr<IndexFile> file;
  EXPECT_TRUE(IndexFile::CreateCompound(path, &file).ok());
  std::mt19937 rng(9);
  const char* names[] = {"ALPHA", "BETA", "GAMMA"};
  const uint16_t lengths[] = {20, 8, 60};
  for (int t = 0; t < 3; ++t) {
    TagInfo def;
    def.name = names[t];
    def.key_expr = names[t];
    def.key_length = lengths[t];
    KeyBuffer buf(lengths[t]);
    for (uint32_t r = 1; r <= 1500; ++r) buf.Add(RandomText(rng, lengths[t], "ABCDEFGH", 12), r);
    EXPECT_TRUE(file->AddTag(def, &buf, nullptr, nullptr).ok());
  }
  EXPECT_TRUE(file->Close().ok());
  return path;
}

// Opens and reads all of a (possibly damaged) file; checks the order of
// whatever it reads. Returns the first failure.
Status ReadEverything(const std::string& path) {
  std::unique_ptr<IndexFile> file;
  IndexOpenOptions options;
  options.read_only = true;
  options.record_count = 1500;
  XB_RETURN_IF_ERROR(IndexFile::Open(path, options, &file));
  for (int order = 1; order <= file->tag_count(); ++order) {
    std::unique_ptr<IndexCursor> c;
    XB_RETURN_IF_ERROR(file->NewCursor(order, &c));
    for (bool backwards : {false, true}) {
      std::pair<std::string, uint32_t> last;
      bool first = true;
      Status s = backwards ? c->SeekLast() : c->SeekFirst();
      while (s.ok() && c->Valid()) {
        std::pair<std::string, uint32_t> now{std::string(c->key()), c->recno()};
        if (!first) {
          EXPECT_TRUE(backwards ? now < last : last < now) << "order lost in " << path;
        }
        first = false;
        last = now;
        s = backwards ? c->Prev() : c->Next();
      }
      XB_RETURN_IF_ERROR(s);
    }
    for (const char* key : {"A", "CAFE", "H", "DDDDDDDD"}) {
      bool found;
      XB_RETURN_IF_ERROR(c->Seek(key, true, &found));
    }
  }
  return Status::OK();
}

TEST(IndexDamage, TruncatedFilesAreReportedDamaged) {
  TempDir dir;
  const std::string path = BuildSample(dir);
  ASSERT_TRUE(ReadEverything(path).ok());
  const auto size = fs::file_size(path);
  const std::string cut = dir.file("cut.cdx");
  for (uintmax_t len = 0; len < size; len += (len < 2048 ? 128 : 1536)) {
    fs::copy_file(path, cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, len);
    const Status s = ReadEverything(cut);
    EXPECT_TRUE(s.IsCorruption()) << len << ": " << s.ToString();
    if (s.IsCorruption()) {
      EXPECT_NE(s.message().find("is damaged"), std::string::npos);
    }
  }
}

TEST(IndexDamage, FlippedBytesNeverCrashOrMisorder) {
  TempDir dir;
  const std::string path = BuildSample(dir);
  const std::string original = qvtest::ReadAll(path);
  std::mt19937 rng(77);
  const std::string bad = dir.file("bad.cdx");
  int damaged = 0;
  const int kRounds = 300;
  for (int round = 0; round < kRounds; ++round) {
    std::string bytes = original;
    // Half the rounds hit the headers and node headers, where the
    // structure lives; the rest land anywhere.
    for (int k = 0; k < 3; ++k) {
      size_t at = rng() % bytes.size();
      if (round % 2 == 0) at = (at / 512) * 512 + rng() % 24;
      bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
    }
    qvtest::WriteAll(bad, bytes);
    const Status s = ReadEverything(bad);
    ASSERT_TRUE(s.ok() || s.IsCorruption()) << round << ": " << s.ToString();
    if (s.IsCorruption()) ++damaged;
  }
  // Most structural flips must be noticed (key bytes can change silently).
  EXPECT_GT(damaged, kRounds / 4);
}

}  // namespace
}  // namespace xb
