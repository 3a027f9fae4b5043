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
  f.prefix = "Dr.";
  f.fname = "John";
  f.middle = "Q";
  f.lname = "Public";
  f.title = "Director";
  f.org = "Acme Corp";
  f.street = "123 Main St";
  f.city = "Albany";
  f.state = "NY";
  f.zip = "12207";
  f.country = "USA";
  f.phone = "518-555-0100";
  return f;
}

AddressOptions Everything(int zipOption) {
  AddressOptions o;
  o.name = o.title = o.company = o.street = o.cityState = o.zip = o.phone = o.country = true;
  o.zipOption = zipOption;
  return o;
}

struct Case {
  const char* what;
  AddressFields fields;
  AddressOptions options;
  QStringList expected;
};

TEST(AddressLines, Cases) {
  AddressFields onlyNameZip;
  onlyNameZip.lname = "Smith";
  onlyNameZip.zip = "12345";

  AddressFields envelopeName;
  envelopeName.fname = "John";
  envelopeName.middle = "Q";
  envelopeName.lname = "Public";

  AddressFields blankMiddle = envelopeName;
  blankMiddle.middle = " ";

  AddressFields noCountry = Full();
  noCountry.country.clear();

  AddressFields nothing;

  AddressFields sparse = Full();
  sparse.title.clear();
  sparse.org.clear();
  sparse.street.clear();
  sparse.phone.clear();

  AddressOptions upper = Everything(kZipAfterState);
  upper.upperCase = true;
  AddressOptions optionOneNoCity = Everything(kZipAfterState);
  optionOneNoCity.cityState = false;
  AddressOptions optionTwoNoCity = Everything(kZipBeforeCity);
  optionTwoNoCity.cityState = false;
  AddressOptions optionThreeNoCountry = Everything(kZipAfterCountry);
  optionThreeNoCountry.country = false;
  AddressOptions optionFourNoCountry = Everything(kZipBeforeCountry);
  optionFourNoCountry.country = false;
  AddressOptions zipOff = Everything(kZipAfterState);
  zipOff.zip = false;
  AddressOptions badOption = Everything(7);

  const std::vector<Case> cases = {
      {"the default setup, only a last name and a ZIP: a city line of one blank and the ZIP",
       onlyNameZip,
       AddressOptions(),
       {"Smith ", " 12345"}},
      {"middle initial with its period, name line ends in a blank",
       envelopeName,
       AddressOptions(),
       {"John Q. Public "}},
      {"a blank middle initial gets no period", blankMiddle, AddressOptions(), {"John Public "}},
      {"every line, ZIP after the state: city, two blanks, state, blank, ZIP",
       Full(),
       Everything(kZipAfterState),
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany  NY 12207", "USA",
        "518-555-0100"}},
      {"ZIP before the city",
       Full(),
       Everything(kZipBeforeCity),
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "12207 Albany NY ", "USA",
        "518-555-0100"}},
      {"ZIP after the country; the city line has none",
       Full(),
       Everything(kZipAfterCountry),
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "USA 12207",
        "518-555-0100"}},
      {"ZIP before the country",
       Full(),
       Everything(kZipBeforeCountry),
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "12207 USA",
        "518-555-0100"}},
      {"ZIP after an empty country stands alone",
       noCountry,
       Everything(kZipAfterCountry),
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "12207",
        "518-555-0100"}},
      {"capitals on every line",
       Full(),
       upper,
       {"DR. JOHN Q. PUBLIC ", "DIRECTOR", "ACME CORP", "123 MAIN ST", "ALBANY  NY 12207", "USA",
        "518-555-0100"}},
      {"option 1 without city and state prints no ZIP",
       Full(),
       optionOneNoCity,
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "USA", "518-555-0100"}},
      {"option 2 without city and state prints no ZIP",
       Full(),
       optionTwoNoCity,
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "USA", "518-555-0100"}},
      {"option 3 without the country: the ZIP on a line of its own",
       Full(),
       optionThreeNoCountry,
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "12207",
        "518-555-0100"}},
      {"option 4 without the country: the ZIP on a line of its own",
       Full(),
       optionFourNoCountry,
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "12207",
        "518-555-0100"}},
      {"ZIP switched off",
       Full(),
       zipOff,
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "USA",
        "518-555-0100"}},
      {"an unknown ZIP option prints no ZIP",
       Full(),
       badOption,
       {"Dr. John Q. Public ", "Director", "Acme Corp", "123 Main St", "Albany NY", "USA",
        "518-555-0100"}},
      {"empty fields leave no blank lines",
       sparse,
       Everything(kZipAfterState),
       {"Dr. John Q. Public ", "Albany  NY 12207", "USA"}},
      {"an empty record gives no lines at all", nothing, Everything(kZipAfterState), {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComposeAddressLines(c.fields, c.options), c.expected) << c.what;
  }
}

TEST(AddressLines, FromTheContactTable) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"FNAME", "Mary"},
                        {"MIDDLE", "k"},
                        {"LNAME", "O'Neil"},
                        {"STREET", "12 Elm St"},
                        {"CITY", "Troy"},
                        {"STATE", "NY"},
                        {"ZIP", "12180-1234"}}}));
  QStringList lines{"left over"};
  AddressOptions o;
  o.upperCase = true;
  ComposeAddressLines(fx.table, o, &lines);
  EXPECT_EQ(lines, QStringList({"MARY K. O'NEIL ", "12 ELM ST", "TROY  NY 12180-1234"}));
}

}  // namespace
}  // namespace qv
