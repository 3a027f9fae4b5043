// Fonts of report text. Reports name Windows fonts; the metric-compatible
// Liberation faces stand in for them, so widths and line breaks come out
// as the report's author measured them.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRawFont>
#include <QString>
#include <array>

#include "render/page_stream.h"

class QPainter;
class QPointF;

namespace qv {

// Report text is laid out in units of 1/7200 inch: a point is 100 units, so
// a size with two decimals is an exact pixel size and measuring never
// depends on a screen's resolution.
constexpr double kTextUnitsPerInch = 7200.0;

// The installed family that draws `name` ("Arial" -> "Liberation Sans").
QString ResolveFontFamily(const QString& name);

// The font for `font`, sized in text units, unhinted and without kerning
// (Windows printing adds advance widths without pair kerning).
QFont ReportFont(const TextFont& font);

// One report font, measured and drawn fast. Report fonts are laid out at
// hundreds of pixels per em, where Qt neither caches glyphs nor keeps its
// font engines, so measuring and drawing every text run through QFont costs
// a fresh engine each time. A face keeps the advances and glyphs of the
// common characters and adds them up itself, which gives the same widths
// because report text has no kerning; text with other characters goes the
// slow way.
class ReportFace {
 public:
  explicit ReportFace(const TextFont& font);
  const QFont& font() const { return m_font; }
  const QFontMetricsF& metrics() const { return m_metrics; }
  // In text units.
  double width(const QString& text) const;
  // `painter` is in text units; the text's baseline starts at `origin`.
  void draw(QPainter& painter, const QPointF& origin, const QString& text) const;
  // The glyphs of `text` with their positions, its baseline starting at
  // `at`, added to a run of this face; false (and nothing added) for text
  // that must be drawn the slow way.
  bool appendGlyphs(const QString& text, const QPointF& at, QList<quint32>* glyphs,
                    QList<QPointF>* positions) const;
  // A run of glyphs with positions from `origin`.
  void drawGlyphs(QPainter& painter, const QPointF& origin, const QList<quint32>& glyphs,
                  const QList<QPointF>& positions) const;
  bool underlined() const { return m_underline; }

 private:
  static constexpr int kFirst = 0x20, kEnd = 0x300;  // Latin, with its accents
  bool cached(const QString& text) const;

  QFont m_font;
  QFontMetricsF m_metrics;
  QRawFont m_raw;
  bool m_underline;
  std::array<double, kEnd - kFirst> m_advance{};
  std::array<quint32, kEnd - kFirst> m_glyph{};
};

// The face of `font`, made once per font (colour aside) and kept.
const ReportFace& CachedReportFace(const TextFont& font);

}  // namespace qv
