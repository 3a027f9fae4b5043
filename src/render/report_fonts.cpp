#include "render/report_fonts.h"

#include <QHash>

namespace qv {

QString ResolveFontFamily(const QString& name) {
  static const QHash<QString, QString> kStandIns = {
      {QStringLiteral("arial"), QStringLiteral("Liberation Sans")},
      {QStringLiteral("helvetica"), QStringLiteral("Liberation Sans")},
      {QStringLiteral("ms sans serif"), QStringLiteral("Liberation Sans")},
      {QStringLiteral("arial narrow"), QStringLiteral("Liberation Sans Narrow")},
      {QStringLiteral("times new roman"), QStringLiteral("Liberation Serif")},
      {QStringLiteral("times"), QStringLiteral("Liberation Serif")},
      {QStringLiteral("courier new"), QStringLiteral("Liberation Mono")},
      {QStringLiteral("courier"), QStringLiteral("Liberation Mono")},
  };
  return kStandIns.value(name.trimmed().toLower(), name);
}

QFont ReportFont(const TextFont& font) {
  QFont result(ResolveFontFamily(font.name));
  result.setPixelSize(qMax(1, qRound(font.size * kTextUnitsPerInch / 72.0)));
  result.setBold(font.bold);
  result.setItalic(font.italic);
  result.setUnderline(font.underline);
  result.setKerning(false);
  result.setHintingPreference(QFont::PreferNoHinting);
  result.setStyleStrategy(QFont::PreferOutline);
  return result;
}

}  // namespace qv
