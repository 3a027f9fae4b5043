// The Intelligent Mail barcode (IMb) beside POSTNET: the tracking code
// (barcode ID, service type, mailer ID, serial number), the routing code
// from a contact's ZIP and street line, the 65 bar states through libzint,
// the settings kept in QUORVA.INI, the serial numbering of a run, and the
// bars drawn on a report canvas in inches. Labels and envelopes draw the
// same bars from here.
#pragma once

#include <QString>
#include <QStringList>

#include "render/bar_geometry.h"
#include "store/ini_file.h"

namespace qv {

class ReportCanvas;

// The published dimensions are in render/bar_geometry.h.
// The pen width handed to the canvas: hundredths of an inch, so 0.020 in.
constexpr int kImbPenWidth = -2;

// What a setup draws above the address. Stored in the setup tables'
// BARTYPE column: part of the file format, never renumber.
enum class BarCodeKind : int { None = 0, Postnet = 1, IntelligentMail = 2 };

// The 20-digit tracking code, or empty with the reason in *error: barcode
// ID 2 digits with the second 0-4, service type 3 digits, mailer ID 6 or 9
// digits, and a serial that fits the 9 or 6 digits left.
QString ImbTrackingCode(const QString& barcodeId, const QString& serviceType,
                        const QString& mailerId, qint64 serial, QString* error);
// The largest serial number a mailer ID leaves room for.
qint64 ImbMaxSerial(const QString& mailerId);

// The routing code of a contact: the 5 or 9 ZIP digits, and for a ZIP+4
// of exactly ten characters (12345-6789) the two delivery point digits of
// the street, by the POSTNET rule. Empty with the reason in *error for a
// ZIP that is not 5 or 9 digits.
QString ImbRoutingCode(const QString& zip, const QString& street, QString* error);

// The 65 bar states, F (full), A (ascender), D (descender), T (tracker),
// or empty with the reason in *error. `routing` is empty or 5, 9 or 11
// digits.
QString ImbBars(const QString& tracking, const QString& routing, QString* error);

// Draws the bars of `bars` (F/A/D/T letters) with their tops on the
// canvas's current pen position and the first bar's left edge there; the
// position ends one pitch past the last bar.
void ImbSection(ReportCanvas& canvas, const QString& bars);

// The Intelligent Mail keys of QUORVA.INI (section IntelligentMail).
struct ImbSettings {
  QString mailerId;
  QString serviceType = QStringLiteral("300");  // First-Class Mail, no extra services
  QString barcodeId = QStringLiteral("00");
  qint64 nextSerial = 1;
};
ImbSettings LoadImbSettings(const IniFile& ini);
bool SaveImbSettings(IniFile& ini, const ImbSettings& settings);
// Only the next serial, written after every run.
bool SaveImbNextSerial(IniFile& ini, qint64 nextSerial);

// After a run that numbered pieces: the next serial saved in the settings
// file `settingsPath`, so no serial is used twice. Empty, or the message
// for the user when it could not be saved.
class ImbNumbering;
QString StoreNextSerial(const ImbNumbering& numbering, const QString& settingsPath);

// Said when a setup asks for the Intelligent Mail barcode but its setup
// table `fileName` comes from before it and has no BARTYPE column.
QString OldSetupTableMessage(const QString& fileName);

// The bars of one piece whose bars have `room` inches from their start to
// the piece's edge: the next serial's bars, or empty with a line "Record N:
// no bar code, why" added to `*warnings` (`tooNarrow` says what lacks room
// when the 2.95 in do not fit; a null `numbering` means no settings).
QString ImbPieceBars(ImbNumbering* numbering, const QString& zip, const QString& street,
                     double room, const QString& tooNarrow, int recno, QStringList* warnings);

// The status window's lines for pieces printed without their bar code: the
// first three warnings, then "and N more `pieces` without a bar code".
QString BarCodeWarningLines(const QStringList& warnings, const QString& pieces);

// Numbers the pieces of one run: each piece with a bar code takes the next
// serial; a piece that gets none (bad ZIP) takes none.
class ImbNumbering {
 public:
  explicit ImbNumbering(const ImbSettings& settings) : m_settings(settings) {}
  // The bars of the next piece, or empty with a one-line warning for the
  // run's status in *warning (the serial is then not used).
  QString NextPiece(const QString& zip, const QString& street, QString* warning);
  qint64 nextSerial() const { return m_settings.nextSerial; }
  bool used() const { return m_used; }

 private:
  ImbSettings m_settings;
  bool m_used = false;
};

}  // namespace qv
