// The ZIP count: key rules, the "#,##0" counts, the report lines with the
// odd keys after two empty lines, the table put back, cancel and progress,
// and the CSV file.
#include "zipcount/zip_count.h"

#include <gtest/gtest.h>

#include <QFile>

#include "labels_test_util.h"

namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::TestHost;

const char kNotDeleted[] = "UPPER(PREFIX)<>\"DELETED\"";

// Counts as "#,##0"; keys valid from five characters led by a digit; report
// lines pad the key to ten and cut longer ones.
TEST(ZipCount, CountKeyAndLineTexts) {
  const std::pair<int64_t, const char*> counts[] = {
      {0, "0"}, {999, "999"}, {1000, "1,000"}, {999999, "999,999"}, {1234567, "1,234,567"}};
  for (const auto& [count, text] : counts) EXPECT_EQ(FormatCount(count), text);
  const std::pair<const char*, bool> keys[] = {
      {"12345", true}, {"00000", true},  {"99999", true},  {"1234", false}, {"", false},
      {"K1A0B", false}, {" 1234", false},
      {"9999A", false},  // above "99999-999" as bytes
      {"1234A", true}};  // within the bounds and led by a digit
  for (const auto& [key, valid] : keys) EXPECT_EQ(ZipKeyIsValid(key), valid) << key;
  EXPECT_EQ(QStringList({ZipReportLine("12345", 5), ZipReportLine("BLANK", 1000),
                         ZipReportLine("ABCDEFGHIJKL", 2), ZipReportLine("", 3)}),
            QStringList({"12345     5", "BLANK     1,000", "ABCDEFGHIJ2", "          3"}));
}

std::vector<Contact> WithZips(std::initializer_list<std::pair<const char*, int>> zips) {
  std::vector<Contact> out;
  int n = 0;
  for (const auto& [zip, count] : zips) {
    for (int i = 0; i < count; ++i) {
      out.push_back({{"LNAME", "Name" + std::to_string(++n)}, {"ZIP", zip}});
    }
  }
  return out;
}

// Valid keys in order, then two empty lines (there even without odd keys),
// the odd keys and BLANK; the deleted-marked record is not counted.
TEST(ZipCount, ValidKeysInOrderThenOddKeysAndBlankAfterTwoEmptyLines) {
  std::vector<Contact> mixed = WithZips(
      {{"12345", 3}, {"K1A0B", 1}, {"12345-6789", 2}, {"", 2}, {"1234", 2}, {"02110", 1}, {"ab12", 1}});
  mixed.push_back({{"LNAME", "Gone"}, {"PREFIX", "deleted"}, {"ZIP", "02110"}});
  const struct {
    std::vector<Contact> contacts;
    QStringList lines;
    int read;
  } cases[] = {
      {mixed,
       {"02110     1", "12345     5", "", "", "1234      2", "K1A0B     1", "ab12      1", "BLANK     2"},
       12},
      {WithZips({{"90210", 1}, {"10001", 2}}), {"10001     2", "90210     1", "", ""}, 3},
  };
  for (const auto& c : cases) {
    ContactFixture fx;
    ASSERT_TRUE(fx.make(c.contacts));
    ASSERT_TRUE(fx.apollo.Query(kNotDeleted));
    TestHost host;
    TZipCount count(fx.table, fx.apollo, host);
    ASSERT_TRUE(count.DoTheSort());
    EXPECT_TRUE(count.Done());
    EXPECT_EQ(count.ReportLines(), c.lines);
    EXPECT_EQ(count.RecordsRead(), c.read);
  }
}

TEST(ZipCount, ThousandsOfOneZipShowProgressPutTheTableBackAndWriteTheCsv) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(WithZips({{"12207", 1200}, {"", 1}, {"1,2", 1}})));
  const int order = fx.apollo.TagArea(QStringLiteral("LNAME"));
  fx.apollo.SetOrder(order);
  ASSERT_TRUE(fx.apollo.Go(37));
  TestHost host;
  TZipCount count(fx.table, fx.apollo, host);
  ASSERT_TRUE(count.DoTheSort());
  EXPECT_EQ(count.ReportLines(), QStringList({"12207     1,200", "", "", "1,2       1", "BLANK     1"}));
  // Progress every hundred records, between the reading and sorting notes.
  QStringList progress = {"Reading database records..."};
  for (int n = 100; n <= 1200; n += 100) progress << QStringLiteral("Reading record %1").arg(n);
  EXPECT_EQ(host.progressTexts, progress << "Sorting Zip Codes...");
  EXPECT_EQ(std::pair(fx.apollo.IndexOrd(), fx.apollo.RecNo()), std::pair(order, 37));

  // The CSV file holds one row per key with plain counts.
  QString error;
  const QString path = fx.file("zips.csv");
  ASSERT_TRUE(WriteZipCountCsv(count.Tallies(), path, &error)) << error.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("ZIP,Count\r\n12207,1200\r\n\"1,2\",1\r\nBLANK,1\r\n"));
  EXPECT_FALSE(WriteZipCountCsv(count.Tallies(), fx.file("no/such/dir/zips.csv"), &error));
  EXPECT_TRUE(error.contains("Unable to write"));
}

TEST(ZipCount, CancelAskedAndConfirmedStopsWithoutLines) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(WithZips({{"12207", 300}})));
  TestHost host;
  TZipCount count(fx.table, fx.apollo, host);
  host.answers = {false, true};  // No the first time, Yes the second
  host.onEvents = [&count](int round) {
    if (round == 5 || round == 10) count.CancelButtonClick();
  };
  EXPECT_FALSE(count.DoTheSort());
  EXPECT_EQ(host.asked, QStringList({"Cancel Count?", "Cancel Count?"}));
  EXPECT_EQ(std::tuple(count.Cancelled(), count.Done(), count.ReportLines()),
            std::tuple(true, false, QStringList()));
  EXPECT_LT(count.RecordsRead(), 300);
}

}  // namespace
}  // namespace qv
