// The columns the label and envelope setup tables (QVPLSU.DBF, QVPESU.DBF)
// share and how both keep their values: logicals as T or F (Y reads as
// true), whole numbers without decimals, the address switches with the ZIP
// placement and the bar code kind, and the look-up of a setup by its
// description for the command line.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <variant>

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

// One column of a setup row and the member of `Record` that holds it, so
// that reading and writing walk one table. Text is cut to `width` when
// written (and when read, where the setup asks for it).
template <class Record>
struct SetupColumn {
  const char* field;
  std::variant<QString Record::*, int Record::*, bool Record::*, float Record::*> member;
  int width = 0;
};

// How a setup table keeps a length in inches.
using InchesText = QString (*)(float inches);

enum class CutTextOnRead { No, Yes };

template <class... F>
struct SetupOverload : F... {
  using F::operator()...;
};
template <class... F>
SetupOverload(F...) -> SetupOverload<F...>;

template <class Record, size_t N>
void ReadSetupColumns(const TableObject& t, const SetupColumn<Record> (&columns)[N],
                      CutTextOnRead cut, Record* r) {
  for (const SetupColumn<Record>& c : columns) {
    std::visit(SetupOverload{[&](QString Record::*m) {
                               r->*m = SetupText(t, c.field);
                               if (cut == CutTextOnRead::Yes) r->*m = (r->*m).left(c.width);
                             },
                             [&](int Record::*m) { r->*m = SetupWhole(t, c.field); },
                             [&](bool Record::*m) { r->*m = SetupLogical(t, c.field); },
                             [&](float Record::*m) { r->*m = SetupInches(t, c.field); }},
               c.member);
  }
}

// Tries every column, so that *refused names each one the row did not take
// (a column the table lacks among them).
template <class Record, size_t N>
void WriteSetupColumns(TableObject& t, const SetupColumn<Record> (&columns)[N], InchesText inches,
                       const Record& r, QStringList* refused) {
  for (const SetupColumn<Record>& c : columns) {
    const bool ok = std::visit(
        SetupOverload{
            [&](QString Record::*m) { return SetSetupText(t, c.field, (r.*m).left(c.width)); },
            [&](int Record::*m) { return SetSetupWhole(t, c.field, r.*m); },
            [&](bool Record::*m) { return SetSetupLogical(t, c.field, r.*m); },
            [&](float Record::*m) { return SetSetupText(t, c.field, inches(r.*m)); }},
        c.member);
    if (!ok) *refused << QString::fromLatin1(c.field);
  }
}

// BARCODE, BARTYPE, NAME to COUNTRY, ZIPOPTIONS and UPPERCASE of the
// current row. Tables from before the Intelligent Mail barcode have no
// BARTYPE: their bar code is POSTNET.
AddressOptions ReadAddressSwitches(const TableObject& table, bool* intelligentMail);
// Writes the same columns; BARTYPE only where the table has it.
[[nodiscard]] bool WriteAddressSwitches(TableObject& table, const AddressOptions& options,
                                        bool intelligentMail);

// Puts the current row in edit state unless it is a fresh insert; false
// when it is in neither.
[[nodiscard]] bool BeginSetupWrite(TableObject& table);
// True when `refused` is empty; else tells "The `kind` could not be saved:
// `fileName` does not take ..." with the refused columns, and is false.
[[nodiscard]] bool TellRefusedColumns(const QString& kind, const QString& fileName,
                                      const QStringList& refused);

// Opens `fileName` of `directory` read-only and gives `read` the row whose
// DESCRIPT is `description` (without surrounding blanks, any letter case).
// False with a message in *error: `openFailure`, the table's failure, or
// that there is no `kind` of that name, listing those there are.
bool FindSetupRow(const QString& directory, const QString& fileName, const QString& openFailure,
                  const QString& kind, const QString& description,
                  const std::function<void(const TableObject&)>& read, QString* error);

}  // namespace qv
