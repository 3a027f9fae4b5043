// The bulk-mail presort over real contact files: 5-digit, 3-digit, ADC and
// unknown groups, the counting rules, PRESORT.PSL as written on disk, the
// ADC table's exact names, progress and a cancel that writes nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <set>

#include "labels/adc_table.h"
#include "labels/sort_bulk_mail.h"
#include "labels_test_util.h"
#include "store/output_file.h"

namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::TestHost;

std::vector<Contact> Zips(std::initializer_list<std::pair<const char*, int>> counts) {
  std::vector<Contact> out;
  for (const auto& [zip, n] : counts) {
    for (int i = 0; i < n; ++i) out.push_back({{"LNAME", "Person"}, {"ZIP", zip}});
  }
  return out;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray Psl(std::initializer_list<const char*> lines) {
  QByteArray out;
  for (const char* l : lines) out += QByteArray(l) + "\r\n";
  return out;
}

TEST(Presort, Groups) {
  std::vector<Contact> deletedToo = Zips({{"12001", 9}});
  deletedToo.push_back({{"PREFIX", "DeLeTeD"}, {"ZIP", "12001"}});

  const struct {
    const char* what;
    std::vector<Contact> contacts;
    QByteArray expected;
  } cases[] = {
      {"10 pieces make a 5-digit group; the 9 left of run 123 go to the Albany ADC",
       Zips({{"12345", 10}, {"12346", 9}}),
       Psl({"** 5-digit 12345", "12345", "** ADC ALBANY NY 120", "12346"})},
      {"9 + 5 pieces under 120 make a 3-digit group", Zips({{"12001", 9}, {"12002", 5}}),
       Psl({"** 3-digit 120", "12001", "12002"})},
      {"a prefix no ADC serves is unknown", Zips({{"00123", 1}}), Psl({"** Unknown", "00123"})},
      {"ZIP+4 counts under its five digits", Zips({{"12345-6789", 6}, {"12345", 4}}),
       Psl({"** 5-digit 12345", "12345"})},
      {"letters, blanks and short garbage never count",
       Zips({{"K1A 0B1", 12}, {"", 3}, {"-1234", 2}, {"A2345", 11}}), Psl({})},
      {"records outside the selection are not counted", deletedToo,
       Psl({"** ADC ALBANY NY 120", "12001"})},
      {"groups in order: 5-digit ascending, 3-digit, ADCs in table order, then unknown",
       Zips({{"99501", 10}, {"02101", 12}, {"02134", 1}, {"12201", 2}, {"58001", 1}, {"05001", 1},
             {"03501", 1}, {"00199", 1}, {"13001", 4}, {"13002", 6}}),
       Psl({"** 5-digit 02101", "02101", "** 5-digit 99501", "99501", "** 3-digit 130", "13001",
            "13002", "** ADC ALBANY NY 120", "12201", "** ADC BOSTON MA 021", "02134",
            "** ADC FARGO ND  580", "58001", "** ADC WHITE RIVER JCT VT 050", "03501",
            "** ADC WHITE RVR JCT VT 050", "05001", "** Unknown", "00199"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ContactFixture fx;
    ASSERT_TRUE(fx.make(c.contacts));
    ASSERT_TRUE(fx.apollo.Query(QStringLiteral("UPPER(PREFIX)<>\"DELETED\"")));
    TestHost host;
    TSortBulkMail sorter(fx.table, fx.apollo, host, fx.dir());
    EXPECT_TRUE(sorter.DoTheSort() && sorter.Done());
    EXPECT_EQ(ReadFile(PresortFilePath(fx.dir())), c.expected);
  }
}

TEST(Presort, AdcTableAsPrinted) {
  auto table = AdcTable();
  ASSERT_EQ(table.size(), 96u);
  EXPECT_STREQ(table.front().name, "ALBANY NY 120");
  EXPECT_STREQ(table.back().name, "WILMINGTON DE 197");
  std::set<std::string> names;
  int doubleBlanks = 0;
  for (const AdcRow& row : table) {
    names.insert(row.name);
    if (std::string(row.name).find("  ") != std::string::npos) ++doubleBlanks;
    // Three-digit prefixes separated by single blanks.
    const std::string p = row.prefixes;
    ASSERT_EQ(p.size() % 4, 3u) << row.name;
    for (size_t i = 0; i < p.size(); ++i) {
      EXPECT_TRUE(i % 4 == 3 ? p[i] == ' ' : (p[i] >= '0' && p[i] <= '9')) << row.name;
    }
  }
  EXPECT_EQ(names.size(), 96u);
  EXPECT_EQ(doubleBlanks, 3);  // FARGO ND  580, LAS VEGAS  NV 890, SAN JUAN PR  006
  EXPECT_TRUE(names.count("LAS VEGAS  NV 890"));
}

TEST(Presort, ExtractAdcWritesOneHeaderOnlyWhenSomethingMatches) {
  ZipList source = {"12001", "02101", "12999"}, destination;
  ExtractADC("NOWHERE 000", "000 001", source, destination);
  EXPECT_TRUE(destination.empty() && source.size() == 3u);
  ExtractADC("ALBANY NY 120", "120 129", source, destination);
  EXPECT_EQ(destination, ZipList({"** ADC ALBANY NY 120", "12001", "12999"}));
  EXPECT_EQ(source, ZipList({"02101"}));
}

TEST(Presort, ProgressAndCancel) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(Zips({{"12001", 250}})));
  const QString psl = PresortFilePath(fx.dir());
  // Runs a presort over an earlier run's file, pressing Cancel on the 50th
  // round and answering `yes`.
  auto cancelled = [&](bool yes, TestHost& host) {
    QFile old(psl);
    EXPECT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
    old.write("earlier run\r\n");
    old.close();
    host.answers = {yes};
    TSortBulkMail sorter(fx.table, fx.apollo, host, fx.dir());
    host.onEvents = [&](int round) {
      if (round == 50) sorter.CancelButtonClick();
    };
    const bool sorted = sorter.DoTheSort();
    EXPECT_EQ(sorter.Done(), sorted);
    return sorted;
  };
  // Answered No: the count goes on and the file is replaced.
  TestHost keepGoing;
  EXPECT_TRUE(cancelled(false, keepGoing));
  EXPECT_EQ(keepGoing.asked, QStringList({"Cancel PRESORT?"}));
  EXPECT_EQ(keepGoing.progressTexts,
            QStringList({"Reading database records...", "Reading record 100", "Reading record 200",
                         "Sorting Zip Codes..."}));
  EXPECT_EQ(ReadFile(psl), Psl({"** 5-digit 12001", "12001"}));
  // Answered Yes: nothing is written, the earlier file kept.
  TestHost stop;
  EXPECT_FALSE(cancelled(true, stop));
  EXPECT_EQ(ReadFile(psl), QByteArray("earlier run\r\n"));
}

// A folder that is not there, or a write cut short at any of a spread of
// points: told, and the earlier list kept whole.
TEST(Presort, AFailedWriteIsReportedAndKeepsTheEarlierList) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(Zips({{"12001", 1}, {"02110", 2}})));
  const QString psl = PresortFilePath(fx.dir());
  const QByteArray earlier = "earlier run\r\n";
  TestHost first;
  ASSERT_TRUE(TSortBulkMail(fx.table, fx.apollo, first, fx.dir()).DoTheSort());
  const qint64 size = ReadFile(psl).size();
  const struct {
    QString dir;
    qint64 budget;
  } cases[] = {{fx.dir() + "no/such/folder", -1}, {fx.dir(), 0}, {fx.dir(), 7}, {fx.dir(), size - 1},
               {fx.dir(), size}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.budget);
    QFile old(psl);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate) && old.write(earlier) == earlier.size());
    old.close();
    TestHost host;
    TSortBulkMail sorter(fx.table, fx.apollo, host, c.dir);
    OutputFile::FailAfter(c.budget);
    EXPECT_FALSE(sorter.DoTheSort());
    OutputFile::FailAfter(-1);
    ASSERT_EQ(host.notices.size(), 1);
    EXPECT_TRUE(host.notices[0].startsWith("Unable to write the presort")) << host.notices[0].toStdString();
    if (c.budget >= 0) {
      EXPECT_TRUE(host.notices[0].endsWith("No space left on device"));
    }
    EXPECT_EQ(ReadFile(psl), earlier);
  }
}

}  // namespace
}  // namespace qv
