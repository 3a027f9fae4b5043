// The numbers behind the letter windows, kept apart from the widgets so
// tests can drive them: the Page Properties units, and the preview's zoom,
// page layout and page stack.
#pragma once

#include <QString>
#include <QStringList>

#include "richtext/rich_document.h"

namespace qv {

// ---- Page Properties ("Inch", "Cm", "Twips")
enum class PageUnit { Inch, Cm, Twips };

// A length in twips as the unit shows it: inches and centimetres with two
// decimals, twips as a whole number.
QString ShowLength(int twips, PageUnit unit);
// An edit box's text back into twips; an empty box (or no number) is 0.
int ReadLength(const QString& text, PageUnit unit);

// ---- Preview
// Lengths of the previewed page in screen pixels at a zoom.
struct PreviewGeometry {
  int pageWidth = 0, pageHeight = 0;
  int left = 0, right = 0, top = 0, bottom = 0;
  int boxWidth() const { return pageWidth - (left + right); }
  int boxHeight() const { return pageHeight - (top + bottom); }
};

// Twips to screen pixels (integer division), page sizes truncated and
// margins rounded at `zoom` percent.
PreviewGeometry PreviewLayout(const PageLayout& layout, int zoom, int pixelsPerInch);

// The zoom at which a page `twips` wide (or high) fills `windowPixels`.
int FillZoom(int windowPixels, int twips, int pixelsPerInch);

class PreviewPager {
 public:
  int zoom = 100;
  int pageIndex = 0;   // the page shown (from 0)
  int nextIndex = 0;   // what the last paint reported; 0: no next page
  int pageNumber = 1;  // shown to the user, from 1

  QString pageLabel() const { return QStringLiteral("Page ") + QString::number(pageNumber); }
  // Each answers whether anything changed.
  bool zoomIn();
  bool zoomOut();
  bool nextPage();
  bool previousPage();
  // Another record: the first page again.
  void firstPage();

 private:
  QStringList m_earlier;  // indexes of the earlier pages
};

}  // namespace qv
