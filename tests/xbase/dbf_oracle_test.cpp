// Tables checked against xbcheck, an independent xBase engine: what we
// write, and our pack of what it wrote, it must read as we meant it.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "xbase/table.h"

namespace xb {
namespace {

using qvtest::EscapeTsv;
using qvtest::RunShell;
using qvtest::SplitLines;
using qvtest::SplitTabs;
using qvtest::ScratchDir;
using qvtest::WriteAll;

const std::vector<FieldDef> kContact = {
    {"LNAME", 'C', 30, 0}, {"FNAME", 'C', 30, 0},   {"MIDDLE", 'C', 1, 0},  {"TITLE", 'C', 30, 0},
    {"ORG", 'C', 30, 0},   {"STREET", 'C', 30, 0},  {"CITY", 'C', 30, 0},   {"STATE", 'C', 20, 0},
    {"ZIP", 'C', 10, 0},   {"COUNTRY", 'C', 30, 0}, {"PHONE", 'C', 30, 0},  {"EMAIL", 'C', 30, 0},
    {"FAX", 'C', 30, 0},   {"NOTES", 'C', 30, 0},   {"PREFIX", 'C', 12, 0}, {"CARRIER", 'C', 4, 0},
    {"DATE", 'D', 8, 0},   {"BEGIN", 'L', 1, 0},    {"SEQNO", 'N', 6, 0},   {"MEMO", 'M', 10, 0}};

std::vector<std::vector<std::string>> Lines(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : SplitLines(text)) rows.push_back(SplitTabs(line));
  return rows;
}

class OracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QV_SKIP_WITHOUT_ORACLE();
  }
  std::string Xb(const std::string& args) {
    qvtest::RunResult r = RunShell(std::string(QV_XBCHECK) + " " + args + " 2>&1");
    EXPECT_EQ(r.status, 0) << args << "\n" << r.out;
    return r.out;
  }
  ScratchDir dir_;
};

TEST_F(OracleTest, ItReadsTheTablesWeWrite) {
  // Lower case: on Linux the oracle only looks for a lower-case .fpt.
  std::string path = dir_ / "contacts.dbf";
  ASSERT_TRUE(Table::Create(path, kContact).ok());
  struct Row {
    std::vector<std::pair<int, std::string>> values;
    std::string memo;
    bool deleted;
  };
  const std::vector<Row> rows = {
      {{{0, "Smith"}, {1, "John"}, {7, "IL"}, {16, "20240131"}, {17, "T"}, {18, "    42"}},
       "line one\r\nline two\twith tab \\ backslash",
       false},
      {{{0, "Doe"}, {16, "19991231"}, {17, "F"}, {18, "     7"}}, std::string(300, 'm'), true},
      {{{0, "Empty"}, {17, "F"}, {18, "     0"}}, "", false},
  };
  {
    std::unique_ptr<Table> t;
    ASSERT_TRUE(Table::Open(path, {}, &t).ok());
    for (const Row& r : rows) {
      ASSERT_TRUE(t->Append().ok());
      for (const auto& [field, value] : r.values) ASSERT_TRUE(t->SetFieldBytes(field, value).ok());
      ASSERT_TRUE(t->SetMemo(19, r.memo).ok() && t->SetDeleted(r.deleted).ok());
    }
  }
  auto info = Lines(Xb("info " + path));
  ASSERT_GE(info.size(), 3u + kContact.size());
  EXPECT_EQ(info[0], (std::vector<std::string>{"signature", "F5"}));
  EXPECT_EQ(info[1], (std::vector<std::string>{"codepage", "03"}));
  EXPECT_EQ(info[2], (std::vector<std::string>{"records", "3"}));
  EXPECT_EQ(info[3 + 19], (std::vector<std::string>{"field", "MEMO", "M", "10", "0"}));

  auto dump = Lines(Xb("dump " + path));
  ASSERT_EQ(dump.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    ASSERT_EQ(dump[i].size(), 2 + kContact.size());
    EXPECT_EQ(dump[i][1], rows[i].deleted ? "*" : " ");
    std::vector<std::string> expect(kContact.size());
    for (size_t f = 0; f < kContact.size(); ++f) expect[f] = std::string(kContact[f].width, ' ');
    expect[16] = std::string(8, ' ');
    expect[17] = "F";
    for (const auto& [field, value] : rows[i].values) expect[field] = value;
    expect[18] = expect[18].substr(expect[18].find_first_not_of(' '));
    for (size_t f = 0; f < 19; ++f) {
      std::string want =
          f == 18 ? expect[f]
                  : EscapeTsv(expect[f] + std::string(kContact[f].width - expect[f].size(), ' '));
      EXPECT_EQ(dump[i][2 + f], want) << "record " << i + 1 << " field " << kContact[f].name;
    }
    EXPECT_EQ(dump[i][2 + 19], EscapeTsv(rows[i].memo)) << "record " << i + 1;
  }
}

TEST_F(OracleTest, ItReadsOurPackOfItsTable) {
  std::string tsv =
      "Smith\tJohn\tQ\tMr\tAcme\t1 Main St\tSpringfield\tIL\t62701\tUSA\t555\tj@x.org\t\tnote\t"
      "Dr\tC001\t20240131\tT\t42\tfirst\\nsecond\\ttabbed\n"
      "Gone\tGuy\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t19700101\tF\t9\tdeleted memo\t*\n"
      "Last\tOne\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tF\t123456\t" +
      std::string(500, 'z') + "\n";
  WriteAll(dir_ / "rows.tsv", tsv);
  std::string path = dir_ / "MADE.DBF";
  Xb("make " + path + " " + (dir_ / "rows.tsv"));
  std::filesystem::remove(dir_ / "MADE.cdx");  // indexes are not this layer's business

  // Reading its records is compared field by field in the expression
  // layer's test with the checker; here only our pack of its table.
  auto dump = Lines(Xb("dump " + path));
  ASSERT_EQ(dump.size(), 3u);
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(path, {}, &t).ok());
  // Our pack, read back by the oracle: the deleted record gone, memos intact.
  ASSERT_TRUE(t->Go(3).ok() && t->SetMemo(19, "rewritten after make").ok());
  ASSERT_TRUE(t->Pack().ok() && t->Close().ok());
  auto packed = Lines(Xb("dump " + path));
  ASSERT_EQ(packed.size(), 2u);
  EXPECT_EQ(packed[0][2], dump[0][2]);
  EXPECT_EQ(packed[0].back(), dump[0].back());
  EXPECT_EQ(packed[1][2], dump[2][2]);
  EXPECT_EQ(packed[1].back(), "rewritten after make");
}

}  // namespace
}  // namespace xb
