// The cell texts of the four report layouts and the memo's wrapping,
// worked out by hand from the field values.
#include "reports/user_report.h"

#include <gtest/gtest.h>


#include "field_map.h"
#include "labels_test_util.h"

namespace qv {
namespace {

using Fields = testing::FieldMap;
using testing::ReaderOf;

TEST(ReportCells, RowNameAndLayoutOneCityCell) {
  const struct {
    Fields fields;
    const char* rowName;
    const char* city;
  } cases[] = {
      {{{"LNAME", "Smith"}, {"FNAME", "John"}, {"MIDDLE", "Q"}}, "Smith, John Q.", ""},
      {{{"LNAME", "Smith"}}, "Smith, ", ""},
      {{{"FNAME", "Ann"}}, ", Ann ", ""},
      {{{"LNAME", "  Lee"}, {"FNAME", " Bo"}}, "Lee, Bo ", ""},
      {{}, ", ", ""},
      {{{"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207"}}, ", ", "Albany, NY  12207 "},
      {{{"STATE", "NY"}}, ", ", "NY  "},
      {{{"CITY", "Troy"}, {"ZIP", "12180"}}, ", ", "Troy, 12180 "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RowName(ReaderOf(c.fields)), QString::fromLatin1(c.rowName));
    EXPECT_EQ(CityCell1(ReaderOf(c.fields)), QString::fromLatin1(c.city));
  }
}

TEST(ReportCells, LayoutFourCells) {
  const struct {
    Fields fields;
    const char* name;
    const char* titleOrg;
    const char* city;
    const char* phone;
  } cases[] = {
      {{{"LNAME", "Smith"}, {"FNAME", "John"}, {"PREFIX", "Dr."}, {"MIDDLE", "Q"}},
       "Smith, Dr. John Q.", "", "", ""},
      // No prefix: the comma is followed by two blanks.
      {{{"LNAME", "Smith"}, {"FNAME", "John"}}, "Smith,  John ", "", "", ""},
      {{{"LNAME", "Smith"}}, "Smith, ", "", "", ""},
      // No last name: the name cell stays blank whatever else is set.
      {{{"FNAME", "John"}, {"PREFIX", "Mr."}}, "", "", "", ""},
      {{{"TITLE", "CEO"}, {"ORG", "Acme"}}, "", "CEO, Acme", "", ""},
      {{{"TITLE", "CEO"}}, "", "", "", ""},
      {{{"ORG", "Acme"}, {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207"}},
       "", "Acme", "Albany, NY, 12207", ""},
      {{{"ZIP", "12207"}, {"PHONE", "555-0100"}}, "", "", ", 12207", "Ph: 555-0100  "},
      {{{"PHONE", "1"}, {"FAX", "2"}}, "", "", "", "Ph: 1  Fax: 2  "},
      {{{"FAX", "2"}}, "", "", "", "Fax: 2  "},
  };
  for (const auto& c : cases) {
    const FieldReader f = ReaderOf(c.fields);
    EXPECT_EQ(NameCell4(f), QString::fromLatin1(c.name));
    EXPECT_EQ(TitleOrgCell4(f), QString::fromLatin1(c.titleOrg));
    EXPECT_EQ(CityCell4(f), QString::fromLatin1(c.city));
    EXPECT_EQ(PhoneCell4(f), QString::fromLatin1(c.phone));
  }
}

TEST(ReportCells, MemoWrapsAtWordsAndBreaksLongWords) {
  // One inch per character keeps the arithmetic visible.
  const auto measure = [](const QString& s) { return double(s.size()); };
  const struct {
    const char* memo;
    double width;
    QStringList lines;
  } cases[] = {
      {"", 10, {}},
      {" ", 10, {}},  // a single blank line is no line
      {"\r\n", 10, {}},
      {"short", 10, {"short"}},
      {"one two three four", 9, {"one two", "three", "four"}},
      {"a\r\nb\r\n", 10, {"a", "b"}},
      {"a\r\n\r\nb", 10, {"a", "", "b"}},
      {"abcdefghijkl", 5, {"abcde", "fghij", "kl"}},
      {"to abcdefgh", 4, {"to", "abcd", "efgh"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WrapMemoLines(QString::fromLatin1(c.memo), c.width, measure), c.lines) << c.memo;
  }
}

}  // namespace
}  // namespace qv
