// The table access object over a small table: queries and counts under
// the Deleted setting, seeks as the engine settings direct, memos, copies of
// the visible records, and the engine version check.
#include "store/apollo.h"

#include <gtest/gtest.h>

#include "store/table_object.h"
#include "store_test_util.h"
#include "table_walk.h"

namespace qv {
namespace {

using testing::Column;
using testing::RawRecord;
using testing::ReadRawTable;
using testing::RecordingMessages;

const std::vector<xb::FieldDef> kFields = {
    {"NAME", 'C', 10, 0}, {"CITY", 'C', 12, 0}, {"NOTE", 'M', 10, 0}};

class ApolloTest : public testing::OpenTableTest {
 protected:
  void SetUp() override {
    // Record 4 carries the deletion flag.
    OpenNew(QStringLiteral("T.DBF"), kFields,
            {
                {"Miller", "Boston", "memo one"},
                {"Milton", "Austin", ""},
                {"Adams", "Boston", "memo three"},
                {"Mills", "Boston", "gone"},
                {"Young", "Denver", "memo five"},
            },
            {{"NAME", "UPPER(NAME)"}, {"CITY", "UPPER(CITY)"}}, {4});
    m_apollo.SetDataSource(&m_table);
  }

  QStringList names() { return Column(m_table, "NAME"); }

  TApollo m_apollo;
};

TEST_F(ApolloTest, QueryAndCountFollowTheDeletedSetting) {
  const struct {
    const char* condition;
    bool hideDeleted;
    int count;
    const char* filter = nullptr;  // as set, when not the condition
  } cases[] = {
      {"", false, 5},
      {"", true, 4},
      {"CITY = 'Boston'", false, 3},
      {"CITY = 'Boston'", true, 2},
      {"CITY = 'Łódź'", false, 0, ".F."},  // a character the file cannot hold
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.condition);
    m_env.SetDeleted(c.hideDeleted);
    ASSERT_TRUE(m_apollo.Query(QString::fromUtf8(c.condition)));
    EXPECT_EQ(qv::testing::CountOf(m_apollo), c.count);
    EXPECT_EQ(names().size(), c.count);  // the table object sees the same records
    EXPECT_EQ(m_table.isEmpty(), c.count == 0);
    EXPECT_EQ(m_apollo.DBFilter(), QString::fromUtf8(c.filter ? c.filter : c.condition));
    EXPECT_EQ(m_apollo.RecCount(), 5);
  }
}

// A condition failing at run time on a record is an error, not "no match":
// at the query when the first visible record is past it, else when the
// count or a walk meets it.
TEST_F(ApolloTest, ConditionFailingOnARecordIsAnErrorNotNoMatch) {
  const struct {
    const char* condition;
    bool queryOk;
    const char* says;
  } cases[] = {
      {"1/(RECNO()-3) > 0", false, "the condition fails on record 3: division by zero"},
      {"IIF(RECNO() < 4, .T., 1/0 > 0)", true, "the condition fails on record 4: division by zero"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.condition);
    EXPECT_EQ(m_apollo.Query(QString::fromLatin1(c.condition)), c.queryOk);
    int count = -1;
    if (c.queryOk) {
      EXPECT_FALSE(m_apollo.QueryRecCount(&count));
      bool moved = m_table.first();
      while (moved && !m_table.eof()) moved = m_table.next();
      EXPECT_TRUE(!moved && m_table.failed());
      EXPECT_TRUE(m_table.failureMessage().startsWith(QStringLiteral("The condition fails on record 4")))
          << m_table.failureMessage().toStdString();
    }
    EXPECT_EQ(count, c.queryOk ? 0 : -1);
    EXPECT_TRUE(m_apollo.LastError().startsWith(QLatin1String(c.says)))
        << m_apollo.LastError().toStdString();
  }
}

TEST_F(ApolloTest, SeekAsTheSettingsDirect) {
  m_apollo.SetOrder(m_apollo.TagArea(QStringLiteral("NAME")));
  // Each setting once; the seek rules themselves are the engine's tests.
  const struct {
    const char* key;
    bool exact, soft, found;
    const char* standsOn;  // "" for end of file
  } cases[] = {
      {"MIL", false, false, true, "Miller"},   // prefix, first in order
      {"MIL", true, false, false, ""},         // exact: no key is just "MIL"
      {"MILO", false, false, false, ""},
      {"MILO", false, true, false, "Milton"},  // soft: the next greater key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    m_env.SetExact(c.exact);
    m_env.SetSoftSeek(c.soft);
    EXPECT_EQ(m_apollo.Seek(QString::fromLatin1(c.key)), c.found);
    EXPECT_EQ(m_apollo.Found(), c.found);
    EXPECT_EQ(m_table.eof() ? QString() : m_table.fieldText("NAME"), c.standsOn);
  }
}

TEST_F(ApolloTest, ReplaceAndGetMemo) {
  const QString memo = QString::fromUtf8("Zeile 1 – ä\r\nZeile 2");
  ASSERT_TRUE(m_apollo.Go(3));
  ASSERT_TRUE(m_apollo.Replace("NOTE", "M", memo));
  EXPECT_EQ(m_apollo.GetMemo("NOTE"), memo);
  ASSERT_TRUE(m_apollo.Replace("CITY", "C", "Reno"));
  EXPECT_EQ(m_table.fieldText("CITY"), "Reno");  // the table object follows
  EXPECT_EQ(m_apollo.RecNo(), 3);
  EXPECT_FALSE(m_apollo.Replace("CITY", "C", QString::fromUtf8("Łódź")));
  EXPECT_FALSE(m_apollo.Replace("NOSUCH", "C", "x"));
  EXPECT_EQ(m_apollo.GetMemo("NOSUCH"), "");
  ASSERT_TRUE(m_table.close());
  const RawRecord row = ReadRawTable(m_dir.file(QStringLiteral("T.DBF")))[2];
  EXPECT_EQ(row.fields.at("CITY") + "|" + row.fields.at("NOTE"),
            "Reno        |Zeile 1 \x96 \xE4\r\nZeile 2");
}

TEST_F(ApolloTest, CopyFileTakesTheVisibleRecordsWithTheirMemos) {
  m_env.SetDeleted(true);
  ASSERT_TRUE(m_apollo.Query(QStringLiteral("CITY <> 'Austin'")));
  m_apollo.SetOrder(m_apollo.TagArea(QStringLiteral("NAME")));
  ASSERT_TRUE(m_table.last());
  const int before = m_apollo.RecNo();
  std::vector<int> gauge;
  m_apollo.SetGaugeHook([&gauge](int percent) { gauge.push_back(percent); });
  const QString copy = m_dir.file(QStringLiteral("COPY.DBF"));
  ASSERT_TRUE(m_apollo.CopyFile(copy)) << m_apollo.LastError().toStdString();
  EXPECT_EQ(m_apollo.RecNo(), before);  // the table stays where it was
  EXPECT_EQ(gauge.empty() ? -1 : gauge.back(), 100);

  // In the current order, none flagged.
  std::vector<std::string> copied;
  for (RawRecord& r : ReadRawTable(copy)) {
    copied.push_back((r.deleted ? "*" : "") + r.fields["NAME"] + "|" + r.fields["NOTE"]);
  }
  EXPECT_EQ(copied, (std::vector<std::string>{"Adams     |memo three", "Miller    |memo one",
                                              "Young     |memo five"}));
}

TEST(ApolloEnvTest, EngineVersionCheckAndMemoBlockSize) {
  for (const char* v : {"2.40.00", "2.40.01", "2.41", "2.50.00 beta", "3.00.00", "10.0.0", "2.40"}) {
    EXPECT_TRUE(TApolloEnv::VersionAtLeast(QString::fromLatin1(v), "2.40.00")) << v;
  }
  for (const char* v : {"2.39.99", "2.4.0", "1.99.99", ""}) {
    EXPECT_FALSE(TApolloEnv::VersionAtLeast(QString::fromLatin1(v), "2.40.00")) << v;
  }
  RecordingMessages messages;
  EXPECT_TRUE(TApolloEnv::StartEngine());  // the engine built in passes its own check
  EXPECT_TRUE(messages.shown.isEmpty());
  TApolloEnv env;
  env.SetMemoBlockSize(0);
  EXPECT_EQ(env.MemoBlockSize(), 64) << "a memo block size of zero is refused";
}

}  // namespace
}  // namespace qv
