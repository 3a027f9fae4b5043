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

QFont ReportFont(const FontSpec& spec) {
  QFont font(ResolveFontFamily(spec.name));
  font.setPixelSize(qMax(1, qRound(spec.size * kTextUnitsPerInch / 72.0)));
  font.setBold(spec.bold);
  font.setItalic(spec.italic);
  font.setUnderline(spec.underline);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferOutline);
  return font;
}

}  // namespace qv
