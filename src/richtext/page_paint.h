// Pages of a RichDocument as report operations: the same operations go to
// the printer, to a PDF file, into a page stream and onto the screen, so a
// letter breaks at the same line everywhere.
#pragma once

#include <QHash>
#include <QPainter>
#include <QRectF>
#include <vector>

#include "render/page_stream.h"
#include "richtext/rich_document.h"

namespace qv {

// PNG bytes of the document's pictures, encoded once per run.
using PictureCache = QHash<QString, QByteArray>;

// Appends the operations of page `index` (from 0) of `doc`, in inches, with
// the text area's top-left corner at (`x`, `y`). Answers the next page's
// index, or 0 when `index` is the last page.
// REQUIRES: doc.reformat() after the last change.
int AppendPageOps(const RichDocument& doc, int index, double x, double y,
                  std::vector<PageOp>* out, PictureCache* cache = nullptr);

// Paints page `index` into `rect` (device pixels) at `pixelsPerInch`, which
// carries the zoom. Answers the next page's index, or 0 when none.
int PaintRichPage(QPainter& painter, const RichDocument& doc, int index, const QRectF& rect,
                  double pixelsPerInch);

// The whole page `index` as printed: paper size and the text at the margins.
Page RichPage(const RichDocument& doc, int index, int* next, PictureCache* cache = nullptr);

}  // namespace qv
