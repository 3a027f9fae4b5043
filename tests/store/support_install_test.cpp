// First start: the six support tables built from the sources inside the
// program. That the checker reads what the engine writes is the engine's
// test; the command-line tool's create and init are its own.
#include "store/support_install.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <set>

#include "store/support_data.h"
#include "store_test_util.h"

namespace qv {
namespace {

using testing::MakeTable;
using testing::ReadBytes;
using testing::Scratch;

std::map<QString, QByteArray> Snapshot(const QString& dir) {
  std::map<QString, QByteArray> files;
  for (const QString& f : QDir(dir).entryList(QDir::Files)) files[f] = ReadBytes(dir + "/" + f);
  return files;
}

TEST(SupportInstallTest, EmptyDirectoryGetsAllSixTables) {
  Scratch dir;
  const QString target = dir.file(QStringLiteral("program"));  // made on the way
  EXPECT_EQ(InstallSupportTables(target), QStringList());
  for (const SupportTable& t : SupportTables()) {
    SCOPED_TRACE(std::string(t.name));
    const QString path = target + "/" + QString::fromLatin1(t.name) + ".DBF";
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo::exists(target + "/" + QString::fromLatin1(t.name) + ".cdx"));
    xb::Settings settings;
    std::unique_ptr<xb::WorkArea> area;
    ASSERT_TRUE(xb::WorkArea::Open(path.toStdString(), xb::OpenOptions(), &settings, &area).ok());
    ASSERT_TRUE(area->index_status().ok());
    ASSERT_EQ(area->order_count(), 1);
    EXPECT_EQ(area->OrderInfo(1).name, t.tag);
    EXPECT_EQ(area->OrderInfo(1).key_expr, t.key);
    EXPECT_GT(area->table().record_count(), 0u);
  }
  // An unknown table is refused.
  Scratch empty;
  QString why;
  EXPECT_FALSE(BuildSupportTable(QStringLiteral("QVPNOPE"), empty.path(), &why));
  EXPECT_FALSE(why.isEmpty());
  EXPECT_TRUE(QDir(empty.path()).isEmpty());
}

TEST(SupportInstallTest, ExistingTablesAreLeftAlone) {
  Scratch dir;
  // The user's own label stocks, and a letters file copied in lower case.
  ASSERT_TRUE(MakeTable(dir.file(QStringLiteral("QVPLBLS.DBF")), {{"USERDESC", 'C', 60, 0}},
                        {{"My own stock"}})
                  .ok());
  ASSERT_TRUE(
      MakeTable(dir.file(QStringLiteral("qvpltrs.dbf")), {{"DESCRIPT", 'C', 50, 0}}, {}).ok());
  const std::map<QString, QByteArray> before = Snapshot(dir.path());

  // A stock table without the stock fields is not one to add stocks to.
  EXPECT_EQ(InstallSupportTables(dir.path()),
            QStringList("The new label stocks could not be added to QVPLBLS.DBF: it has no "
                        "LBLHEIGHT field (0 were added)"));
  const std::map<QString, QByteArray> after = Snapshot(dir.path());
  for (const auto& [name, bytes] : before) {
    ASSERT_TRUE(after.count(name)) << name.toStdString();
    EXPECT_EQ(after.at(name), bytes) << name.toStdString();
  }
  EXPECT_FALSE(after.count(QStringLiteral("QVPLTRS.DBF")));
  EXPECT_FALSE(after.count(QStringLiteral("QVPLBLS.cdx")));
  for (const char* made : {"QVPENVS.DBF", "QVPSZCK.DBF", "QVPLSU.DBF", "QVPESU.DBF"}) {
    EXPECT_TRUE(after.count(QString::fromLatin1(made))) << made;
  }
}

// A QVPLBLS.DBF from before the larger stock list: three delivered stocks
// (one of them deleted by the user) and one of the user's own.
TEST(SupportInstallTest, AnOldStockTableGainsTheNewStocksOnce) {
  SupportTableData source;
  ASSERT_TRUE(ReadSupportCsv(QV_SOURCE_DIR "/data/support/QVPLBLS.csv", &source).ok());
  std::vector<std::string> mine = source.rows[0];
  mine[0] = "My own 5160 copy";
  mine.back() = "T";
  Scratch dir;
  const QString path = dir.file(QStringLiteral("qvplbls.dbf"));
  ASSERT_TRUE(MakeTable(path, source.fields, {source.rows[0], source.rows[1], mine, source.rows[2]},
                        {{"USERDESC", "UPPER(USERDESC)"}}, {2})
                  .ok());
  auto rows = [&path] {
    std::vector<std::string> out;
    for (const auto& r : testing::ReadRawTable(path)) out.push_back(r.fields.at("USERDESC"));
    return out;
  };
  const std::vector<std::string> before = rows();
  QStringList notes;
  EXPECT_EQ(InstallSupportTables(dir.path(), &notes), QStringList());
  const size_t added = source.rows.size() - 3;
  EXPECT_EQ(notes, QStringList(QStringLiteral("%1 new label stocks were added to QVPLBLS.DBF; "
                                              "your own definitions are as they were.")
                                   .arg(added)));
  std::vector<std::string> after = rows();
  ASSERT_EQ(after.size(), before.size() + added);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << "old rows kept";
  std::set<std::string> unique(after.begin(), after.end());
  EXPECT_EQ(unique.size(), after.size()) << "no stock twice";

  // Once: the directory notes it, so a stock the user later deletes and
  // packs away is not brought back.
  const QByteArray table = ReadBytes(path);
  notes.clear();
  EXPECT_EQ(InstallSupportTables(dir.path(), &notes), QStringList());
  EXPECT_EQ(notes, QStringList());
  EXPECT_EQ(ReadBytes(path), table);
}

}  // namespace
}  // namespace qv
