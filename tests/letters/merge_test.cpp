// The merge on the edge cases of the letters: name and address blocks
// worked out by hand, token order, formats kept, unknown tokens left alone.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>

#include "field_map.h"
#include "letters/merge.h"
#include "richtext/rtf.h"

namespace qv {
namespace {

using Record = testing::FieldMap;
using testing::ReaderOf;

TEST(Merge, NameAndAddressBlocks) {
  struct Case {
    const char* name;
    Record record;
    QString fullName, address, cityLine;
  };
  const Case cases[] = {
      {"only LNAME", {{"LNAME", "Smith"}}, "Smith ", "Smith \r\n", ""},
      {"one-letter middle",
       {{"PREFIX", "Dr."}, {"FNAME", "Ann"}, {"MIDDLE", "B"}, {"LNAME", "Lee"}},
       "Dr. Ann B. Lee ", "Dr. Ann B. Lee \r\n", ""},
      {"title only", {{"LNAME", "Lee"}, {"TITLE", "CEO"}}, "Lee ", "Lee \r\nCEO\r\n", ""},
      {"org only", {{"LNAME", "Lee"}, {"ORG", "Acme"}}, "Lee ", "Lee \r\nAcme\r\n", ""},
      {"title and org", {{"LNAME", "Lee"}, {"TITLE", "CEO"}, {"ORG", "Acme"}}, "Lee ",
       "Lee \r\nCEO,  Acme\r\n", ""},
      {"full address",
       {{"FNAME", "Jo"}, {"LNAME", "Ray"}, {"STREET", "1 Main St"}, {"CITY", "Utica"},
        {"STATE", "NY"}, {"ZIP", "13501"}, {"COUNTRY", "USA"}},
       "Jo Ray ", "Jo Ray \r\n1 Main St\r\nUtica NY  13501\r\nUSA\r\n", "Utica NY 13501"},
      {"state empty: two blanks before the ZIP",
       {{"LNAME", "Ray"}, {"CITY", "Paris"}, {"ZIP", "75001"}}, "Ray ",
       "Ray \r\nParis  75001\r\n", "Paris  75001"},
      {"only the ZIP", {{"LNAME", "Ray"}, {"ZIP", "75001"}}, "Ray ", "Ray \r\n75001\r\n", "75001"},
      {"nothing at all", {}, "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FullName(ReaderOf(c.record)), c.fullName) << c.name;
    EXPECT_EQ(NameAndAddress(ReaderOf(c.record)), c.address) << c.name;
    RichDocument doc;
    QTextCursor(&doc.doc()).insertText("<[City+State+Zip]>");
    ReplaceTokens(doc, ReaderOf(c.record), "01/02/2026");
    EXPECT_EQ(doc.doc().toPlainText(), "<" + c.cityLine + ">") << c.name;
  }
}

TEST(Merge, EveryTokenGetsItsValue) {
  const Record r = {{"PREFIX", "Mr."}, {"FNAME", "Al"},     {"MIDDLE", "Q"},
                    {"LNAME", "Bo"},   {"TITLE", "VP"},     {"ORG", "Co"},
                    {"STREET", "St"},  {"CITY", "Ci"},      {"STATE", "ST"},
                    {"ZIP", "12345"},  {"COUNTRY", "Land"}, {"PHONE", "555"},
                    {"FAX", "556"},    {"EMAIL", "a@b.c"}};
  RichDocument doc;
  QString text;
  for (const QString& name : MergeTokenNames()) {
    if (name != "Name and Address") text += "[" + name + "]|";
  }
  QTextCursor(&doc.doc()).insertText(text + "[Nickname]|[first]");
  ReplaceTokens(doc, ReaderOf(r), "12/24/2026");
  EXPECT_EQ(doc.doc().toPlainText(),
            "Mr. Al Q. Bo |Al|Bo|Q|Mr.|VP|Co|St|Ci ST 12345|Ci|ST|ST|12345|12345|Land|555|556|"
            "a@b.c|12/24/2026|[Nickname]|Al");
}

TEST(Merge, ValuesKeepTheTokensFormat) {
  RichDocument doc;
  ASSERT_TRUE(ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}\\f0 Dear {\\b\\f1\\fs30 "
                      "[First]}, [Name and Address]end\\par}",
                      &doc)
                  .ok);
  ReplaceTokens(doc, ReaderOf({{"FNAME", "Ann"}, {"LNAME", "Lee"}, {"STREET", "1 Rd"}}), "");
  const QTextBlock block = doc.doc().begin();
  EXPECT_EQ(block.text(), QString("Dear Ann, Ann Lee ") + QChar(QChar::LineSeparator) + "1 Rd" +
                              QChar(QChar::LineSeparator) + "end");
  EXPECT_FALSE(block.next().isValid());  // the address lines stay in one paragraph
  QTextCursor c(&doc.doc());
  c.setPosition(6);  // inside "Ann"
  EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);
  EXPECT_EQ(c.charFormat().fontPointSize(), 15.0);
  EXPECT_EQ(c.charFormat().fontFamilies().toStringList().value(0), "Courier New");
  c.setPosition(13);  // inside the address
  EXPECT_EQ(c.charFormat().fontWeight(), QFont::Normal);
  EXPECT_EQ(c.charFormat().fontFamilies().toStringList().value(0), "Arial");
}

TEST(Merge, ValueHoldingATokenIsNotReplacedAgainButLaterTokensAre) {
  RichDocument doc;
  QTextCursor(&doc.doc()).insertText("[First] [First]");
  EXPECT_EQ(DoMerge(doc.doc(), "First", "[First]x"), 2);
  EXPECT_EQ(doc.doc().toPlainText(), "[First]x [First]x");
  // A first name that reads "[Last]" is replaced when Last's turn comes.
  RichDocument later;
  QTextCursor(&later.doc()).insertText("[First]");
  ReplaceTokens(later, ReaderOf({{"FNAME", "[Last]"}, {"LNAME", "Lee"}}), "");
  EXPECT_EQ(later.doc().toPlainText(), "Lee");
  // An empty value removes the token.
  EXPECT_EQ(DoMerge(doc.doc(), "First", ""), 2);
  EXPECT_EQ(doc.doc().toPlainText(), "x x");
}

}  // namespace
}  // namespace qv
