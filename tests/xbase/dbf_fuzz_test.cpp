// Randomized checks: thousands of mixed edits against an in-memory model,
// and damaged variants of a valid table that must never crash the reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "test_support.h"
#include "xbase/table.h"

namespace xb {
namespace {

using qvtest::ReadAll;
using qvtest::ScratchDir;
using qvtest::WriteAll;

struct ModelRecord {
  std::string name;  // padded to 20
  std::string num;   // padded to 6
  bool deleted = false;
  std::string memo;
};

std::string Pad(std::string s, size_t w) {
  s.resize(w, ' ');
  return s;
}

void ExpectSame(Table* t, const std::vector<ModelRecord>& model, int step) {
  ASSERT_EQ(t->record_count(), model.size()) << "step " << step;
  for (uint32_t n = 1; n <= model.size(); ++n) {
    const ModelRecord& m = model[n - 1];
    ASSERT_TRUE(t->Go(n).ok());
    RecordRef r = t->current();
    ASSERT_EQ(r.deleted(), m.deleted) << "step " << step << " record " << n;
    ASSERT_EQ(r.field(t->fields()[0]), m.name) << "step " << step << " record " << n;
    ASSERT_EQ(r.field(t->fields()[1]), m.num) << "step " << step << " record " << n;
    std::string memo;
    ASSERT_TRUE(t->GetMemo(2, &memo).ok());
    ASSERT_EQ(memo, m.memo) << "step " << step << " record " << n;
  }
}

TEST(TableRandom, MixedEditsMatchAModelAcrossReopensAndPacks) {
  ScratchDir dir;
  std::string path = dir / "r.dbf";
  ASSERT_TRUE(
      Table::Create(path, {{"NAME", 'C', 20, 0}, {"NUM", 'N', 6, 0}, {"MEMO", 'M', 10, 0}}).ok());
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(path, {}, &t).ok());
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
    size_t op = pick(100);
    if (model.empty() || op < 25) {
      ASSERT_TRUE(t->Append().ok());
      model.push_back({Pad("", 20), Pad("", 6), false, ""});
      continue;
    }
    uint32_t n = static_cast<uint32_t>(pick(model.size()) + 1);
    ModelRecord& m = model[n - 1];
    ASSERT_TRUE(t->Go(n).ok());
    if (op < 50) {
      std::string name = text(pick(25));  // sometimes longer than the field
      ASSERT_TRUE(t->SetFieldBytes(0, name).ok());
      m.name = Pad(name.substr(0, std::min<size_t>(20, name.size())), 20);
      std::string num = std::to_string(pick(999999));
      ASSERT_TRUE(t->SetFieldBytes(1, num).ok());
      m.num = Pad(num, 6);
    } else if (op < 80) {
      size_t kind = pick(4);
      size_t len = kind == 0   ? 0
                   : kind == 1 ? pick(60)
                   : kind == 2 ? m.memo.size() + pick(3)
                               : 100 + pick(900);
      if (kind == 2 && pick(2) == 0) len = m.memo.size() / 2;  // shrinking in place
      m.memo = text(len);
      ASSERT_TRUE(t->SetMemo(2, m.memo).ok());
    } else if (op < 96) {
      m.deleted = !m.deleted;
      ASSERT_TRUE(t->SetDeleted(m.deleted).ok());
    } else if (op < 99) {
      ASSERT_TRUE(t->Close().ok());
      ASSERT_TRUE(Table::Open(path, {}, &t).ok());
    }
    if (step == kSteps / 3 || step == 2 * kSteps / 3) {
      ASSERT_TRUE(t->Pack().ok());
      std::erase_if(model, [](const ModelRecord& r) { return r.deleted; });
      ExpectSame(t.get(), model, step);
    }
  }
  ASSERT_TRUE(t->Close().ok());
  ASSERT_TRUE(Table::Open(path, {true, true}, &t).ok());
  ExpectSame(t.get(), model, kSteps);
}

// Opens a possibly damaged table and touches every record and memo. What
// the reader reports must stay within the files it was given.
void ReadEverything(const std::string& path, uint64_t dbf_size, uint64_t memo_size) {
  std::unique_ptr<Table> t;
  Status s = Table::Open(path, {true, true}, &t);
  if (!s.ok()) {
    EXPECT_FALSE(s.message().empty());
    return;
  }
  ASSERT_LE(t->header_length() + uint64_t{t->record_count()} * t->record_length(), dbf_size);
  std::string all, memo;
  ASSERT_TRUE(t->ReadRecords(1, t->record_count(), &all).ok());
  for (uint32_t n = 1; n <= t->record_count(); ++n) {
    ASSERT_TRUE(t->Go(n).ok());
    ASSERT_EQ(std::string(t->current_data(), t->record_length()),
              all.substr((n - 1) * t->record_length(), t->record_length()));
    for (size_t f = 0; f < t->fields().size(); ++f) {
      if (t->fields()[f].type != 'M') continue;
      if (t->GetMemo(static_cast<int>(f), &memo).ok()) {
        ASSERT_LE(memo.size(), memo_size);
      }
    }
  }
}

TEST(TableDamage, TruncatedAndBitFlippedFilesNeverCrashTheReader) {
  ScratchDir dir;
  std::string path = dir / "d.dbf";
  ASSERT_TRUE(Table::Create(path, {{"A", 'C', 7, 0}, {"M", 'M', 10, 0}, {"B", 'N', 4, 1}}).ok());
  {
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(path, {}, &t).ok());
    for (int i = 0; i < 6; ++i) {
      ASSERT_TRUE(t->Append().ok());
      ASSERT_TRUE(t->SetFieldBytes(0, "rec" + std::to_string(i)).ok());
      ASSERT_TRUE(t->SetMemo(1, std::string(i * 40, 'x')).ok());
    }
  }
  const std::string dbf = ReadAll(path), fpt = ReadAll(dir / "d.fpt");
  auto run = [&](const std::string& d, const std::string& m) {
    WriteAll(path, d);
    WriteAll(dir / "d.fpt", m);
    ReadEverything(path, d.size(), m.size());
  };
  for (size_t cut = 0; cut < dbf.size(); ++cut) run(dbf.substr(0, cut), fpt);
  for (size_t cut = 0; cut < fpt.size(); cut += 4) run(dbf, fpt.substr(0, cut));
  std::mt19937 rng(7);
  for (int i = 0; i < 3000; ++i) {
    std::string d = dbf, m = fpt;
    int flips = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < flips; ++k) {
      std::string& target = (rng() % 3 == 0) ? m : d;
      target[rng() % target.size()] ^= static_cast<char>(1 + rng() % 255);
    }
    run(d, m);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace xb
