// Tables: the bytes we write, locking, read-only use, damaged headers, pack
// and its recovery, appends cut short by a crash, and random edits against
// a model.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <random>
#include <tuple>

#include "test_support.h"
#include "xbase/table.h"

namespace xb {
namespace {

using qvtest::Be32;
using qvtest::Le32;
using qvtest::ReadAll;
using qvtest::ScratchDir;
using qvtest::WriteAll;

std::unique_ptr<Table> OpenOk(const std::string& path, OpenOptions o = {}) {
  std::unique_ptr<Table> t;
  Status s = Table::Open(path, o, &t);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return t;
}

class TableTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  const std::string path = dir / "t.dbf";
};

const std::vector<FieldDef> kSmall = {{"NAME", 'C', 12, 0},
                                      {"AMOUNT", 'N', 8, 2},
                                      {"BORN", 'D', 8, 0},
                                      {"OK", 'L', 1, 0},
                                      {"NOTES", 'M', 10, 0}};

TEST_F(TableTest, CreateWritesFoxProHeaderBytes) {
  struct Case {
    std::vector<FieldDef> fields;
    uint8_t signature;
    uint32_t record_length;
  };
  const Case cases[] = {{kSmall, 0xF5, 1 + 12 + 8 + 8 + 1 + 10},
                        {{{"A", 'C', 254, 0}, {"B", 'N', 20, 4}}, 0x03, 1 + 254 + 20}};
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  for (const Case& c : cases) {
    ASSERT_TRUE(Table::Create(path, c.fields).ok());
    std::string b = ReadAll(path);
    size_t hl = 32 + 32 * c.fields.size() + 1;
    ASSERT_EQ(b.size(), hl + 1);
    EXPECT_EQ(static_cast<uint8_t>(b[0]), c.signature);
    EXPECT_EQ(b.substr(1, 3), std::string({char(tm.tm_year), char(tm.tm_mon + 1), char(tm.tm_mday)}));
    EXPECT_EQ(Le32(b, 8) & 0xFFFF, hl);
    EXPECT_EQ(Le32(b, 10) & 0xFFFF, c.record_length);
    EXPECT_EQ(b[hl - 1], 0x0D);
    EXPECT_EQ(b[hl], 0x1A);
  }
  // The memo file's header: where the first memo goes is the memo test's.
  EXPECT_EQ(std::filesystem::file_size(dir / "t.fpt"), 512u);
}

TEST_F(TableTest, CreateRejectsBadFieldLists) {
  const std::vector<std::vector<FieldDef>> bad = {
      {}, {{"NAME", 'C', 10, 0}, {"name", 'C', 5, 0}}, {{"ELEVENCHARS", 'C', 10, 0}},
      {{"", 'C', 10, 0}}, {{"1ST", 'C', 10, 0}}, {{"A", 'C', 0, 0}}, {{"A", 'C', 255, 0}},
      {{"A", 'N', 5, 4}}, {{"A", 'D', 7, 0}}, {{"A", 'I', 4, 0}}};
  for (const auto& fields : bad) {
    Status s = Table::Create(dir / "bad.dbf", fields);
    EXPECT_TRUE(s.IsInvalidArgument()) << s.ToString();
  }
}

TEST_F(TableTest, WriteMemoReusesItsBlocksOnlyWhenTheTextFits) {
  ASSERT_TRUE(Table::Create(path, kSmall).ok());
  auto t = OpenOk(path);
  ASSERT_TRUE(t->Append().ok());
  auto block = [&] { return std::stoul(std::string(t->current_data() + 30, 10)); };
  auto next_free = [&] { return Be32(ReadAll(dir / "t.fpt"), 0); };
  // With 64-byte blocks and an 8-byte block header: 100 bytes take 2 blocks,
  // 120 still 2, 121 need 3.
  struct Step {
    size_t length;
    unsigned long block;
    uint32_t next_free;
  };
  const Step steps[] = {{100, 8, 10}, {120, 8, 10}, {121, 10, 13},
                        {5, 10, 13},  {0, 0, 13},   {1, 13, 14}};
  for (const Step& s : steps) {
    std::string text(s.length, static_cast<char>('a' + s.length % 26));
    ASSERT_TRUE(t->SetMemo(4, text).ok());
    if (s.block == 0) {
      EXPECT_EQ(std::string(t->current_data() + 30, 10), std::string(10, ' '));
    } else {
      EXPECT_EQ(block(), s.block) << s.length;
    }
    EXPECT_EQ(next_free(), s.next_free) << s.length;
    std::string back;
    ASSERT_TRUE(t->GetMemo(4, &back).ok());
    EXPECT_EQ(back, text);
  }
}

TEST_F(TableTest, ReadGoAndBulkReadsAgreeAcrossTheReadAheadWindow) {
  ASSERT_TRUE(Table::Create(path, {{"K", 'C', 200, 0}}).ok());
  auto t = OpenOk(path);
  const uint32_t n = 1000;  // several 64 KB windows
  for (uint32_t i = 1; i <= n; ++i) {
    ASSERT_TRUE(t->Append().ok() && t->SetFieldBytes(0, std::to_string(i)).ok());
  }
  ASSERT_TRUE(t->Go(1).ok());
  ASSERT_TRUE(t->Go(2).ok());  // now inside a read-ahead window
  ASSERT_TRUE(t->Go(5).ok() && t->SetFieldBytes(0, "changed").ok());
  std::string all;
  ASSERT_TRUE(t->ReadRecords(1, n, &all).ok());
  for (uint32_t i = 1; i <= n; ++i) {
    ASSERT_TRUE(t->Go(i).ok());
    ASSERT_EQ(std::string(t->current_data(), 201), all.substr((i - 1) * 201, 201)) << i;
  }
  EXPECT_EQ(all.substr(4 * 201 + 1, 7), "changed");
  for (uint32_t bad : {0u, n + 1}) {
    EXPECT_TRUE(t->Go(bad).IsNotFound());
    EXPECT_EQ(t->recno(), 0u);
    EXPECT_EQ(t->current().data, nullptr);
  }
  EXPECT_TRUE(t->ReadRecords(n, 2, &all).IsNotFound());
}

TEST_F(TableTest, LockExclusiveAndSharedOpensConflictAsExpected) {
  ASSERT_TRUE(Table::Create(path, kSmall).ok());
  const OpenOptions ex{true, false}, ex_ro{true, true}, sh{false, false}, sh_ro{false, true};
  struct Case {
    OpenOptions first, second;
    bool conflict;
  };
  const Case cases[] = {{ex, ex, true},    {ex, sh, true},  {sh, ex, true},     {ex_ro, ex, true},
                        {sh_ro, ex, true}, {sh, sh, false}, {sh_ro, sh, false}, {ex, ex_ro, true}};
  for (const Case& c : cases) {
    auto a = OpenOk(path, c.first);
    std::unique_ptr<Table> b;
    Status s = Table::Open(path, c.second, &b);
    EXPECT_EQ(s.IsInUse(), c.conflict) << s.ToString();
    if (c.conflict) {
      EXPECT_NE(s.message().find("is in use by another program or user"), std::string::npos);
    }
  }
}

// Two shared writers take turns appending: neither may overwrite the
// other's record with a stale count.
TEST_F(TableTest, LockSharedWritersAppendWithoutOverwritingEachOther) {
  ASSERT_TRUE(Table::Create(path, {{"WHO", 'C', 1, 0}}).ok());
  auto a = OpenOk(path, {false, false});
  auto b = OpenOk(path, {false, false});
  for (int i = 0; i < 3; ++i) {
    for (auto* t : {a.get(), b.get()}) {
      ASSERT_TRUE(t->Append().ok());
      ASSERT_TRUE(t->SetFieldBytes(0, t == a.get() ? "a" : "b").ok());
      ASSERT_TRUE(t->Flush().ok());
    }
  }
  std::string all;
  ASSERT_TRUE(b->ReadRecords(1, 6, &all).ok());
  EXPECT_EQ(all, " a b a b a b");
  EXPECT_EQ(Le32(ReadAll(path), 4), 6u);
  EXPECT_TRUE(a->Go(6).ok());  // learns of records the other writer added
  EXPECT_TRUE(a->Pack().IsInvalidArgument()) << "a pack needs the table to itself";
}

TEST_F(TableTest, ReadOnlyRefusesEveryWriteAndLeavesTheFileAlone) {
  ASSERT_TRUE(Table::Create(path, kSmall).ok());
  {
    auto t = OpenOk(path);
    ASSERT_TRUE(t->Append().ok());
  }
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  ASSERT_EQ(chmod((dir / "t.fpt").c_str(), 0444), 0);
  std::string before = ReadAll(path);
  auto t = OpenOk(path, {true, true});
  ASSERT_TRUE(t->Go(1).ok());
  for (const Status& s :
       {t->SetFieldBytes(0, "x"), t->SetDeleted(true), t->SetMemo(4, "x"), t->Append(), t->Pack()}) {
    EXPECT_EQ(s.code(), Status::Code::kReadOnly) << s.ToString();
  }
  EXPECT_TRUE(t->Close().ok());
  EXPECT_EQ(ReadAll(path), before);
}

// Turns a valid table into a damaged one by patching bytes.
TEST_F(TableTest, DamageEveryHeaderFaultIsCorruptionWithAPlainMessage) {
  ASSERT_TRUE(Table::Create(path, {{"A", 'C', 5, 0}, {"B", 'N', 3, 0}}).ok());
  {
    auto t = OpenOk(path);
    ASSERT_TRUE(t->Append().ok() && t->Append().ok());
  }
  const std::string good = ReadAll(path);  // header 97 bytes, records 9 bytes
  struct Case {
    const char* what;
    std::function<void(std::string*)> damage;
    const char* message;
  };
  const Case cases[] = {
      {"short header", [](std::string* b) { b->resize(20); }, "too short"},
      {"bad signature", [](std::string* b) { (*b)[0] = 0x7F; }, "not a dBASE"},
      {"header length 20", [](std::string* b) { (*b)[8] = 20; }, "impossible header length"},
      {"header past end", [](std::string* b) { (*b)[9] = 0x40; }, "past the end"},
      {"record length", [](std::string* b) { (*b)[10] = 10; }, "record length 10"},
      {"no terminator", [](std::string* b) { (*b)[96] = 'X'; }, "no end marker"},
      {"empty name", [](std::string* b) { (*b)[32] = 0; }, "no name"},
      {"zero width", [](std::string* b) { (*b)[48] = 0, (*b)[80] = 8; }, "width 0"},
  };
  for (const Case& c : cases) {
    std::string b = good;
    c.damage(&b);
    WriteAll(path, b);
    std::unique_ptr<Table> t;
    Status s = Table::Open(path, {}, &t);
    EXPECT_TRUE(s.IsCorruption()) << c.what << ": " << s.ToString();
    EXPECT_NE(s.message().find(c.message), std::string::npos) << c.what << ": " << s.ToString();
  }
}

// Records "r1".."rN" in a one-field table (header 65 bytes, records 6).
std::string NumberedTable(const std::string& path, uint32_t n) {
  EXPECT_TRUE(Table::Create(path, {{"A", 'C', 5, 0}}).ok());
  {
    auto t = OpenOk(path);
    for (uint32_t i = 1; i <= n; ++i) {
      EXPECT_TRUE(t->Append().ok());
      EXPECT_TRUE(t->SetFieldBytes(0, "r" + std::to_string(i)).ok());
    }
  }
  return ReadAll(path);
}

// Other xBase tools count the records as the checker does.
void ExpectOracleCount(const std::string& path, uint32_t want) {
  if (!qvtest::HaveOracle()) return;
  std::string count = "none";
  for (const std::string& line : qvtest::SplitLines(qvtest::Oracle({"info", path}))) {
    if (line.rfind("records\t", 0) == 0) count = line.substr(8);
  }
  EXPECT_EQ(count, std::to_string(want)) << "the checker's count";
}

// A file whose end is cut off opens with the whole records it holds, as
// other xBase tools show them, and RepairCount makes the header say so.
TEST_F(TableTest, DamageCutOffFileShowsItsWholeRecordsUntilRepaired) {
  constexpr size_t kHeader = 65, kRecord = 6;
  struct Case {
    const char* what;
    uint32_t counted;
    uint32_t whole;
    std::string tail;  // bytes after the whole records
  } cases[] = {
      {"partial record", 12, 10, " r11"},
      {"no end marker", 12, 10, ""},
      {"end marker only", 300, 10, "\x1A"},
      {"nothing past the header", 3, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = NumberedTable(path, c.whole).substr(0, kHeader + c.whole * kRecord);
    bytes[4] = static_cast<char>(c.counted & 0xFF);
    bytes[5] = static_cast<char>(c.counted >> 8);
    WriteAll(path, bytes + c.tail);
    {
      auto t = OpenOk(path, {false, true});
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->record_count(), c.whole);
      EXPECT_EQ(t->header_record_count(), c.counted);
      if (c.whole > 0) {
        ASSERT_TRUE(t->Go(c.whole).ok());
        EXPECT_EQ(std::string(t->current_data() + 1, 3), "r" + std::to_string(c.whole));
      }
      EXPECT_TRUE(t->Go(c.whole + 1).IsNotFound());
      EXPECT_EQ(t->RepairCount().code(), Status::Code::kReadOnly);
    }
    ExpectOracleCount(path, c.whole);
    EXPECT_TRUE(OpenOk(path, {false, false})->RepairCount().IsInvalidArgument());
    EXPECT_EQ(ReadAll(path), bytes + c.tail);  // opening alone changes nothing
    ASSERT_TRUE(OpenOk(path)->RepairCount().ok());
    const std::string repaired = ReadAll(path);
    EXPECT_EQ(repaired.size(), kHeader + c.whole * kRecord + 1);
    EXPECT_EQ(Le32(repaired, 4), c.whole);
    EXPECT_EQ(repaired.substr(kHeader, c.whole * kRecord), bytes.substr(kHeader));
    EXPECT_EQ(OpenOk(path)->header_record_count(), c.whole);
    ExpectOracleCount(path, c.whole);
  }
}

// A pack that died leaves temporaries: before its commit point they are
// thrown away, after it the new table replaces the old one.
TEST_F(TableTest, PackInterruptedPackIsRolledBackOrFinishedOnOpen) {
  ASSERT_TRUE(Table::Create(path, {{"A", 'C', 4, 0}}).ok());
  {
    auto t = OpenOk(path);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(t->Append().ok());
  }
  {
    auto small = OpenOk(path);
    ASSERT_TRUE(small->Go(1).ok() && small->SetDeleted(true).ok());
    ASSERT_TRUE(small->CopyFile(path + ".pack-new").ok());  // stands in for the finished temp
    ASSERT_TRUE(small->SetDeleted(false).ok());
  }
  const std::string original = ReadAll(path);
  const std::string packed = ReadAll(path + ".pack-new");
  ASSERT_NE(original, packed);
  WriteAll(path + ".pack-memo", "");
  EXPECT_NE(OpenOk(path), nullptr);  // before the commit point: rolled back
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_FALSE(std::filesystem::exists(path + ".pack-new"));
  EXPECT_FALSE(std::filesystem::exists(path + ".pack-memo"));

  WriteAll(path + ".pack-new", packed);  // after the commit point
  std::unique_ptr<Table> t;
  EXPECT_TRUE(Table::Open(path, {false, false}, &t).IsCorruption());
  t = OpenOk(path);
  EXPECT_EQ(ReadAll(path), packed);
  EXPECT_FALSE(std::filesystem::exists(path + ".pack-new"));
  std::unique_ptr<Table> second;  // the lock moved to the renamed file
  EXPECT_TRUE(Table::Open(path, {}, &second).IsInUse());
}

TEST_F(TableTest, CopyStructureAndFileCopiesKeepFieldsRecordsAndMemos) {
  ASSERT_TRUE(Table::Create(path, kSmall).ok());
  auto t = OpenOk(path);
  ASSERT_TRUE(t->Append().ok() && t->SetMemo(4, "memo one").ok());
  ASSERT_TRUE(t->SetDeleted(true).ok() && t->Append().ok());
  ASSERT_TRUE(t->CopyStructure(dir / "S.DBF").ok() && t->CopyFile(dir / "c.dbf").ok());
  auto s = OpenOk(dir / "S.DBF");
  EXPECT_EQ(s->record_count(), 0u);
  EXPECT_EQ(s->memo_path(), dir / "S.fpt");
  ASSERT_EQ(s->fields().size(), kSmall.size());
  auto c = OpenOk(dir / "c.dbf");
  ASSERT_EQ(c->record_count(), 2u);
  ASSERT_TRUE(c->Go(1).ok());
  EXPECT_TRUE(c->current().deleted());
  std::string memo;
  ASSERT_TRUE(c->GetMemo(4, &memo).ok());
  EXPECT_EQ(memo, "memo one");
  EXPECT_TRUE(t->CopyFile(path).IsInUse());  // never over itself
}

// A crash between writing appended records and counting them leaves them
// past the count; other xBase tools count them by the file's size, so an
// exclusive open counts the run of written ones and cuts off the rest.
TEST_F(TableTest, CrashRecordsPastTheCountAreSettledByAnExclusiveOpen) {
  struct Case {
    const char* past;  // one letter a record: w written, b blank, p partial
    bool readOnly;
    uint32_t count;
  } cases[] = {{"w", false, 2}, {"b", false, 1}, {"w", true, 1},
               {"wwwp", false, 4}, {"wbw", false, 2}, {"p", false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.past);
    ASSERT_TRUE(Table::Create(path, kSmall).ok());
    {
      auto t = OpenOk(path);
      ASSERT_TRUE(t->Append().ok() && t->SetFieldBytes(0, "one").ok());
    }
    std::string bytes = ReadAll(path);
    const size_t length = OpenOk(path)->record_length();
    const size_t header = bytes.size() - 1 - length;
    ASSERT_EQ(bytes.back(), '\x1A');
    bytes.pop_back();
    const std::string record = bytes.substr(header);
    for (const char* k = c.past; *k != '\0'; ++k) {
      bytes += *k == 'w' ? record : *k == 'b' ? std::string(length, ' ') : record.substr(0, 5);
    }
    WriteAll(path, bytes + '\x1A');
    EXPECT_EQ(OpenOk(path, {!c.readOnly, c.readOnly})->record_count(), c.count);
    const uint32_t settled = OpenOk(path)->record_count();
    const std::string after = ReadAll(path);
    EXPECT_EQ(Le32(after, 4), settled);
    EXPECT_EQ(after.size(), header + settled * length + 1);
    ExpectOracleCount(path, settled);
    if (!c.readOnly) {
      EXPECT_EQ(settled, c.count);
    }
  }
}

// Randomized checks: thousands of mixed edits against an in-memory model,
// across reopens and packs. Damaged tables go through the mutation fuzzer
// (tests/fuzz).
struct ModelRecord {
  std::string name = std::string(20, ' '), num = std::string(6, ' ');  // padded
  bool deleted = false;
  std::string memo;
};

void ExpectSame(Table* t, const std::vector<ModelRecord>& model, int step) {
  SCOPED_TRACE(testing::Message() << "step " << step);
  ASSERT_EQ(t->record_count(), model.size());
  for (uint32_t n = 1; n <= model.size(); ++n) {
    const ModelRecord& m = model[n - 1];
    ASSERT_TRUE(t->Go(n).ok());
    const RecordRef r = t->current();
    ModelRecord got{std::string(r.field(t->fields()[0])), std::string(r.field(t->fields()[1])),
                    r.deleted(), ""};
    ASSERT_TRUE(t->GetMemo(2, &got.memo).ok());
    ASSERT_EQ(std::tie(got.deleted, got.name, got.num, got.memo),
              std::tie(m.deleted, m.name, m.num, m.memo))
        << "record " << n;
  }
}

TEST_F(TableTest, RandomMixedEditsMatchAModelAcrossReopensAndPacks) {
  ASSERT_TRUE(
      Table::Create(path, {{"NAME", 'C', 20, 0}, {"NUM", 'N', 6, 0}, {"MEMO", 'M', 10, 0}}).ok());
  auto t = OpenOk(path);
  std::vector<ModelRecord> model;
  std::mt19937 rng(20240611);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  auto text = [&](size_t len) {
    std::string s(len, ' ');
    for (char& c : s) c = static_cast<char>(pick(256));  // memos are bytes, any of them
    return s;
  };
  const int kSteps = 4000;
  for (int step = 0; step < kSteps; ++step) {
    const size_t op = pick(100);
    if (model.empty() || op < 25) {
      ASSERT_TRUE(t->Append().ok());
      model.emplace_back();
      continue;
    }
    const uint32_t n = static_cast<uint32_t>(pick(model.size()) + 1);
    ModelRecord& m = model[n - 1];
    ASSERT_TRUE(t->Go(n).ok());
    if (op < 50) {
      const std::string name = text(pick(25)), num = std::to_string(pick(999999));
      ASSERT_TRUE(t->SetFieldBytes(0, name).ok());  // sometimes longer than the field
      ASSERT_TRUE(t->SetFieldBytes(1, num).ok());
      m.name = (name.substr(0, 20) + std::string(20, ' ')).substr(0, 20);
      m.num = (num + std::string(6, ' ')).substr(0, 6);
    } else if (op < 80) {
      const size_t kind = pick(4);
      size_t len = kind == 0 ? 0 : kind == 1 ? pick(60) : kind == 2 ? m.memo.size() + pick(3)
                                                                     : 100 + pick(900);
      if (kind == 2 && pick(2) == 0) len = m.memo.size() / 2;  // shrinking in place
      m.memo = text(len);
      ASSERT_TRUE(t->SetMemo(2, m.memo).ok());
    } else if (op < 96) {
      m.deleted = !m.deleted;
      ASSERT_TRUE(t->SetDeleted(m.deleted).ok());
    } else if (op < 99) {
      ASSERT_TRUE(t->Close().ok() && Table::Open(path, {}, &t).ok());
    }
    if (step == kSteps / 3 || step == 2 * kSteps / 3) {
      // Memos of deleted records and replaced memos are left out; no
      // temporary stays behind.
      const uint64_t memo_before = std::filesystem::file_size(dir / "t.fpt");
      std::vector<int> seen;
      ASSERT_TRUE(t->Pack([&](int p) { seen.push_back(p); }).ok());
      EXPECT_EQ(t->recno(), 0u);
      EXPECT_EQ(seen.back(), 100);
      EXPECT_LT(std::filesystem::file_size(dir / "t.fpt"), memo_before);
      EXPECT_FALSE(std::filesystem::exists(path + ".pack-new") ||
                   std::filesystem::exists(path + ".pack-memo"));
      std::erase_if(model, [](const ModelRecord& r) { return r.deleted; });
      ExpectSame(t.get(), model, step);
    }
  }
  ASSERT_TRUE(t->Close().ok() && Table::Open(path, {true, true}, &t).ok());
  ExpectSame(t.get(), model, kSteps);
}

}  // namespace
}  // namespace xb
