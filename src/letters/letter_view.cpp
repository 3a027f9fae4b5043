#include "letters/letter_view.h"

#include <cmath>

namespace qv {

namespace {
// One inch in twips and one centimetre in twips.
constexpr double kTwipsPerCm = 566.929;
}  // namespace

QString ShowLength(int twips, PageUnit unit) {
  switch (unit) {
    case PageUnit::Inch:
      return QString::number(twips / 1440.0, 'f', 2);
    case PageUnit::Cm:
      return QString::number(twips * 0.0017638893, 'f', 2);
    case PageUnit::Twips:
      break;
  }
  return QString::number(twips);
}

int ReadLength(const QString& text, PageUnit unit) {
  bool ok = false;
  const double v = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) return 0;
  double twips = v;
  if (unit == PageUnit::Inch) twips = v * 1440;
  if (unit == PageUnit::Cm) twips = v * kTwipsPerCm;
  // Far beyond any paper; keeps a typing slip from overflowing.
  twips = std::clamp(twips, -1440.0 * 1000, 1440.0 * 1000);
  return int(std::lround(twips));
}

PreviewGeometry PreviewLayout(const PageLayout& l, int zoom, int ppi) {
  auto pixels = [ppi](int twips) { return (qint64(twips) * ppi) / 1440; };
  const double z = zoom * 0.01;
  PreviewGeometry g;
  g.pageWidth = int(std::trunc(pixels(l.width) * z));
  g.pageHeight = int(std::trunc(pixels(l.height) * z));
  g.left = int(std::lround(pixels(l.left) * z));
  g.right = int(std::lround(pixels(l.right) * z));
  g.top = int(std::lround(pixels(l.top) * z));
  g.bottom = int(std::lround(pixels(l.bottom) * z));
  return g;
}

int FillZoom(int windowPixels, int twips, int ppi) {
  const double page = double(twips) * ppi / 1440.0;
  if (page <= 0) return 100;
  return int(std::trunc(windowPixels / page * 100));
}

bool PreviewPager::zoomIn() {
  if (zoom >= 150) return false;
  zoom = int(std::trunc(zoom * 1.25));
  return true;
}

bool PreviewPager::zoomOut() {
  if (zoom <= 50) return false;
  zoom = int(std::trunc(zoom * 0.75));
  return true;
}

bool PreviewPager::nextPage() {
  if (nextIndex <= 0) return false;
  ++pageNumber;
  m_earlier.push_back(QString::number(pageIndex));
  pageIndex = nextIndex;
  return true;
}

bool PreviewPager::previousPage() {
  if (m_earlier.isEmpty()) return false;
  --pageNumber;
  pageIndex = m_earlier.takeLast().toInt();
  return true;
}

void PreviewPager::firstPage() {
  pageNumber = 1;
  pageIndex = 0;
  nextIndex = 0;
  m_earlier.clear();
}

}  // namespace qv
