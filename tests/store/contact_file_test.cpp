// Contact files: what creation writes, and what opening says about files
// that are missing, foreign, damaged or without their index.
#include "store/contact_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

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
QString MissingIndex(const QString& name) {
  return "The index file for " + name +
         "\nis missing or invalid. Please select [Rebuild Indexes]\nfrom the [File] menu";
}

QStringList Files(const QString& dir) {
  QStringList names = QDir(dir).entryList(QDir::Files);
  names.sort();
  return names;
}

class ContactFileTest : public ::testing::Test {
 protected:
  // A contact file made by the program, with a few records.
  QString makeContacts(const QString& name) {
    const QString path = m_dir.file(name);
    TableObject table(&m_env);
    TApollo apollo;
    EXPECT_TRUE(CreateContactFile(path, table, apollo));
    for (const char* last : {"smith", "Adams", "Smith"}) {
      table.insert();
      EXPECT_TRUE(table.setFieldText("LNAME", QString::fromLatin1(last)));
      EXPECT_TRUE(table.setFieldText("MEMO", QStringLiteral("memo of ") + QString::fromLatin1(last)));
      EXPECT_TRUE(table.post());
    }
    EXPECT_TRUE(table.close());
    return path;
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
  ASSERT_TRUE(OpenContactFile(path, table));
  EXPECT_TRUE(m_messages.shown.isEmpty());
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
  EXPECT_EQ(layout(path.toStdString()), want);
  // It finds every record through every tag, kept through inserts and
  // built anew. Upkeep under edits and a pack is the engine's own check,
  // whose key encodings the index tests compare with the checker.
  const QString filled = makeContacts(QStringLiteral("filled.dbf"));
  for (bool rebuilt : {false, true}) {
    if (rebuilt) {
      ASSERT_TRUE(OpenContactFile(filled, table));
      ASSERT_TRUE(CreateContactTags(table, apollo));
      ASSERT_TRUE(table.close());
    }
    EXPECT_EQ(qvtest::Oracle({"verify", filled.toStdString()}), "ok 21 tags, 3 records\n");
  }
}

// New companions get the lower-case extensions xBase tools on Linux look
// for; an index built anew keeps the exact name it had.
TEST_F(ContactFileTest, CompanionNamesNewAndRebuilt) {
  struct Case {
    const char* name;
    const char* renameIndexTo;  // before the rebuild; nullptr: as created
    QStringList expected;       // after the rebuild
  };
  const Case cases[] = {
      {"X.DBF", nullptr, {"X.DBF", "X.cdx", "X.fpt"}},
      {"C5000.DBF", "C5000.CDX", {"C5000.CDX", "C5000.DBF", "C5000.fpt"}},
      {"list.dbf", "List.Cdx", {"List.Cdx", "list.dbf", "list.fpt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    const QString path = dir.file(QString::fromLatin1(c.name));
    {
      TableObject table(&m_env);
      TApollo apollo;
      ASSERT_TRUE(CreateContactFile(path, table, apollo));
    }
    if (c.renameIndexTo) {
      const QString made = dir.file(QFileInfo(path).completeBaseName() + ".cdx");
      ASSERT_TRUE(QFile::rename(made, dir.file(QString::fromLatin1(c.renameIndexTo))));
    }
    TableObject table(&m_env);
    TApollo apollo;
    ASSERT_TRUE(OpenContactFile(path, table));
    ASSERT_TRUE(CreateContactTags(table, apollo));
    EXPECT_EQ(table.area()->order_count(), 21);
    ASSERT_TRUE(table.close());
    EXPECT_EQ(Files(dir.path()), c.expected);
  }
}

// Files copied from Windows come in any letter case.
TEST_F(ContactFileTest, CompanionsInAnyLetterCaseAreFound) {
  makeContacts(QStringLiteral("contacts.dbf"));
  ASSERT_TRUE(QFile::rename(m_dir.file("contacts.dbf"), m_dir.file("CONTACTS.DBF")));
  ASSERT_TRUE(QFile::rename(m_dir.file("contacts.fpt"), m_dir.file("Contacts.FPT")));
  TableObject table(&m_env);
  ASSERT_TRUE(OpenContactFile(m_dir.file("CONTACTS.DBF"), table));
  EXPECT_TRUE(m_messages.shown.isEmpty()) << m_messages.shown.join("|").toStdString();
  EXPECT_EQ(table.indexName(), "LNAME");
  ASSERT_TRUE(table.first());
  EXPECT_EQ(table.fieldText("LNAME"), "Adams");
  EXPECT_EQ(table.fieldText("MEMO"), "memo of Adams");
}

// What opening says of a file that is missing, foreign or held elsewhere.
// BEGIN is on no screen, so a file without it still serves.
TEST_F(ContactFileTest, OpeningSaysWhyAFileIsRefused) {
  TableObject holder(&m_env);
  struct Case {
    const char* name;
    std::function<void(const QString&)> make;
    bool opens;
    bool notFound;  // else unable to open
  };
  // A table of the contact fields without `field`.
  const auto without = [](long field, std::vector<std::vector<std::string>> rows) {
    return [=](const QString& p) {
      std::vector<xb::FieldDef> fields = kContactFields;
      fields.erase(fields.begin() + field);
      ASSERT_TRUE(MakeTable(p, fields, rows).ok());
    };
  };
  const Case cases[] = {
      {"NOPE.DBF", [](const QString&) {}, false, true},
      {"TEXT.DBF",
       [](const QString& p) { ASSERT_TRUE(WriteBytes(p, "LNAME,FNAME\r\nSmith,Ann\r\n")); },
       false, false},
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = m_dir.file(QString::fromLatin1(c.name));
    c.make(path);
    m_messages.shown.clear();
    TableObject table(&m_env);
    EXPECT_EQ(OpenContactFile(path, table), c.opens);
    EXPECT_EQ(table.active(), c.opens);
    if (!c.opens) {
      EXPECT_EQ(m_messages.shown,
                QStringList({c.notFound ? "File " + path + " not found" : UnableToOpen(path)}));
    }
  }
  // The refused second open took nothing from the holder, and left nothing held.
  EXPECT_TRUE(holder.active());
  ASSERT_TRUE(holder.close());
  TableObject second(&m_env);
  EXPECT_TRUE(OpenContactFile(m_dir.file(QStringLiteral("HELD.DBF")), second));
}

TEST_F(ContactFileTest, UnusableIndexOpensInNaturalOrderUntilTheTagsAreRebuilt) {
  struct Case {
    const char* what;
    std::function<void(const QString& cdx)> spoil;
  };
  const Case cases[] = {
      {"no index file", [](const QString& cdx) { ASSERT_TRUE(QFile::remove(cdx)); }},
      {"garbage index",
       [](const QString& cdx) { ASSERT_TRUE(WriteBytes(cdx, QByteArray(2048, '\x5A'))); }},
      {"zeroed index", [](const QString& cdx) { ASSERT_TRUE(WriteBytes(cdx, QByteArray(1024, '\0'))); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString path = makeContacts(QStringLiteral("LIST.DBF"));
    c.spoil(m_dir.file(QStringLiteral("LIST.cdx")));
    m_messages.shown.clear();
    TableObject table(&m_env);
    ASSERT_TRUE(OpenContactFile(path, table));
    EXPECT_EQ(m_messages.shown, QStringList({MissingIndex(path)}));
    ASSERT_TRUE(table.active());
    EXPECT_EQ(table.area()->IndexOrd(), 0);
    EXPECT_EQ(Column(table, "LNAME"), QStringList({"smith", "Adams", "Smith"}));
    // Rebuilt tags mend it.
    TApollo apollo;
    apollo.SetDataSource(&table);
    ASSERT_TRUE(CreateContactTags(table, apollo));
    EXPECT_EQ(table.area()->order_count(), 21);
    ASSERT_TRUE(table.close());
    m_messages.shown.clear();
    ASSERT_TRUE(OpenContactFile(path, table));
    EXPECT_TRUE(m_messages.shown.isEmpty());
    ASSERT_TRUE(table.first());
    EXPECT_EQ(table.fieldText("LNAME"), "Adams");
    ASSERT_TRUE(table.close());
    for (const char* ext : {".DBF", ".fpt", ".cdx"}) QFile::remove(m_dir.file("LIST") + ext);
  }
}

TEST_F(ContactFileTest, IndexLackingACheckedTag) {
  struct Case {
    const char* missing;
    bool complains;
  };
  // The last three tags are not needed by any screen.
  const Case cases[] = {{"DELETED", true}, {"NAME", true}, {"STATEZIP", false}, {"SEQNO", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    std::vector<std::pair<std::string, std::string>> tags;
    for (const TagDef& t : ContactTags()) {
      if (std::string(t.name) != c.missing) tags.push_back({t.name, "UPPER(LNAME)"});
    }
    Scratch dir;
    const QString path = dir.file(QStringLiteral("TAGS.DBF"));
    ASSERT_TRUE(MakeTable(path, kContactFields, {{"Smith"}}, tags).ok());
    m_messages.shown.clear();
    TableObject table(&m_env);
    ASSERT_TRUE(OpenContactFile(path, table));
    EXPECT_EQ(m_messages.shown.size(), c.complains ? 1 : 0);
    EXPECT_EQ(table.indexName(), c.complains ? "" : "LNAME");
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
