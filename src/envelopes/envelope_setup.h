// The envelope setup record: the look of one envelope (size, return
// address, message line, delivery address, bar code) and how the user
// feeds envelopes into the printer, read from a row of the envelope setup
// table QVPESU.DBF or taken from the built-in default. Also the envelope
// sizes of QVPENVS.DBF and the checks of the size entry dialog. Lengths in
// inches, single precision as the dialogs hold them.
#pragma once

#include <QString>
#include <QStringList>

#include "labels/address_lines.h"

namespace qv {

class TableObject;

// ORIENT, FACING and POSITION. Part of the file format: never renumber.
enum EnvelopeOrientation : int { kEnvelopePortrait = 0, kEnvelopeLandscape = 1 };
enum EnvelopeFacing : int { kFaceUp = 0, kFaceDown = 1 };
enum EnvelopePosition : int { kFeedLeft = 0, kFeedRight = 1, kFeedCenter = 2 };
// Added to POSITION when the envelope goes in turned clockwise.
constexpr int kClockwiseAdded = 10;

// One of the envelope's three blocks of text (the return address, the
// message line, the delivery address): where it starts and its font.
struct EnvelopeBlock {
  float top = 0;
  float left = 0;
  QString fontName = QStringLiteral("Arial");
  int fontSize = 10;
  bool bold = false;
  bool italic = false;
};

struct TEnvelopeSetup {
  QString description;
  QString envelopeName;
  bool useReturn = true;
  bool useMessage = false;
  EnvelopeBlock returnBlock = {0.25f, 0.25f, QStringLiteral("Arial"), 8, false, false};
  QStringList returnLines = {QString(), QString(), QString(), QString(), QString()};
  EnvelopeBlock messageBlock = {3.125f, 0.25f, QStringLiteral("Arial"), 10, true, true};
  QString messageText;
  EnvelopeBlock deliveryBlock = {2.0625f, 3.1667f, QStringLiteral("Arial"), 10, true, false};
  // The delivery address's lines, ZIP placement, capitals and bar code
  // switch; an envelope prints the title and company by default.
  AddressOptions address = {.title = true, .company = true};
  // With address.barCode: the Intelligent Mail barcode instead of POSTNET,
  // kept in the BARTYPE column where the setup table has one (BarCodeKind).
  bool intelligentMail = false;
  float envelopeWidth = 9.5f;
  float envelopeHeight = 4.125f;
  int orientation = kEnvelopeLandscape;
  int facing = kFaceDown;
  int position = kFeedCenter;  // plus kClockwiseAdded when clockwise
};

// "Default Envelope Setup" on a #10 envelope, used whenever the setup
// table has no current row.
// What a setup record holds of the return address.
constexpr int kReturnLines = 5;
constexpr int kReturnLineWidth = 40;
// Why `lines` (trailing empty lines aside) do not fit the setup record, in
// the user's words, or empty.
QString ReturnAddressProblem(const QStringList& lines);

TEnvelopeSetup DefaultEnvelopeSetup();

// The table's current row, or the default when it has none. Texts are cut
// to their field widths and there are always five return lines.
// REQUIRES: `table` open on an envelope setup table.
TEnvelopeSetup ReadEnvelopeSetup(const TableObject& table);

// Writes every member into the current row (edit state unless it is a
// fresh insert) and posts. Lengths keep 4 decimals as the table does. False,
// the user told why (a refused or missing column, or the post), when the
// row could not be written.
bool WriteEnvelopeSetup(TableObject& table, const TEnvelopeSetup& setup);

// "QVPESU.DBF" and "QVPENVS.DBF" in the program directory.
QString EnvelopeSetupFileName();
QString EnvelopeSizeFileName();
QString EnvelopeSetupOpenFailure();  // "Unable to Open QVPESU.DBF (envelope setup file)"
QString EnvelopeSizeOpenFailure();

// Opens QVPESU.DBF of `directory` and reads the setup named `description`
// (without surrounding blanks, any letter case). False with a message in
// *error when the table cannot be opened or has no such setup.
bool FindEnvelopeSetup(const QString& directory, const QString& description,
                       TEnvelopeSetup* out, QString* error);

// ---- Envelope sizes (QVPENVS.DBF)

constexpr double kEnvelopeMmPerInch = 25.4;
constexpr double kEnvelopeInchesPerMm = 0.03937007874015748;
// A new size starts as a #10 envelope, rounded as the dialog shows it.
constexpr double kNewEnvelopeWidth = 9.5;
constexpr double kNewEnvelopeHeight = 4.13;

// The Save checks of the size entry dialog in their order, on the values
// in inches: the first failing check's message, or empty when all pass.
QString EnvelopeSizeProblem(double widthInches, double heightInches, const QString& name,
                            const QString& description);

}  // namespace qv
