// Randomized checks: thousands of mixed edits against an in-memory model.
// Damaged tables go through the mutation fuzzer (tests/fuzz).
#include <gtest/gtest.h>

#include <random>

#include "test_support.h"
#include "xbase/table.h"

namespace xb {
namespace {

using qvtest::ScratchDir;

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

}  // namespace
}  // namespace xb
