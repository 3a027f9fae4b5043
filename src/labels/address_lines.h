// The address line composition: the lines of a label, an envelope or a
// report for one contact record, from the eight line switches of a setup,
// the ZIP placement and the capitals switch. Empty fields leave no blank
// line; the name line keeps its trailing blank and the middle initial gets
// its period.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace qv {

class TableObject;

// The fields the composition reads, as the table gives them (character
// fields without trailing blanks).
struct AddressFields {
  QString prefix, fname, middle, lname, title, org, street, city, state, zip, country, phone;
};

// Where the ZIP goes (the setup tables' ZIPOPTIONS). Part of the file
// format: never renumber.
enum ZipOption : int {
  kZipAfterState = 1,
  kZipBeforeCity = 2,
  kZipAfterCountry = 3,
  kZipBeforeCountry = 4,
};

struct AddressOptions {
  bool name = true;
  bool title = false;
  bool company = false;
  bool street = true;
  bool cityState = true;
  bool zip = true;
  bool phone = false;
  bool country = false;
  bool barCode = false;  // passed along; the composition does not use it
  int zipOption = kZipAfterState;
  bool upperCase = false;
};

QStringList ComposeAddressLines(const AddressFields& fields, const AddressOptions& options);

// What a composed line holds, so a label that is too small can tell the
// lines that carry the delivery from those it may give up.
enum class AddressLineKind { Name, Title, Company, Street, City, Country, Zip, Phone };

struct AddressLine {
  QString text;
  AddressLineKind kind = AddressLineKind::Name;
  bool holdsZip = false;  // the ZIP is part of this line
};

// The lines of ComposeAddressLines with their kinds, in the same order.
std::vector<AddressLine> ComposeAddressBlock(const AddressFields& fields,
                                             const AddressOptions& options);

// The fields of the table's current record.
// REQUIRES: `table` open on a contact file.
AddressFields AddressFieldsOf(const TableObject& table);

// Fills `lines` with the address lines of the table's current record.
void ComposeAddressLines(const TableObject& table, const AddressOptions& options,
                         QStringList* lines);

}  // namespace qv
