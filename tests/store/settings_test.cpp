// The settings file: defaults, round trips of every key, files written by
// hand or on Windows, and where the program directory is.
#include "store/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "store/ini_file.h"
#include "store_test_util.h"

namespace qv {
namespace {

using testing::ReadBytes;
using testing::Scratch;
using testing::WriteBytes;

class SettingsTest : public ::testing::Test {
 protected:
  QString iniPath() const { return m_dir.file(QStringLiteral("QUORVA.INI")); }
  Scratch m_dir;
};

TEST_F(SettingsTest, EveryKeyRoundTrips) {
  IniFile ini(iniPath());
  EXPECT_TRUE(ReadRecentFiles(ini).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(iniPath())) << "reading never creates the file";
  ASSERT_TRUE(WriteDateSettings(
      ini, {QStringLiteral("."), QStringLiteral("dd.mm.yyyy"), QStringLiteral("!99.99.9999;1;_")}));
  AddingSettings a;
  a.defaultCountry = QStringLiteral("Canada");
  ASSERT_TRUE(WriteAddingSettings(ini, a));
  ASSERT_TRUE(WriteUserReportTitle(ini, QStringLiteral("Members 2024")));
  ASSERT_TRUE(WriteDialingSettings(ini, {QStringLiteral("9,"), 3, 1}));

  const DateSettings date = ReadDateSettings(IniFile(iniPath()));
  EXPECT_EQ(QStringList({date.separator, date.shortDateFmt, date.editMask}),
            QStringList({".", "dd.mm.yyyy", "!99.99.9999;1;_"}));
  EXPECT_EQ(ReadAddingSettings(ini).defaultCountry, "Canada");
  EXPECT_EQ(ReadUserReportTitle(ini, QStringLiteral("/x.DBF")), "Members 2024");
  const DialingSettings d = ReadDialingSettings(ini);
  EXPECT_TRUE(d.prefix == "9," && d.port == 3 && d.method == 1) << d.prefix.toStdString();
}

// Each flag alone, so two keys that share a name or a member show up.
TEST_F(SettingsTest, EachAddingFlagHasItsOwnKey) {
  struct Flag {
    const char* key;
    bool AddingSettings::*member;
  };
  const Flag flags[] = {
      {"PlugDate", &AddingSettings::plugDate},
      {"PlugCityState", &AddingSettings::plugCityState},
      {"AutoDupCheck", &AddingSettings::autoDupCheck},
      {"CarryOrg", &AddingSettings::carryOrg},
      {"CarrySA1", &AddingSettings::carryStreet},
      {"CarryCity", &AddingSettings::carryCity},
      {"CarryState", &AddingSettings::carryState},
      {"CarryZip", &AddingSettings::carryZip},
      {"CarryCountry", &AddingSettings::carryCountry},
  };
  for (const Flag& on : flags) {
    SCOPED_TRACE(on.key);
    QFile::remove(iniPath());
    IniFile ini(iniPath());
    AddingSettings a;
    a.*on.member = true;
    ASSERT_TRUE(WriteAddingSettings(ini, a));
    AddingSettings back = ReadAddingSettings(ini);
    for (const Flag& f : flags) EXPECT_EQ(back.*f.member, f.member == on.member) << f.key;

    // Booleans are stored as 0 and 1 under the key's own name.
    for (const Flag& f : flags) {
      const QByteArray line = QByteArray(f.key) + (f.member == on.member ? "=1\r\n" : "=0\r\n");
      EXPECT_TRUE(ReadBytes(iniPath()).contains(line)) << line.constData();
    }
  }
}

// Files kept by hand: sections and keys in any case, damaged lines skipped,
// and a Windows editor's ANSI code page, where 0x80 is the euro sign (not a
// control character as in Latin-1).
TEST_F(SettingsTest, ReadsFilesWrittenByHandOrOnWindows) {
  ASSERT_TRUE(WriteBytes(iniPath(),
                         "[Date\n[date]\nthis line means nothing\n=no key\n\x01\x02 garbage\n"
                         "shortdatefmt=yyyy.mm.dd\n[Dialing]\nPort=two\nMethod=2\n"
                         "[ADDING]\r\nplugdate=1\r\nDefaultCountry=\xD6sterreich\r\n"
                         "[UserDefinedReport]\r\nUserReportTitle=Beitr\xE4ge \x80 \x96 2024\r\n"));
  IniFile ini(iniPath());
  EXPECT_EQ(ReadDateSettings(ini).shortDateFmt, "yyyy.mm.dd");
  const DialingSettings d = ReadDialingSettings(ini);
  EXPECT_EQ(QList<int>({d.port, d.method}), QList<int>({0, 2}));  // "two": the default port
  EXPECT_TRUE(ini.readBool(QStringLiteral("Dialing"), QStringLiteral("Port"), true));
  EXPECT_TRUE(ReadAddingSettings(ini).plugDate);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(ReadAddingSettings(ini).defaultCountry, QString::fromUtf8("Österreich"));
    EXPECT_EQ(ReadUserReportTitle(ini, QString()), QString::fromUtf8("Beiträge € – 2024"));
    // Rewriting one key keeps the others' text, and replaces its own line
    // instead of adding a second one.
    ASSERT_TRUE(WriteDialingSettings(ini, {QStringLiteral("0"), 1, 1}));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Date"), QStringLiteral("ShortDateFmt"),
                                QStringLiteral("yy/mm/dd")));
  }
  EXPECT_EQ(ReadBytes(iniPath()).count("ShortDateFmt=yy/mm/dd\r\n"), 1);
  EXPECT_FALSE(ReadBytes(iniPath()).contains("shortdatefmt"));
}

TEST_F(SettingsTest, WritingKeepsEveryOtherLine) {
  ASSERT_TRUE(WriteBytes(iniPath(),
                         "; settings kept by hand\n[Date]\nDateSeparator=/\n# note about the format\n"
                         "ShortDateFmt=mm/dd/yy\n\n[Other]\nUnknown=keep me\n"));
  IniFile ini(iniPath());
  ASSERT_TRUE(ini.writeString(QStringLiteral("Date"), QStringLiteral("ShortDateFmt"),
                              QStringLiteral("dd.mm.yy")));
  ASSERT_TRUE(ini.writeString(QStringLiteral("Date"), QStringLiteral("DateEditMask"),
                              QStringLiteral("!99.99.99;1;_")));
  ASSERT_TRUE(ini.writeInteger(QStringLiteral("Dialing"), QStringLiteral("Port"), 2));
  EXPECT_EQ(ReadBytes(iniPath()),
            "; settings kept by hand\r\n[Date]\r\nDateSeparator=/\r\n# note about the format\r\n"
            "ShortDateFmt=dd.mm.yy\r\nDateEditMask=!99.99.99;1;_\r\n\r\n"
            "[Other]\r\nUnknown=keep me\r\n\r\n[Dialing]\r\nPort=2\r\n");
}

TEST_F(SettingsTest, RecentFilesKeepFourAndSkipEmptyValues) {
  IniFile ini(iniPath());
  const QStringList five = {"/d/1.DBF", "/d/2.DBF", "/d/3.DBF", "/d/4.DBF", "/d/5.DBF"};
  ASSERT_TRUE(WriteRecentFiles(ini, five));
  EXPECT_EQ(ReadRecentFiles(ini), five.mid(0, 4));
  EXPECT_FALSE(ReadBytes(iniPath()).contains("/d/5.DBF"));

  // A shorter list clears the slots behind it.
  ASSERT_TRUE(WriteRecentFiles(ini, {"/d/new=name.DBF"}));
  EXPECT_EQ(ReadRecentFiles(ini), QStringList({"/d/new=name.DBF"}));

  ASSERT_TRUE(WriteBytes(iniPath(), "[MRU]\nItem1=\nItem2=/x/b.DBF\nItem3=  \nItem4=/x/d.DBF\n"));
  EXPECT_EQ(ReadRecentFiles(IniFile(iniPath())), QStringList({"/x/b.DBF", "/x/d.DBF"}));
}

// A file we cannot read must not be replaced by one holding a single key.
TEST_F(SettingsTest, UnreadableFileIsNotOverwritten) {
  QByteArray big =
      "[Date]\r\nShortDateFmt=dd.mm.yy\r\n; " + QByteArray(2 * 1024 * 1024, 'x') + "\r\n";
  ASSERT_TRUE(WriteBytes(iniPath(), big));
  IniFile ini(iniPath());
  EXPECT_FALSE(
      ini.writeString(QStringLiteral("Dialing"), QStringLiteral("Port"), QStringLiteral("1")));
  EXPECT_EQ(ReadBytes(iniPath()), big);
  // Nor is a folder that is not there made.
  EXPECT_FALSE(IniFile(m_dir.file(QStringLiteral("no/such/folder/QUORVA.INI")))
                   .writeString(QStringLiteral("Date"), QStringLiteral("ShortDateFmt"),
                                QStringLiteral("mm/dd/yy")));
}

TEST_F(SettingsTest, ProgramDirectoryHonoursQuorvaneHomeElseTheDataHomeAndCreatesIt) {
  const QByteArray saved[] = {qgetenv("QUORVANE_HOME"), qgetenv("XDG_DATA_HOME")};
  const QString home = m_dir.file(QStringLiteral("a/b/home"));
  qputenv("QUORVANE_HOME", home.toLocal8Bit());
  qputenv("XDG_DATA_HOME", m_dir.file(QStringLiteral("xdg")).toLocal8Bit());
  EXPECT_EQ(ProgramDirectory(), home + "/");
  EXPECT_TRUE(QFileInfo(home).isDir());
  EXPECT_EQ(SettingsFile().path(), home + "/QUORVA.INI");
  EXPECT_FALSE(QFileInfo::exists(m_dir.file(QStringLiteral("xdg"))));
  qunsetenv("QUORVANE_HOME");
  EXPECT_EQ(ProgramDirectory(), m_dir.file(QStringLiteral("xdg/quorvane")) + "/");
  EXPECT_TRUE(QFileInfo(m_dir.file(QStringLiteral("xdg/quorvane"))).isDir());
  for (int i = 0; i < 2; ++i) {
    const char* name = i == 0 ? "QUORVANE_HOME" : "XDG_DATA_HOME";
    saved[i].isNull() ? qunsetenv(name) : qputenv(name, saved[i]);
  }
}

// A path with a line break would add a line of its own to the file.
TEST_F(SettingsTest, LineBreaksInAValueAreRefused) {
  IniFile ini(iniPath());
  EXPECT_FALSE(ini.writeString(QStringLiteral("MRU"), QStringLiteral("Item1"),
                               QStringLiteral("/home/ann/odd\nname.dbf")));
  EXPECT_TRUE(ini.readString(QStringLiteral("MRU"), QStringLiteral("Item1"), QString()).isEmpty());
  EXPECT_EQ(ini.readString(QStringLiteral("odd"), QStringLiteral("name.dbf"), QStringLiteral("none")),
            QStringLiteral("none"));
}

}  // namespace
}  // namespace qv
