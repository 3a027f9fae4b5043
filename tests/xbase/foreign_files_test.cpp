// Tables written by other programs, kept as small files under tests/data.
#include <gtest/gtest.h>

#include <string>

#include "xbase/expr.h"
#include "xbase/table.h"

namespace xb {
namespace {

std::string Show(Table& t, const char* field) {
  const FieldInfo& f = t.fields()[t.FieldIndex(field)];
  Value v;
  Status s = FieldValue(f, t.current().field(f), &t, &v);
  return s.ok() ? ShowValue(v) : "error: " + s.message();
}

// LibreOffice Calc's dBase export of a small sheet (no memo).
TEST(ForeignFiles, LibreOfficeCalcExportReadsAsWritten) {
  std::unique_ptr<Table> t;
  ASSERT_TRUE(Table::Open(std::string(QV_SOURCE_DIR) + "/tests/data/libreoffice-people.dbf",
                          OpenOptions{false, true}, &t)
                  .ok());
  EXPECT_EQ(t->signature(), 0x03);
  ASSERT_EQ(t->record_count(), 3u);
  ASSERT_EQ(t->fields().size(), 5u);
  EXPECT_EQ(t->fields()[3].type, 'N');
  EXPECT_EQ(t->fields()[3].decimals, 1);
  EXPECT_EQ(t->fields()[4].type, 'D');

  ASSERT_TRUE(t->Go(1).ok());
  EXPECT_EQ(Show(*t, "LNAME"), "Smith  ");
  EXPECT_EQ(Show(*t, "AMOUNT"), "12.5");
  EXPECT_EQ(Show(*t, "JOINED"), "20200115");
  ASSERT_TRUE(t->Go(2).ok());
  // Bytes come back exactly as LibreOffice wrote them (its own code page).
  EXPECT_EQ(Show(*t, "CITY"), "K\xC7\xF4ln     ");
  EXPECT_EQ(Show(*t, "AMOUNT"), "-3.0");
  ASSERT_TRUE(t->Go(3).ok());
  EXPECT_EQ(Show(*t, "LNAME"), "O'Brien");
  EXPECT_EQ(Show(*t, "CITY"), "Boston, MA");
  EXPECT_EQ(Show(*t, "JOINED"), "        ") << "an empty date";
}

}  // namespace
}  // namespace xb
