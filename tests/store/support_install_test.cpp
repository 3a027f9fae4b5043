// First start: the six support tables built from the sources inside the
// program, checked against the independent xBase checker, and the
// command-line tool's create and init.
#include "store/support_install.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>

#include "store/support_data.h"
#include "store_test_util.h"

namespace qv {
namespace {

using testing::Exec;
using testing::MakeTable;
using testing::ProcessResult;
using testing::ReadBytes;
using testing::ReadRawTable;
using testing::Scratch;

// Harbour looks for companions only in lower case on Linux: the checker
// gets lower-case copies. Returns the copy of the table.
QString LowerCaseCopy(const QString& dir, const QString& table, const QString& into) {
  for (const QString& f : QDir(dir).entryList(QDir::Files)) {
    if (QFileInfo(f).completeBaseName().compare(table, Qt::CaseInsensitive) == 0) {
      QFile::copy(dir + "/" + f, into + "/" + f.toLower());
    }
  }
  return into + "/" + table.toLower() + ".dbf";
}

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
}

TEST(SupportInstallTest, CheckerAcceptsEveryTable) {
  QV_SKIP_WITHOUT_ORACLE();
  Scratch dir, copies;
  ASSERT_EQ(InstallSupportTables(dir.path()), QStringList());
  for (const SupportTable& t : SupportTables()) {
    SCOPED_TRACE(std::string(t.name));
    const QString copy = LowerCaseCopy(dir.path(), QString::fromLatin1(t.name), copies.path());
    const size_t records = ReadRawTable(copy).size();
    ProcessResult r = Exec({QV_XBCHECK, "verify", copy.toStdString()});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "ok 1 tags, " + std::to_string(records) + " records\n");
  }
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

  EXPECT_EQ(InstallSupportTables(dir.path()), QStringList());
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

TEST(SupportInstallTest, UnknownTableIsRefused) {
  Scratch dir;
  QString why;
  EXPECT_FALSE(BuildSupportTable(QStringLiteral("QVPNOPE"), dir.path(), &why));
  EXPECT_FALSE(why.isEmpty());
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(CliTest, CreateWritesAnEmptyContactFile) {
  Scratch dir;
  const std::string path = dir.file(QStringLiteral("NEW.DBF")).toStdString();
  ProcessResult made = Exec({QV_CLI, "create", path});
  ASSERT_EQ(made.status, 0);
  EXPECT_EQ(made.out, "created " + path + ", 21 tags\n");
  // A second create does not overwrite it.
  const QByteArray bytes = ReadBytes(QString::fromStdString(path));
  EXPECT_EQ(Exec({QV_CLI, "create", path}).status, 1);
  EXPECT_EQ(ReadBytes(QString::fromStdString(path)), bytes);
}

TEST(CliTest, InitInstallsTheProgramDirectory) {
  Scratch dir;
  const std::string home = dir.file(QStringLiteral("home")).toStdString();
  const std::string env = "QUORVANE_HOME=" + qvtest::ShellQuote(home) + " ";
  ProcessResult r = Exec({QV_CLI, "init"}, env);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out, home + "/\n");
  // The support tables themselves are the library's tests above.
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(home) + "/QUORVA1.DBF"));
}

}  // namespace
}  // namespace qv
