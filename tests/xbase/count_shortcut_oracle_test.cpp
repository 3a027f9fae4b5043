// QueryRecCount may count under a tag's key prefix instead of scanning; it
// must still agree with the checker on every condition. Random conditions
// over the contact fields (nesting, .OR./.AND./.NOT., $, strings in all
// three quotings, functions) are counted by us on an indexed contact file
// and by the checker, which evaluates each condition on every record.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "test_support.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

using qvtest::Oracle;

constexpr int kRecords = 40;
constexpr int kConditions = 2400;
// Conditions per checker call: one argument stays well under Linux's
// 128 KB limit for a single argument.
constexpr size_t kBatchBytes = 100000;

const char* const kLnames[] = {"Smith", "smith", "Smythe", "S", "", "Brown", "O'Neil",
                               "brown", "Bro wn", "Sanders", "SMITH"};
const char* const kFnames[] = {"Ann", "ann", "Bob", "", "Al", "Sue"};
const char* const kCities[] = {"Denver", "denver", "Dover", "Austin", ""};
const char* const kStates[] = {"CO", "co", "TX", ""};
const char* const kZips[] = {"80202", "80203", "9", "90210", ""};

// Left sides: most are tag keys (or start one), so the shortcut is tried.
const char* const kLhs[] = {"UPPER(LNAME)", "LNAME", "upper(lname)", "Upper( Lname )",
                            "UPPER(LNAME)+UPPER(FNAME)", "UPPER(CITY+STATE)", "UPPER(ZIP)",
                            "ZIP", "UPPER(STATE)", "DTOS(DATE)", "UPPER(LNAME-FNAME)",
                            "TRIM(LNAME)", "SUBSTR(UPPER(LNAME),2,3)", "UPPER(FNAME)"};
const char* const kLiterals[] = {"S", "SM", "SMITH", "smith", "B", "BRO", "O'", "", " ",
                                 "80", "9", "CO", "DENVER", "D", "2020", "ANN", "SMITHANN"};
const char* const kLogicals[] = {"BEGIN", ".T.", ".F.", "EMPTY(DATE)", "EMPTY(ZIP)"};
const char* const kRelations[] = {"=", "=", "=", "=", "==", "<>", ">=", "<", ">", "#", "!="};

class ConditionMaker {
 public:
  explicit ConditionMaker(uint32_t seed) : rng_(seed) {}

  std::string Make(int depth) {
    int pick = Pick(depth <= 0 ? 4 : 9);
    switch (pick) {
      case 4:
        return Make(depth - 1) + " .AND. " + Make(depth - 1);
      case 5:
        return Make(depth - 1) + " .OR. " + Make(depth - 1);
      case 6:
        return ".NOT. " + Make(depth - 1);
      case 7:
        return "(" + Make(depth - 1) + ")";
      case 8:
        return Make(depth - 1) + (Pick(2) ? " .and. " : " .AND. ") + Equality();
      default:
        return Atom();
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  template <size_t N>
  const char* From(const char* const (&a)[N]) {
    return a[Pick(static_cast<int>(N))];
  }

  std::string Quoted(const std::string& s) {
    int q = Pick(3);
    if (s.find('\'') != std::string::npos) q = Pick(2) ? 0 : 2;
    if (q == 0) return "\"" + s + "\"";
    if (q == 1) return "'" + s + "'";
    return "[" + s + "]";
  }

  std::string Equality() { return std::string(From(kLhs)) + " = " + Quoted(From(kLiterals)); }

  std::string Atom() {
    switch (Pick(8)) {
      case 0:
      case 1:
        return Equality();
      case 2:
        return std::string(From(kLhs)) + " " + From(kRelations) + " " + Quoted(From(kLiterals));
      case 3:
        return Quoted(From(kLiterals)) + " $ " + From(kLhs);
      case 4:
        return "SEQNO " + std::string(Pick(2) ? ">=" : "<") + " " + std::to_string(Pick(30));
      case 5:
        return From(kLogicals);
      case 6:
        return "LEN(TRIM(LNAME)) > " + std::to_string(Pick(6));
      default:
        return "(" + Equality() + ")";
    }
  }

  std::mt19937 rng_;
};

class CountShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
    std::mt19937 rng(14);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::ofstream tsv(dir_.path() + "/rows.tsv");
    for (int i = 0; i < kRecords; ++i) {
      tsv << kLnames[pick(11)] << '\t' << kFnames[pick(6)] << "\t\t\t\t\t" << kCities[pick(5)]
          << '\t' << kStates[pick(4)] << '\t' << kZips[pick(5)] << "\t\t\t\t\t\t\t\t"
          << (pick(3) ? "2020061" + std::to_string(pick(10)) : "") << '\t'
          << (pick(2) ? "T" : "F") << '\t' << pick(30) << "\t\n";
    }
    tsv.close();
    dbf_ = dir_.path() + "/c.dbf";
    Oracle({"make", dbf_, dir_.path() + "/rows.tsv"});
  }

  // The checker's count of every condition: one call per record and batch
  // evaluates the batch's conditions as a string of 1s and 0s.
  std::vector<int> TheirCounts(const std::vector<std::string>& conditions) {
    std::vector<int> counts(conditions.size(), 0);
    size_t first = 0;
    while (first < conditions.size()) {
      std::string joined;
      size_t end = first;
      while (end < conditions.size() && joined.size() < kBatchBytes) {
        if (!joined.empty()) joined += "+";
        joined += "IIF(" + conditions[end] + ",\"1\",\"0\")";
        ++end;
      }
      for (int recno = 1; recno <= kRecords; ++recno) {
        std::string out = Oracle({"eval", dbf_, std::to_string(recno), joined});
        // "C<tab>0101...<newline>"
        size_t tab = out.find('\t');
        EXPECT_NE(tab, std::string::npos) << out.substr(0, 200);
        if (tab == std::string::npos) return {};
        std::string bits = out.substr(tab + 1, end - first);
        EXPECT_EQ(bits.size(), end - first);
        for (size_t i = 0; i < bits.size(); ++i) counts[first + i] += bits[i] == '1';
      }
      first = end;
    }
    return counts;
  }

  qvtest::ScratchDir dir_;
  std::string dbf_;
};

TEST_F(CountShortcutTest, IndexShortcutCountsAgreeWithCheckerOnRandomConditions) {
  ConditionMaker maker(2024);
  std::vector<std::string> conditions;
  // The two conditions the fault was found with come first.
  conditions.push_back(R"(SEQNO >= 0 .OR. .F. .AND. UPPER(LNAME) = "S")");
  conditions.push_back(R"(UPPER(LNAME)>="'" .and. upper(zip)="9" .and. "" = "")");
  conditions.push_back(R"(UPPER(LNAME) = [O'] .AND. UPPER(FNAME) = "A")");
  while (conditions.size() < static_cast<size_t>(kConditions)) {
    conditions.push_back(maker.Make(3));
  }

  Settings settings;
  std::unique_ptr<WorkArea> area;
  OpenOptions options;
  options.read_only = true;
  options.exclusive = false;
  ASSERT_TRUE(WorkArea::Open(dbf_, options, &settings, &area).ok());
  ASSERT_TRUE(area->index_status().ok()) << area->index_status().ToString();

  std::vector<int> want = TheirCounts(conditions);
  ASSERT_EQ(want.size(), conditions.size());
  int differences = 0;
  for (size_t i = 0; i < conditions.size(); ++i) {
    Status s = area->Query(conditions[i]);
    ASSERT_TRUE(s.ok()) << conditions[i] << ": " << s.ToString();
    uint32_t n = 0;
    ASSERT_TRUE(area->QueryRecCount(&n).ok()) << conditions[i];
    if (static_cast<int>(n) != want[i] && ++differences <= 20) {
      ADD_FAILURE() << conditions[i] << ": we count " << n << ", the checker " << want[i];
    }
  }
  EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace xb
