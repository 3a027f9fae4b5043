// The columns the label and envelope setup tables (QVPLSU.DBF, QVPESU.DBF)
// share and how both keep their values: logicals as T or F (Y reads as
// true), whole numbers without decimals, the address switches with the ZIP
// placement and the bar code kind, and the look-up of a setup by its
// description for the command line.
#pragma once

#include <QString>
#include <functional>

#include "labels/address_lines.h"

namespace qv {

class TableObject;

bool SetupLogical(const TableObject& table, const char* field);
float SetupInches(const TableObject& table, const char* field);
int SetupWhole(const TableObject& table, const char* field);
QString SetupText(const TableObject& table, const char* field);

// REQUIRES: the row in edit or insert state. False when the value was refused.
[[nodiscard]] bool SetSetupText(TableObject& table, const char* field, const QString& value);
[[nodiscard]] bool SetSetupLogical(TableObject& table, const char* field, bool on);
[[nodiscard]] bool SetSetupWhole(TableObject& table, const char* field, int value);

// BARCODE, BARTYPE, NAME to COUNTRY, ZIPOPTIONS and UPPERCASE of the
// current row. Tables from before the Intelligent Mail barcode have no
// BARTYPE: their bar code is POSTNET.
AddressOptions ReadAddressSwitches(const TableObject& table, bool* intelligentMail);
// Writes the same columns; BARTYPE only where the table has it.
[[nodiscard]] bool WriteAddressSwitches(TableObject& table, const AddressOptions& options,
                                        bool intelligentMail);

// Opens `fileName` of `directory` read-only and gives `read` the row whose
// DESCRIPT is `description` (without surrounding blanks, any letter case).
// False with a message in *error: `openFailure`, the table's failure, or
// that there is no `kind` of that name, listing those there are.
bool FindSetupRow(const QString& directory, const QString& fileName, const QString& openFailure,
                  const QString& kind, const QString& description,
                  const std::function<void(const TableObject&)>& read, QString* error);

}  // namespace qv
