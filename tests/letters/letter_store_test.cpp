// QVPLTRS.DBF: created when missing with the two fields, letters stored,
// replaced and read back through memory; a damaged file is never replaced.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>

#include "letters/letter_store.h"
#include "store/apollo.h"
#include "store/table_object.h"

namespace qv {
namespace {

TEST(LetterStore, CreatedWhenMissingThenStoresAndReplaces) {
  QTemporaryDir dir;
  TApolloEnv env;
  TableObject table(&env);
  TApollo apollo;
  ASSERT_TRUE(OpenLettersTable(dir.path(), table, apollo));
  ASSERT_EQ(table.fieldCount(), 2);
  const auto& fields = table.area()->table().fields();
  EXPECT_EQ(std::tuple(table.fieldName(0), fields[0].width, table.fieldName(1), fields[1].type,
                       table.eof()),
            std::tuple("DESCRIPT", 50, "RTF", 'M', true));

  RichDocument doc;
  QTextCursor(&doc.doc()).insertText(QString::fromUtf8("Dear [First], café"));
  QString error;
  ASSERT_TRUE(StoreLetter(table, "Welcome", doc, &error)) << error.toStdString();
  RichDocument other;
  QTextCursor(&other.doc()).insertText("Other");
  ASSERT_TRUE(StoreLetter(table, "Second", other, &error));
  QTextCursor(&doc.doc()).insertText("New ");
  ASSERT_TRUE(StoreLetter(table, "  welcome ", doc, &error));  // replaces, by description
  EXPECT_EQ(LetterDescriptions(table), (QStringList{"welcome", "Second"}));

  ASSERT_TRUE(table.close());
  ASSERT_TRUE(OpenLettersTable(dir.path(), table, apollo));
  ASSERT_TRUE(FindLetter(table, "WELCOME"));
  RichDocument back;
  ASSERT_TRUE(LoadRichText(table, &back).ok);
  EXPECT_EQ(back.doc().toPlainText(), QString::fromUtf8("New Dear [First], café"));
  EXPECT_FALSE(FindLetter(table, "Missing"));
}

TEST(LetterStore, DamagedFileIsNotCreatedAnew) {
  QTemporaryDir dir;
  QFile bad(dir.filePath("QVPLTRS.DBF"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("not a table at all");
  bad.close();
  TApolloEnv env;
  TableObject table(&env);
  TApollo apollo;
  EXPECT_FALSE(OpenLettersTable(dir.path(), table, apollo));
  ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
  EXPECT_EQ(bad.readAll(), "not a table at all");
}

}  // namespace
}  // namespace qv
