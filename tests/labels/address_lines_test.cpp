// Address line composition: the name line, the ZIP placements, capitals,
// and empty fields that leave no blank line; once through a real contact
// file so the fields are read as the table gives them.
#include "labels/address_lines.h"

#include <gtest/gtest.h>

#include "labels/label_setup.h"
#include "labels_test_util.h"

namespace qv {
namespace {

using testing::ContactFixture;

AddressFields Full() {
  AddressFields f;
  f.prefix = "Dr.", f.fname = "John", f.middle = "Q", f.lname = "Public", f.title = "Director";
  f.org = "Acme Corp", f.street = "123 Main St", f.city = "Albany", f.state = "NY";
  f.zip = "12207", f.country = "USA", f.phone = "518-555-0100";
  return f;
}

AddressOptions Everything(int zipOption) {
  AddressOptions o;
  o.name = o.title = o.company = o.street = o.cityState = o.zip = o.phone = o.country = true;
  o.zipOption = zipOption;
  return o;
}

TEST(AddressLines, SmallRecords) {
  AddressFields onlyNameZip, name;
  onlyNameZip.lname = "Smith", onlyNameZip.zip = "12345";
  name.fname = "John", name.middle = "Q", name.lname = "Public";
  AddressFields blankMiddle = name;
  blankMiddle.middle = " ";
  AddressFields sparse = Full();
  sparse.title = sparse.org = sparse.street = sparse.phone = QString();
  const struct {
    const char* what;
    AddressFields fields;
    AddressOptions options;
    QStringList expected;
  } cases[] = {
      {"the default setup, only a last name and a ZIP: a city line of one blank and the ZIP",
       onlyNameZip, AddressOptions(), {"Smith ", " 12345"}},
      {"middle initial with its period, name line ends in a blank", name, AddressOptions(),
       {"John Q. Public "}},
      {"a blank middle initial gets no period", blankMiddle, AddressOptions(), {"John Public "}},
      {"empty fields leave no blank lines", sparse, Everything(kZipAfterState),
       {"Dr. John Q. Public ", "Albany  NY 12207", "USA"}},
      {"an empty record gives no lines at all", AddressFields(), Everything(kZipAfterState), {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComposeAddressLines(c.fields, c.options), c.expected) << c.what;
  }
}

// Every line of a full record: the name, title, organisation and street
// lines come first and the phone last whatever the ZIP does in between.
TEST(AddressLines, ZipPlacements) {
  const struct {
    const char* what;
    int zipOption;
    void (*change)(AddressOptions&, AddressFields&);
    QStringList middle;  // the lines between the street and the phone
  } cases[] = {
      {"ZIP after the state: city, two blanks, state, blank, ZIP", kZipAfterState, nullptr,
       {"Albany  NY 12207", "USA"}},
      {"ZIP before the city", kZipBeforeCity, nullptr, {"12207 Albany NY ", "USA"}},
      {"ZIP after the country; the city line has none", kZipAfterCountry, nullptr,
       {"Albany NY", "USA 12207"}},
      {"ZIP before the country", kZipBeforeCountry, nullptr, {"Albany NY", "12207 USA"}},
      {"ZIP after an empty country stands alone", kZipAfterCountry,
       [](AddressOptions&, AddressFields& f) { f.country.clear(); }, {"Albany NY", "12207"}},
      {"option 2 without city and state prints no ZIP", kZipBeforeCity,
       [](AddressOptions& o, AddressFields&) { o.cityState = false; }, {"USA"}},
      {"option 4 without the country: the ZIP on a line of its own", kZipBeforeCountry,
       [](AddressOptions& o, AddressFields&) { o.country = false; }, {"Albany NY", "12207"}},
      {"ZIP switched off", kZipAfterState, [](AddressOptions& o, AddressFields&) { o.zip = false; },
       {"Albany NY", "USA"}},
      {"an unknown ZIP option prints no ZIP", 7, nullptr, {"Albany NY", "USA"}},
  };
  const QStringList head = {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St"};
  for (const auto& c : cases) {
    AddressOptions options = Everything(c.zipOption);
    AddressFields fields = Full();
    if (c.change) c.change(options, fields);
    EXPECT_EQ(ComposeAddressLines(fields, options), head + c.middle + QStringList{"518-555-0100"})
        << c.what;
  }
  AddressOptions upper = Everything(kZipAfterState);
  upper.upperCase = true;
  EXPECT_EQ(ComposeAddressLines(Full(), upper),
            QStringList({"DR. JOHN Q. PUBLIC ", "DIRECTOR", "ACME CORP", "123 MAIN ST",
                         "ALBANY  NY 12207", "USA", "518-555-0100"}));
}

TEST(AddressLines, FromTheContactTable) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"FNAME", "Mary"}, {"MIDDLE", "k"}, {"LNAME", "O'Neil"},
                        {"STREET", "12 Elm St"}, {"CITY", "Troy"}, {"STATE", "NY"},
                        {"ZIP", "12180-1234"}}}));
  QStringList lines{"left over"};
  AddressOptions o;
  o.upperCase = true;
  ComposeAddressLines(fx.table, o, &lines);
  EXPECT_EQ(lines, QStringList({"MARY K. O'NEIL ", "12 ELM ST", "TROY  NY 12180-1234"}));
}

}  // namespace
}  // namespace qv
