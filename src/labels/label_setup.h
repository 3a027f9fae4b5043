// The label setup record: everything a label run needs to know about the
// look of its labels, read from a row of the label setup table QVPLSU.DBF
// or taken from the built-in default. Lengths in inches, single precision
// as the setup dialogs hold them.
#pragma once

#include <QString>
#include <QStringList>

#include "labels/address_lines.h"
#include "store/label_geometry.h"

namespace qv {

class TableObject;

struct LabelSetup {
  QString description;
  QString printerType = QStringLiteral("LJ");
  QString fontName = QStringLiteral("Arial");
  int fontSize = 10;
  bool bold = false;
  bool italic = false;
  float xOffset = 0.25f;
  float yOffset = 0.25f;
  // The lines a label prints, the ZIP placement, capitals and the bar code
  // switch.
  AddressOptions address;
  // With address.barCode: the Intelligent Mail barcode instead of POSTNET.
  // Kept in the BARTYPE column where the setup table has one (BarCodeKind).
  bool intelligentMail = false;
  float labelHeight = 1.0f;
  float labelWidth = 2.625f;
  int across = 3;
  int down = 10;
  float topMargin = 0.5f;
  float leftMargin = 0.188f;
  float horizontalPitch = 2.75f;
  float verticalPitch = 1.0f;
  float sheetWidth = 8.5f;
  float sheetHeight = 11.0f;
  QString paperSize = QStringLiteral("LTR");
  bool trimText = true;
  QString stockDescription;
};

// "Default Label Setup" on Avery 5160 stock, used when the setup table has
// no current row.
LabelSetup DefaultLabelSetup();

// The table's current row, or the default when it stands at its end.
// REQUIRES: `table` open on a label setup table.
LabelSetup ReadLabelSetup(const TableObject& table);

// Writes every field of `setup` into the table's current row and posts:
// the row goes into edit state unless it is a fresh insert. Lengths are
// rounded to 3 decimals, as the table keeps them. False, the user told
// why (a refused or missing column, or the post), when the row could not
// be written; the row then stays in edit with the values.
// REQUIRES: `table` open on a label setup table, on a row or inserting.
bool WriteLabelSetup(TableObject& table, const LabelSetup& setup);

// A length as the label tables keep it: 7 significant digits, 3 decimals.
double RoundToThousandths(double inches);

// The file name of the label setup table in the program directory.
QString LabelSetupFileName();
QString LabelSetupOpenFailure();  // "Unable to Open QVPLSU.DBF (label setup file)"

// Opens QVPLSU.DBF of `directory` and reads the setup named `description`
// (compared without surrounding blanks, in any letter case). False with a
// message in plain words in *error when the table cannot be opened or has
// no such setup; the message then lists the setups there are.
bool FindLabelSetup(const QString& directory, const QString& description, LabelSetup* out,
                    QString* error);

// A stock's geometry, its paper size code, printer type and description
// into `setup`, cut to the widths the setup table keeps.
void ApplyLabelGeometry(const LabelGeometry& geometry, const QString& paperSize,
                        const QString& printerType, LabelSetup* setup);

// The top-left corner of the label in `column` and `row` (from 0), in
// inches from the sheet's top-left corner; the text offsets are not in it.
struct LabelCorner {
  double left = 0;
  double top = 0;
};
LabelCorner LabelOrigin(const LabelSetup& setup, int column, int row);

// Why a setup cannot lay out labels (no labels across, a zero pitch, ...),
// or empty when it can. Guards the page loop against damaged rows.
QString LabelSetupProblem(const LabelSetup& setup);

}  // namespace qv
