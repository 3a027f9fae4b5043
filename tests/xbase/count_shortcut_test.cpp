// QueryRecCount may count under a tag's key prefix instead of scanning; it
// must still count what the filter lets through, record by record. Random
// conditions over contact fields (nesting, .OR./.AND./.NOT., $, strings in
// all three quotings, functions) are counted both ways on a table indexed
// as a contact file is. What each condition means is compared with the
// checker in the expression test.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "engine_tables.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace xb {
namespace {

constexpr int kRecords = 40;
constexpr int kConditions = 2400;

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

TEST(CountShortcutTest, IndexShortcutCountsWhatTheFilterLetsThrough) {
  qvtest::ScratchDir dir;
  const std::string dbf = dir / "c.dbf";
  std::mt19937 rng(14);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < kRecords; ++i) {
    char seqno[8];
    std::snprintf(seqno, sizeof seqno, "%6d", pick(30));
    rows.push_back({kLnames[pick(11)], kFnames[pick(6)], kCities[pick(5)], kStates[pick(4)],
                    kZips[pick(5)], pick(3) ? "2020061" + std::to_string(pick(10)) : "",
                    pick(2) ? "T" : "F", seqno});
  }
  // The contact file's fields and the tags the conditions can use.
  ASSERT_TRUE(qvtest::MakeTable(dbf,
                                {{"LNAME", 'C', 30, 0}, {"FNAME", 'C', 30, 0}, {"CITY", 'C', 30, 0},
                                 {"STATE", 'C', 20, 0}, {"ZIP", 'C', 10, 0}, {"DATE", 'D', 8, 0},
                                 {"BEGIN", 'L', 1, 0}, {"SEQNO", 'N', 6, 0}},
                                rows,
                                {{"NAME", "UPPER(LNAME-FNAME)"}, {"LNAME", "UPPER(LNAME)+UPPER(FNAME)"},
                                 {"FNAME", "UPPER(FNAME)"}, {"CITY", "UPPER(CITY+STATE)"},
                                 {"STATE", "UPPER(STATE)"}, {"ZIP", "UPPER(ZIP)"},
                                 {"DATE", "DTOS(DATE)"}, {"STATEZIP", "UPPER(STATE-ZIP)"},
                                 {"JUSTSEQNO", "SEQNO"}})
                  .ok());
  ConditionMaker maker(2024);
  std::vector<std::string> conditions;
  // The two conditions the fault was found with come first.
  conditions.push_back(R"(SEQNO >= 0 .OR. .F. .AND. UPPER(LNAME) = "S")");
  conditions.push_back(R"(UPPER(LNAME)>="'" .and. upper(zip)="9" .and. "" = "")");
  conditions.push_back(R"(UPPER(LNAME) = [O'] .AND. UPPER(FNAME) = "A")");
  while (conditions.size() < static_cast<size_t>(kConditions)) conditions.push_back(maker.Make(3));

  Settings settings;
  std::unique_ptr<WorkArea> area;
  ASSERT_TRUE(WorkArea::Open(dbf, OpenOptions{false, true}, &settings, &area).ok());
  ASSERT_TRUE(area->index_status().ok()) << area->index_status().ToString();
  int differences = 0;
  for (const std::string& condition : conditions) {
    const Status s = area->Query(condition);
    ASSERT_TRUE(s.ok()) << condition << ": " << s.ToString();
    uint32_t n = 0;
    ASSERT_TRUE(area->QueryRecCount(&n).ok()) << condition;
    const size_t walked = qvtest::Walk(*area).size();
    if (n != walked && ++differences <= 20) {
      ADD_FAILURE() << condition << ": counted " << n << ", the filter lets " << walked << " through";
    }
  }
  EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace xb
