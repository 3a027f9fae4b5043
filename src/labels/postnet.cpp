#include "labels/postnet.h"

#include <QColor>
#include <cmath>

#include "render/report_canvas.h"

namespace qv {

namespace {

// Each digit is two tall bars among five, weighted 7 4 2 1 0; zero is
// 7 + 4 (eleven).
constexpr int kWeights[5] = {7, 4, 2, 1, 0};

void DigitBars(int digit, std::vector<bool>* bars) {
  const int target = digit == 0 ? 11 : digit;
  for (int a = 0; a < 5; ++a) {
    for (int b = a + 1; b < 5; ++b) {
      if (kWeights[a] + kWeights[b] != target) continue;
      for (int i = 0; i < 5; ++i) bars->push_back(i == a || i == b);
      return;
    }
  }
}

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

QString DigitsOnly(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    if (IsDigit(c)) out += c;
  }
  return out;
}

QString CheckDigit(const QString& digits) {
  int sum = 0;
  for (QChar c : digits) {
    if (IsDigit(c)) sum += c.digitValue();
  }
  return QString::number((10 - sum % 10) % 10);
}

QString DeliveryPointDigits(const QString& street) {
  const QString line = street.toUpper();
  if (line.contains(QLatin1String("APO")) || line.contains(QLatin1String("FPO"))) {
    return QStringLiteral("99");
  }
  QChar units = QLatin1Char(' '), tens = QLatin1Char(' ');
  bool gotUnits = false, gotTens = false, afterSlash = false, ordinal = false;
  for (qsizetype i = line.size() - 1; i >= 0; --i) {
    const QChar c = line[i];
    const QString w = line.mid(i, 2);
    if (IsDigit(c)) {
      if (afterSlash || ordinal || (gotUnits && gotTens)) continue;
      if (!gotUnits) {
        units = c;
        gotUnits = true;
      } else {
        tens = c;
        gotTens = true;
      }
    } else if (c == QLatin1Char(' ')) {
      if (gotUnits) break;
      afterSlash = false;
      ordinal = false;
    } else if (c == QLatin1Char('/') && gotUnits) {
      // The number after a fraction bar is not the house number.
      afterSlash = true;
      gotUnits = gotTens = false;
    } else if (gotUnits && !gotTens) {
      // A one-digit number behind a letter or sign, as in "#5".
      tens = QLatin1Char('0');
      gotTens = true;
    } else if (w == QLatin1String("ST") || w == QLatin1String("ND") || w == QLatin1String("RD") ||
               w == QLatin1String("TH")) {
      // The digits of an ordinal street name (42ND) are skipped.
      ordinal = true;
    }
  }
  if (!gotUnits) return QStringLiteral("99");
  if (!gotTens) tens = QLatin1Char('0');
  return QString(tens) + units;
}

bool ZipQualifiesForBarCode(const QString& zip) {
  if (zip.size() < 5) return false;
  const QByteArray bytes = zip.toLatin1();
  return bytes >= QByteArrayLiteral("00000") && bytes <= QByteArrayLiteral("99999-9999");
}

bool IsForeignCountry(const QString& country) {
  const QString c = country.trimmed().toUpper();
  static const char* const kHome[] = {"",   "USA",           "US",
                                      "U.S.A.", "U.S.",      "UNITED STATES",
                                      "UNITED STATES OF AMERICA"};
  for (const char* home : kHome) {
    if (c == QLatin1String(home)) return false;
  }
  return true;
}

bool AddressGetsUsBarCode(const QString& zip, const QString& country) {
  return !IsForeignCountry(country) && ZipQualifiesForBarCode(zip);
}

QString BarCodeText(const QString& zip, const QString& street) {
  if (zip.size() == 10) return zip + DeliveryPointDigits(street);
  return zip;
}

std::vector<bool> PostnetBars(const QString& text) {
  QString d = DigitsOnly(text);
  d += CheckDigit(d);
  std::vector<bool> bars;
  bars.reserve(size_t(d.size()) * 5 + 2);
  bars.push_back(true);
  for (QChar c : d) DigitBars(c.digitValue(), &bars);
  bars.push_back(true);
  return bars;
}

int BarPenWidth() {
  const float hundredths = kBarWidth * 100.0f;  // 1.7999..., not 1.8
  return -int(std::trunc(hundredths));
}

namespace {

void Bar(ReportCanvas& canvas, float top) {
  const double x = canvas.penX(), y = canvas.penY();
  canvas.moveTo(x, y + top);
  canvas.lineTo(x, y + double(kTallBarHeight));
  canvas.moveTo(x + double(kBarPitch), y);
}

}  // namespace

void BigBar(ReportCanvas& canvas) { Bar(canvas, 0.0f); }

void LittleBar(ReportCanvas& canvas) { Bar(canvas, kTallBarHeight - kShortBarHeight); }

// The bars go to the canvas as one bar code, drawn as BigBar and LittleBar
// would draw them; the pen moves on as they would move it.
void BarSection(ReportCanvas& canvas, const QString& digits) {
  canvas.setPen(Qt::black, PenStyle::Solid, BarPenWidth(), PenMode::Copy);
  const std::vector<bool> bars = PostnetBars(digits);
  QByteArray states;
  states.reserve(qsizetype(bars.size()));
  double x = canvas.penX();
  for (bool tall : bars) {
    states.append(tall ? 'F' : 'H');
    x += double(kBarPitch);
  }
  canvas.barCode(BarKind::Postnet, states);
  canvas.moveTo(x, canvas.penY());
}

}  // namespace qv
