// Contact files: what creation writes, and what opening says about files
// that are missing, foreign, damaged or without their index.
#include "store/contact_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>
#include <optional>

#include "store/apollo.h"
#include "store/contact_schema.h"
#include "store/table_object.h"
#include "store_test_util.h"

namespace qv {
namespace {

using testing::Column;
using testing::MakeTable;
using testing::ReadBytes;
using testing::RecordingMessages;
using testing::Scratch;
using testing::WriteBytes;

const std::vector<xb::FieldDef>& kContactFields = ContactFields();

QString UnableToOpen(const QString& name) {
  return "Unable to open " + name +
         "\n\n * May not an Quorvane file.\n * May be in use by another program or user";
}

class ContactFileTest : public ::testing::Test {
 protected:
  // A contact file made by the program, with a few records.
  QString makeContacts(const QString& name) {
    const QString path = m_dir.file(name);
    TableObject table(&m_env);
    TApollo apollo;
    EXPECT_TRUE(CreateContactFile(path, table, apollo));
    for (const QString last : {"smith", "Adams", "Smith"}) {
      table.insert();
      EXPECT_TRUE(table.setFieldText("LNAME", last) &&
                  table.setFieldText("MEMO", "memo of " + last));
      EXPECT_TRUE(table.post());
    }
    EXPECT_TRUE(table.close());
    return path;
  }
  // Opens `path` afresh, expecting `opens` and the notices `told` (any, when null).
  void expectOpen(const QString& path, TableObject& table, bool opens,
                  std::optional<QStringList> told) {
    m_messages.shown.clear();
    EXPECT_EQ(OpenContactFile(path, table), opens);
    EXPECT_EQ(table.active(), opens);
    if (told) EXPECT_EQ(m_messages.shown, *told);
  }
  // Rebuilds the tags of the open `table`: all 21 are there after.
  static void rebuildTags(TableObject& table) {
    TApollo apollo;
    apollo.SetDataSource(&table);
    ASSERT_TRUE(CreateContactTags(table, apollo));
    EXPECT_EQ(table.area()->order_count(), 21);
  }

  Scratch m_dir;
  TApolloEnv m_env;
  RecordingMessages m_messages;
};

// The fields and tags are the checker's: it lists those of a file we
// create as those of a contact file it made itself.
TEST_F(ContactFileTest, NewFileHasTheContactLayout) {
  const QString path = m_dir.file(QStringLiteral("new.dbf"));
  TableObject table(&m_env);
  TApollo apollo;
  ASSERT_TRUE(CreateContactFile(path, table, apollo));
  EXPECT_TRUE(m_messages.shown.isEmpty());
  ASSERT_TRUE(table.active());
  EXPECT_EQ(table.area()->table().record_count(), 0u);
  ASSERT_TRUE(table.close());
  expectOpen(path, table, true, QStringList());
  EXPECT_EQ(table.area()->IndexOrd(), table.area()->TagArea("LNAME"));
  EXPECT_EQ(table.indexName(), "LNAME");
  ASSERT_TRUE(table.close());

  QV_SKIP_WITHOUT_ORACLE();
  ASSERT_TRUE(WriteBytes(m_dir.file("rows.tsv"), ""));
  const std::string theirs = m_dir.file("theirs.dbf").toStdString();
  qvtest::Oracle({"make", theirs, m_dir.file("rows.tsv").toStdString()});
  auto layout = [](const std::string& dbf) {
    std::vector<std::string> lines;
    for (const std::string& line : qvtest::SplitLines(qvtest::Oracle({"info", dbf}))) {
      if (line.rfind("field\t", 0) == 0 || line.rfind("tag\t", 0) == 0) lines.push_back(line);
    }
    return lines;
  };
  const std::vector<std::string> want = layout(theirs);
  EXPECT_EQ(want.size(), 20u + 21u);
  // That the checker accepts the tags as they are kept up and built anew is
  // the index tests' comparison.
  EXPECT_EQ(layout(path.toStdString()), want);
}

// New companions get the lower-case extensions xBase tools on Linux look
// for; an index built anew keeps the exact name it had. Files copied from
// Windows come in any letter case.
TEST_F(ContactFileTest, CompanionNamesNewRebuiltAndFound) {
  const struct {
    const char* name;
    const char* renameIndexTo;  // before the rebuild; nullptr: as created
    QStringList expected;       // after the rebuild
  } cases[] = {
      {"X.DBF", nullptr, {"X.DBF", "X.cdx", "X.fpt"}},
      {"C5000.DBF", "C5000.CDX", {"C5000.CDX", "C5000.DBF", "C5000.fpt"}},
      {"list.dbf", "List.Cdx", {"List.Cdx", "list.dbf", "list.fpt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    const QString path = dir.file(QString::fromLatin1(c.name));
    TableObject table(&m_env);
    TApollo apollo;
    ASSERT_TRUE(CreateContactFile(path, table, apollo));
    ASSERT_TRUE(table.close());
    if (c.renameIndexTo) {
      const QString made = dir.file(QFileInfo(path).completeBaseName() + ".cdx");
      ASSERT_TRUE(QFile::rename(made, dir.file(QString::fromLatin1(c.renameIndexTo))));
    }
    ASSERT_TRUE(OpenContactFile(path, table));
    rebuildTags(table);
    ASSERT_TRUE(table.close());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), c.expected);
  }
  makeContacts(QStringLiteral("contacts.dbf"));
  ASSERT_TRUE(QFile::rename(m_dir.file("contacts.dbf"), m_dir.file("CONTACTS.DBF")));
  ASSERT_TRUE(QFile::rename(m_dir.file("contacts.fpt"), m_dir.file("Contacts.FPT")));
  TableObject table(&m_env);
  expectOpen(m_dir.file("CONTACTS.DBF"), table, true, QStringList());
  EXPECT_EQ(table.indexName(), "LNAME");
  ASSERT_TRUE(table.first());
  EXPECT_EQ(QStringList({table.fieldText("LNAME"), table.fieldText("MEMO")}),
            QStringList({"Adams", "memo of Adams"}));
}

// What opening says of a file that is missing, foreign or held elsewhere.
// BEGIN is on no screen, so a file without it still serves.
TEST_F(ContactFileTest, OpeningSaysWhyAFileIsRefused) {
  TableObject holder(&m_env);
  // A table of the contact fields without `field`.
  const auto without = [](long field, std::vector<std::vector<std::string>> rows) {
    return [=](const QString& p) {
      std::vector<xb::FieldDef> fields = kContactFields;
      fields.erase(fields.begin() + field);
      ASSERT_TRUE(MakeTable(p, fields, rows).ok());
    };
  };
  const struct {
    const char* name;
    std::function<void(const QString&)> make;
    bool opens;
    bool notFound;  // else unable to open
  } cases[] = {
      {"NOPE.DBF", [](const QString&) {}, false, true},
      {"TEXT.DBF",
       [](const QString& p) { ASSERT_TRUE(WriteBytes(p, "LNAME,FNAME\r\nSmith,Ann\r\n")); }, false,
       false},
      {"CUT.DBF",
       [this](const QString& p) {
         ASSERT_TRUE(WriteBytes(p, ReadBytes(makeContacts(QStringLiteral("whole.dbf"))).left(100)));
       },
       false, false},
      {"NOEMAIL.DBF", without(11, {{"Smith"}}), false, false},
      {"NOMEMO.DBF", without(19, {}), false, false},
      {"HELD.DBF",
       [&](const QString& p) {
         makeContacts(QStringLiteral("HELD.DBF"));
         ASSERT_TRUE(OpenContactFile(p, holder));
       },
       false, false},
      {"NOBEGIN.DBF", without(17, {{"Smith"}}), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = m_dir.file(QString::fromLatin1(c.name));
    c.make(path);
    TableObject table(&m_env);
    const QString why = c.notFound ? "File " + path + " not found" : UnableToOpen(path);
    expectOpen(path, table, c.opens,
               c.opens ? std::nullopt : std::optional<QStringList>(QStringList{why}));
  }
  // The refused second open took nothing from the holder, and left nothing held.
  EXPECT_TRUE(holder.active());
  ASSERT_TRUE(holder.close());
  TableObject second(&m_env);
  EXPECT_TRUE(OpenContactFile(m_dir.file(QStringLiteral("HELD.DBF")), second));
}

TEST_F(ContactFileTest, UnusableIndexOpensInNaturalOrderUntilTheTagsAreRebuilt) {
  const std::pair<const char*, std::function<void(const QString& cdx)>> cases[] = {
      {"no index file", [](const QString& cdx) { ASSERT_TRUE(QFile::remove(cdx)); }},
      {"garbage index",
       [](const QString& cdx) { ASSERT_TRUE(WriteBytes(cdx, QByteArray(2048, '\x5A'))); }},
      {"zeroed index",
       [](const QString& cdx) { ASSERT_TRUE(WriteBytes(cdx, QByteArray(1024, '\0'))); }},
  };
  for (const auto& [what, spoil] : cases) {
    SCOPED_TRACE(what);
    const QString path = makeContacts(QStringLiteral("LIST.DBF"));
    spoil(m_dir.file(QStringLiteral("LIST.cdx")));
    TableObject table(&m_env);
    expectOpen(path, table, true,
               QStringList{"The index file for " + path +
                           "\nis missing or invalid. Please select [Rebuild Indexes]\n"
                           "from the [File] menu"});
    EXPECT_EQ(table.area()->IndexOrd(), 0);
    EXPECT_EQ(Column(table, "LNAME"), QStringList({"smith", "Adams", "Smith"}));
    rebuildTags(table);  // mends it
    ASSERT_TRUE(table.close());
    expectOpen(path, table, true, QStringList());
    ASSERT_TRUE(table.first());
    EXPECT_EQ(table.fieldText("LNAME"), "Adams");
    ASSERT_TRUE(table.close());
    for (const char* ext : {".DBF", ".fpt", ".cdx"}) QFile::remove(m_dir.file("LIST") + ext);
  }
}

TEST_F(ContactFileTest, IndexLackingACheckedTag) {
  // The last three tags are not needed by any screen.
  const std::pair<const char*, bool> cases[] = {
      {"DELETED", true}, {"NAME", true}, {"STATEZIP", false}, {"SEQNO", false}};
  for (const auto& [missing, complains] : cases) {
    SCOPED_TRACE(missing);
    std::vector<std::pair<std::string, std::string>> tags;
    for (const TagDef& t : ContactTags()) {
      if (std::string(t.name) != missing) tags.push_back({t.name, "UPPER(LNAME)"});
    }
    Scratch dir;
    const QString path = dir.file(QStringLiteral("TAGS.DBF"));
    ASSERT_TRUE(MakeTable(path, kContactFields, {{"Smith"}}, tags).ok());
    m_messages.shown.clear();
    TableObject table(&m_env);
    ASSERT_TRUE(OpenContactFile(path, table));
    EXPECT_EQ(m_messages.shown.size(), complains ? 1 : 0);
    EXPECT_EQ(table.indexName(), complains ? "" : "LNAME");
  }
}

TEST_F(ContactFileTest, CreationFailureIsReported) {
  TableObject table(&m_env);
  TApollo apollo;
  EXPECT_FALSE(CreateContactFile(m_dir.file(QStringLiteral("no/such/dir/A.DBF")), table, apollo));
  EXPECT_EQ(m_messages.shown, QStringList({"File creation failed"}));
  EXPECT_FALSE(table.active());
}

}  // namespace
}  // namespace qv
