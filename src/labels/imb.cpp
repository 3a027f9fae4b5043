#include "labels/imb.h"

#include <zint.h>

#include <memory>

#include "labels/postnet.h"
#include "render/report_canvas.h"

namespace qv {

namespace {
const QString kSection = QStringLiteral("IntelligentMail");

bool AllDigits(const QString& text) {
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  return true;
}

bool Fail(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

struct ZintDelete {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
}  // namespace

qint64 ImbMaxSerial(const QString& mailerId) {
  return mailerId.size() == 9 ? 999999 : 999999999;
}

QString ImbTrackingCode(const QString& barcodeId, const QString& serviceType,
                        const QString& mailerId, qint64 serial, QString* error) {
  if (barcodeId.size() != 2 || !AllDigits(barcodeId) || barcodeId[1] > QLatin1Char('4')) {
    Fail(error, QStringLiteral("barcode ID %1 is not two digits with the second 0 to 4")
                    .arg(barcodeId));
    return {};
  }
  if (serviceType.size() != 3 || !AllDigits(serviceType)) {
    Fail(error, QStringLiteral("service type ID %1 is not three digits").arg(serviceType));
    return {};
  }
  if ((mailerId.size() != 6 && mailerId.size() != 9) || !AllDigits(mailerId)) {
    Fail(error, QStringLiteral("mailer ID \"%1\" is not 6 or 9 digits").arg(mailerId));
    return {};
  }
  if (serial < 0 || serial > ImbMaxSerial(mailerId)) {
    Fail(error, QStringLiteral("serial number %1 is past the range of mailer ID %2 (0 to %3)")
                    .arg(serial)
                    .arg(mailerId)
                    .arg(ImbMaxSerial(mailerId)));
    return {};
  }
  const int serialDigits = 20 - 5 - int(mailerId.size());
  return barcodeId + serviceType + mailerId +
         QStringLiteral("%1").arg(serial, serialDigits, 10, QLatin1Char('0'));
}

QString ImbRoutingCode(const QString& zip, const QString& street, QString* error) {
  const QString digits = DigitsOnly(zip);
  const QString trimmed = zip.trimmed();
  // Only digits and the one hyphen of ZIP+4: a postal code with letters is
  // not a ZIP, whatever digits it holds.
  const bool zipShaped = (trimmed.size() == 5 && digits.size() == 5) ||
                         (trimmed.size() == 9 && digits.size() == 9) ||
                         (trimmed.size() == 10 && digits.size() == 9 && trimmed[5] == QLatin1Char('-'));
  if (!zipShaped) {
    Fail(error, QStringLiteral("ZIP \"%1\" is not a 5- or 9-digit ZIP code").arg(trimmed));
    return {};
  }
  if (zip.size() == 10) return digits + DeliveryPointDigits(street);
  return digits;
}

QString ImbBars(const QString& tracking, const QString& routing, QString* error) {
  if (tracking.size() != 20 || !AllDigits(tracking) || tracking[1] > QLatin1Char('4')) {
    Fail(error, QStringLiteral("tracking code \"%1\" is not 20 digits with the second 0 to 4")
                    .arg(tracking));
    return {};
  }
  const int n = int(routing.size());
  if (!AllDigits(routing) || (n != 0 && n != 5 && n != 9 && n != 11)) {
    Fail(error, QStringLiteral("routing code \"%1\" is not 5, 9 or 11 digits").arg(routing));
    return {};
  }
  std::unique_ptr<zint_symbol, ZintDelete> symbol(ZBarcode_Create());
  if (!symbol) {
    Fail(error, QStringLiteral("the bar code library could not start"));
    return {};
  }
  symbol->symbology = BARCODE_USPS_IMAIL;
  const QByteArray input = (n == 0 ? tracking : tracking + QLatin1Char('-') + routing).toLatin1();
  const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(input.data()),
                                 int(input.size()));
  // Three rows: the ascending part, the tracker, the descending part; one
  // bar in every second column.
  if (rc >= ZINT_ERROR || symbol->rows != 3 || symbol->width != 2 * kImbBarCount - 1) {
    Fail(error, QStringLiteral("the bar code library refused %1: %2")
                    .arg(QString::fromLatin1(input), QString::fromLatin1(symbol->errtxt)));
    return {};
  }
  auto set = [&](int row, int column) {
    return ((symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1) != 0;
  };
  QString bars;
  bars.reserve(kImbBarCount);
  for (int i = 0; i < kImbBarCount; ++i) {
    const bool up = set(0, 2 * i), down = set(2, 2 * i);
    bars += up && down ? QLatin1Char('F') : up ? QLatin1Char('A') : down ? QLatin1Char('D')
                                                                         : QLatin1Char('T');
  }
  return bars;
}

QString StoreNextSerial(const ImbNumbering& numbering, const QString& settingsPath) {
  if (!numbering.used()) return QString();
  IniFile ini(settingsPath);
  if (SaveImbNextSerial(ini, numbering.nextSerial())) return QString();
  return QStringLiteral("The next Intelligent Mail serial number (%1) could not be saved in %2; "
                        "set it in Preferences before the next run")
      .arg(numbering.nextSerial())
      .arg(settingsPath);
}

QString OldSetupTableMessage(const QString& fileName) {
  return QStringLiteral("%1 was made before the Intelligent Mail barcode and has no place for "
                        "it, so this setup is saved with the POSTNET bar code.")
      .arg(fileName);
}

QString ImbPieceBars(ImbNumbering* numbering, const QString& zip, const QString& street,
                     double room, const QString& tooNarrow, int recno, QStringList* warnings) {
  QString warning = QStringLiteral("no Intelligent Mail settings");
  QString bars;
  // Bars running into the next label or off the envelope would be a wrong
  // bar code.
  if (room < kImbWidth) {
    warning = tooNarrow + QStringLiteral(" for the Intelligent Mail barcode (%1 in)")
                              .arg(kImbWidth, 0, 'f', 2);
  } else if (numbering) {
    bars = numbering->NextPiece(zip, street, &warning);
  }
  if (bars.isEmpty()) {
    *warnings << QStringLiteral("Record %1: no bar code, %2").arg(recno).arg(warning);
  }
  return bars;
}

QString BarCodeWarningLines(const QStringList& warnings, const QString& pieces) {
  // The status window has room for no more than a few.
  constexpr int kShown = 3;
  QString text;
  for (int i = 0; i < warnings.size() && i < kShown; ++i) text += QLatin1Char('\r') + warnings[i];
  if (warnings.size() > kShown) {
    text += QStringLiteral("\rand %1 more %2 without a bar code").arg(warnings.size() - kShown).arg(pieces);
  }
  return text;
}

// The bars go to the canvas as one bar code (its geometry is the page
// stream's); any letter but A, D and F is a tracker.
void ImbSection(ReportCanvas& canvas, const QString& bars) {
  canvas.setPen(Qt::black, PenStyle::Solid, kImbPenWidth, PenMode::Copy);
  const double top = canvas.penY();
  double x = canvas.penX() + kImbBarWidth / 2;
  QByteArray states;
  states.reserve(bars.size());
  for (QChar state : bars) {
    const char letter = state.toLatin1();
    states.append(letter == 'F' || letter == 'A' || letter == 'D' ? letter : 'T');
    x += kImbBarPitch;
  }
  canvas.barCode(BarKind::IntelligentMail, states);
  canvas.moveTo(x - kImbBarWidth / 2, top);
}

ImbSettings LoadImbSettings(const IniFile& ini) {
  ImbSettings s;
  s.mailerId = ini.readString(kSection, QStringLiteral("MailerID"), s.mailerId).trimmed();
  s.serviceType = ini.readString(kSection, QStringLiteral("ServiceTypeID"), s.serviceType).trimmed();
  s.barcodeId = ini.readString(kSection, QStringLiteral("BarcodeID"), s.barcodeId).trimmed();
  bool ok = false;
  const qint64 next =
      ini.readString(kSection, QStringLiteral("NextSerial"), QStringLiteral("1")).toLongLong(&ok);
  s.nextSerial = ok && next >= 0 ? next : 1;
  return s;
}

bool SaveImbSettings(IniFile& ini, const ImbSettings& s) {
  return ini.writeString(kSection, QStringLiteral("MailerID"), s.mailerId) &&
         ini.writeString(kSection, QStringLiteral("ServiceTypeID"), s.serviceType) &&
         ini.writeString(kSection, QStringLiteral("BarcodeID"), s.barcodeId) &&
         SaveImbNextSerial(ini, s.nextSerial);
}

bool SaveImbNextSerial(IniFile& ini, qint64 nextSerial) {
  return ini.writeString(kSection, QStringLiteral("NextSerial"), QString::number(nextSerial));
}

QString ImbNumbering::NextPiece(const QString& zip, const QString& street, QString* warning) {
  QString error;
  const QString routing = ImbRoutingCode(zip, street, &error);
  QString tracking;
  if (error.isEmpty()) {
    tracking = ImbTrackingCode(m_settings.barcodeId, m_settings.serviceType, m_settings.mailerId,
                               m_settings.nextSerial, &error);
  }
  QString bars;
  if (error.isEmpty()) bars = ImbBars(tracking, routing, &error);
  if (!error.isEmpty()) {
    if (warning) *warning = error;
    return {};
  }
  ++m_settings.nextSerial;
  m_used = true;
  return bars;
}

}  // namespace qv
