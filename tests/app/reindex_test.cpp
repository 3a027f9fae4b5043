// The Rebuild Indexes window on a real contact file and support tables in a
// scratch program directory.
#include "app/reindex.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include "scripted_dialogs.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/support_install.h"
#include "store/table_object.h"
#include "damaged_index.h"
#include "table_walk.h"
#include "xbase/index.h"
#include "xbase/index_check.h"

namespace qv {
namespace {

class ReindexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallSupportTables(dir_.path()).isEmpty());
    env_.SetDeleted(true);
    apollo_.SetDataSource(&table_);
    path_ = dir_.filePath(QStringLiteral("contacts.dbf"));
    ASSERT_TRUE(CreateContactFile(path_, table_, apollo_));
    for (const char* name : {"Brown", "Adams", "Clark", "Davis", "Evans"}) {
      table_.insert();
      ASSERT_TRUE(table_.setFieldText("LNAME", QLatin1String(name)) && table_.post());
    }
  }

  // Marks every record whose last name is `name` deleted, as the main window does.
  void DeleteByName(const QString& name) {
    ASSERT_TRUE(apollo_.Query(QStringLiteral("TRIM(LNAME)==\"%1\"").arg(name)));
    EXPECT_TRUE(table_.first());
    table_.edit();
    ASSERT_TRUE(table_.setFieldText(QStringLiteral("PREFIX"), QStringLiteral("DELETED")) &&
                table_.post() && table_.deleteRecord() && apollo_.Query(QString()));
  }

  QTemporaryDir dir_;
  QString path_;
  testing::ScriptedDialogs dialogs_;
  TApolloEnv env_;
  TableObject table_{&env_};
  TApollo apollo_;
};

TEST_F(ReindexTest, PacksDeletedRecordsAndLeavesExactlyTheContactTags) {
  DeleteByName(QStringLiteral("Clark"));
  DeleteByName(QStringLiteral("Adams"));
  // A stray tag from elsewhere must not survive the rebuild.
  ASSERT_GT(apollo_.IndexTag(QString(), QStringLiteral("EXTRA"), QStringLiteral("UPPER(CITY)"), 0,
                             false, QString()),
            0);
  ASSERT_EQ(table_.recordCount(), 5);

  TQVReindex window(&table_, &apollo_, dir_.path());
  window.DoitClick();
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_TRUE(dialogs_.callsOf(QStringLiteral("information")).empty());

  EXPECT_EQ(table_.recordCount(), 3);
  ASSERT_EQ(table_.area()->order_count(), 21);
  EXPECT_EQ(table_.area()->TagArea("EXTRA"), 0);
  apollo_.SetOrder(apollo_.TagArea(QStringLiteral("LNAME")));
  QStringList names;
  testing::ForEachRow(table_, [&] { names << table_.fieldText(QStringLiteral("LNAME")); });
  EXPECT_EQ(names, (QStringList{"Brown", "Davis", "Evans"}));
}

// The old index is checked first: the user learns which tag was damaged,
// and the rebuild goes on. The support tables are packed too, and a
// missing one (the state/ZIP table) does not stop the others.
TEST_F(ReindexTest, DamagedTagIsReportedThenBuiltAnewAndSupportTablesArePacked) {
  {
    TableObject setups(&env_);
    setups.setDatabaseName(dir_.path());
    setups.setTableName(QStringLiteral("QVPLSU.DBF"));
    ASSERT_TRUE(setups.open());
    setups.insert();
    ASSERT_TRUE(setups.setFieldText(QStringLiteral("DESCRIPT"), QStringLiteral("Old setup")) &&
                setups.post() && setups.deleteRecord());
    EXPECT_EQ(setups.recordCount(), 2);
  }
  for (const char* ext : {"DBF", "cdx"}) {
    ASSERT_TRUE(QFile::remove(dir_.filePath(QStringLiteral("QVPSZCK.") + QLatin1String(ext))));
  }
  const std::string cdx = dir_.filePath(QStringLiteral("contacts.cdx")).toStdString();
  ASSERT_TRUE(apollo_.CloseIndexes());
  ASSERT_TRUE(qvtest::DropFirstKey(cdx, "LNAME"));
  TQVReindex window(&table_, &apollo_, dir_.path());
  window.DoitClick();
  const QStringList told = dialogs_.notices();
  EXPECT_TRUE(told.size() == 1 && told[0].contains("tag LNAME: ") && !told[0].contains("tag FNAME"))
      << told.join('|').toStdString();
  std::vector<xb::TagCheck> tags;
  ASSERT_TRUE(xb::CheckIndex(table_.area()->table(), cdx, &tags).ok());
  ASSERT_EQ(tags.size(), 21u);
  for (const xb::TagCheck& t : tags) EXPECT_TRUE(t.ok) << t.name << ": " << t.problem;

  TableObject setups(&env_);
  setups.setDatabaseName(dir_.path());
  setups.setTableName(QStringLiteral("QVPLSU.DBF"));
  setups.setIndexName(QStringLiteral("DESCRIPT"));
  ASSERT_TRUE(setups.open());
  EXPECT_TRUE(setups.recordCount() == 1 && setups.area()->order_count() == 1);
  EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("QVPSZCK.DBF"))));
}

TEST_F(ReindexTest, CancelClosesWithoutTouchingTheFile) {
  DeleteByName(QStringLiteral("Brown"));
  TQVReindex window(&table_, &apollo_, dir_.path());
  window.CancelButton->click();
  EXPECT_EQ(window.result(), QDialog::Rejected);
  EXPECT_EQ(table_.recordCount(), 5);
}

}  // namespace
}  // namespace qv
