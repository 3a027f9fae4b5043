// The checked output file: a write cut short at any byte, or a failed
// final flush, leaves the target as it was and no side file beside it;
// the settings file and program folder that cannot be used are told.
#include "store/output_file.h"

#include <gtest/gtest.h>

#include <QDir>

#include "store/ini_file.h"
#include "store/settings.h"
#include "store_test_util.h"

namespace qv {
namespace {

using testing::ReadBytes;
using testing::Scratch;
using testing::WriteBytes;

QStringList Entries(const Scratch& dir) {
  return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

TEST(OutputFile, FailingAtEveryByteLeavesTheTargetAsItWas) {
  Scratch dir;
  const QString target = dir.file(QStringLiteral("out.txt"));
  const QByteArray pieces[] = {"first line\r\n", "", "second, longer line\r\n", "end"};
  const qint64 total = 36;
  for (qint64 budget = 0; budget <= total + 1; ++budget) {
    SCOPED_TRACE(budget);
    ASSERT_TRUE(WriteBytes(target, "old"));
    OutputFile::FailAfter(budget);
    bool ok;
    QString message;
    {
      OutputFile out(target);
      ok = out.open();
      for (const QByteArray& p : pieces) ok = out.put(p) && ok;
      ok = out.commit() && ok;
      message = out.message();
    }
    OutputFile::FailAfter(-1);
    EXPECT_EQ(Entries(dir), QStringList{QStringLiteral("out.txt")});
    if (budget <= total) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(ReadBytes(target), QByteArray("old"));
      EXPECT_EQ(message, QStringLiteral("cannot write %1: No space left on device")
                             .arg(QDir::toNativeSeparators(target)));
    } else {
      EXPECT_TRUE(ok) << message.toStdString();
      EXPECT_EQ(ReadBytes(target), QByteArray("first line\r\nsecond, longer line\r\nend"));
    }
  }
}

// A folder where the settings file should be cannot be read by anyone,
// root included: it is told, and no write replaces it.
TEST(SettingsFileProblems, AreToldNotReadAsDefaults) {
  Scratch dir;
  const QString path = dir.file(QStringLiteral("QUORVA.INI"));
  ASSERT_TRUE(QDir().mkpath(path));
  IniFile ini(path);
  QString message;
  EXPECT_FALSE(ini.readable(&message));
  EXPECT_TRUE(message.startsWith(QStringLiteral("Unable to read the settings file ") +
                                 QDir::toNativeSeparators(path)))
      << message.toStdString();
  EXPECT_FALSE(ini.writeString(QStringLiteral("Date"), QStringLiteral("DateSeparator"), QStringLiteral(".")));
  EXPECT_TRUE(IniFile(dir.file(QStringLiteral("missing.ini"))).readable(&message));

  ASSERT_TRUE(WriteBytes(dir.file(QStringLiteral("plain")), "x"));
  const QByteArray home = qgetenv("QUORVANE_HOME");
  qputenv("QUORVANE_HOME", dir.file(QStringLiteral("plain/quorvane")).toLocal8Bit());
  EXPECT_FALSE(MakeProgramDirectory(&message));
  qputenv("QUORVANE_HOME", home);
  EXPECT_TRUE(message.startsWith(QStringLiteral("Unable to create the program folder ")))
      << message.toStdString();
}

TEST(SettingsFileProblems, AFailedWriteKeepsTheFileAsItWas) {
  Scratch dir;
  const QString path = dir.file(QStringLiteral("QUORVA.INI"));
  const QByteArray before = "[Date]\r\nDateSeparator=.\r\n";
  const qint64 after = before.size() + 25;  // and "ShortDateFmt=dd.mm.yyyy\r\n"
  // The last budget is the first to leave room for the final flush.
  for (qint64 budget = 0; budget <= after + 1; ++budget) {
    ASSERT_TRUE(WriteBytes(path, before));
    OutputFile::FailAfter(budget);
    const bool wrote = IniFile(path).writeString(QStringLiteral("Date"), QStringLiteral("ShortDateFmt"),
                                                 QStringLiteral("dd.mm.yyyy"));
    OutputFile::FailAfter(-1);
    EXPECT_EQ(std::pair(wrote, ReadBytes(path)),
              std::pair(budget > after, budget > after ? before + "ShortDateFmt=dd.mm.yyyy\r\n" : before))
        << budget;
  }
}

}  // namespace
}  // namespace qv
