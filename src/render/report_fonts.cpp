#include "render/report_fonts.h"

#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <map>
#include <memory>
#include <tuple>

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

ReportFace::ReportFace(const TextFont& font)
    : m_font(ReportFont(font)),
      m_metrics(m_font),
      m_raw(QRawFont::fromFont(m_font)),
      m_underline(font.underline) {
  for (int c = kFirst; c < kEnd; ++c) {
    const QChar ch(c);
    m_advance[size_t(c - kFirst)] = m_metrics.horizontalAdvance(ch);
    if (m_raw.isValid()) {
      const QList<quint32> glyphs = m_raw.glyphIndexesForString(QString(ch));
      m_glyph[size_t(c - kFirst)] = glyphs.size() == 1 ? glyphs[0] : 0;
    }
  }
}

bool ReportFace::cached(const QString& text) const {
  for (QChar ch : text) {
    if (ch.unicode() < kFirst || ch.unicode() >= kEnd) return false;
  }
  return true;
}

double ReportFace::width(const QString& text) const {
  if (!cached(text)) return m_metrics.horizontalAdvance(text);
  double sum = 0;
  for (QChar ch : text) sum += m_advance[size_t(ch.unicode() - kFirst)];
  return sum;
}

bool ReportFace::appendGlyphs(const QString& text, const QPointF& at, QList<quint32>* glyphs,
                              QList<QPointF>* positions) const {
  if (!m_raw.isValid() || !cached(text)) return false;
  const qsizetype first = glyphs->size();
  glyphs->reserve(first + text.size());
  positions->reserve(first + text.size());
  double x = at.x();
  for (QChar ch : text) {
    const size_t i = size_t(ch.unicode() - kFirst);
    // A character the face lacks comes from a fallback font: the slow way.
    if (m_glyph[i] == 0 && ch != QLatin1Char(' ')) {
      glyphs->resize(first);
      positions->resize(first);
      return false;
    }
    glyphs->append(m_glyph[i]);
    positions->append(QPointF(x, at.y()));
    x += m_advance[i];
  }
  return true;
}

void ReportFace::drawGlyphs(QPainter& painter, const QPointF& origin, const QList<quint32>& glyphs,
                            const QList<QPointF>& positions) const {
  QGlyphRun run;
  run.setRawFont(m_raw);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  run.setUnderline(m_underline);
  painter.drawGlyphRun(origin, run);
}

void ReportFace::draw(QPainter& painter, const QPointF& origin, const QString& text) const {
  QList<quint32> glyphs;
  QList<QPointF> positions;
  if (appendGlyphs(text, QPointF(0, 0), &glyphs, &positions)) {
    drawGlyphs(painter, origin, glyphs, positions);
    return;
  }
  painter.setFont(m_font);
  painter.drawText(origin, text);
}

const ReportFace& CachedReportFace(const TextFont& font) {
  using Key = std::tuple<QString, double, bool, bool, bool>;
  // Kept to the end of the process: fonts must outlive every report, and
  // a program has only a handful.
  static auto* faces = new std::map<Key, std::unique_ptr<ReportFace>>;
  Key key{font.name, font.size, font.bold, font.italic, font.underline};
  auto it = faces->find(key);
  if (it == faces->end()) {
    it = faces->emplace(key, std::make_unique<ReportFace>(font)).first;
  }
  return *it->second;
}

}  // namespace qv
