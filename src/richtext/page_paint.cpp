#include "richtext/page_paint.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <cmath>

#include "render/page_painter.h"

namespace qv {

namespace {

constexpr double kInch = kTwipsPerInch;

QByteArray PicturePng(const QTextDocument& doc, const QString& name, PictureCache* cache) {
  if (cache) {
    auto it = cache->constFind(name);
    if (it != cache->constEnd()) return *it;
  }
  const QVariant data = doc.resource(QTextDocument::ImageResource, QUrl(name));
  QByteArray png;
  if (data.userType() == QMetaType::QByteArray && data.toByteArray().startsWith("\x89PNG")) {
    png = data.toByteArray();
  } else {
    QImage image = data.userType() == QMetaType::QByteArray
                       ? QImage::fromData(data.toByteArray())
                       : data.value<QImage>();
    if (!image.isNull()) {
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, "PNG");
    }
  }
  if (cache) cache->insert(name, png);
  return png;
}

TextFont FontOf(const QTextCharFormat& f, const QTextDocument& doc) {
  TextFont font;
  const QStringList families = f.fontFamilies().toStringList();
  font.name = families.isEmpty() ? doc.defaultFont().family() : families.first();
  font.size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                         : doc.defaultFont().pointSizeF();
  font.bold = f.fontWeight() >= QFont::DemiBold;
  font.italic = f.fontItalic();
  font.underline = f.fontUnderline();
  font.color = f.foreground().style() == Qt::NoBrush ? 0xFF000000 : f.foreground().color().rgba();
  return font;
}

// One piece of a line in one format: words of a justified line and the
// runs between tabs each go to their own position.
void EmitRun(const QTextLine& line, const QString& blockText, int from, int to,
             const QTextCharFormat& f, const QTextDocument& doc, bool justified, QPointF origin,
             double baseline, double dx, double dy, std::vector<PageOp>* out) {
  const TextFont font = FontOf(f, doc);
  int start = from;
  auto flush = [&](int end) {
    if (end <= start) return;
    QString text = blockText.mid(start, end - start);
    const double x = origin.x() + line.cursorToX(start);
    if (f.background().style() != Qt::NoBrush) {
      RectOp r;
      const double x2 = origin.x() + line.cursorToX(end);
      r.rect = QRectF(dx + x / kInch, dy + (baseline - line.ascent()) / kInch, (x2 - x) / kInch,
                      line.height() / kInch);
      r.pen.style = PenStyle::Clear;
      r.filled = true;
      r.fill = f.background().color().rgba();
      out->push_back(r);
    }
    text.replace(QChar(QChar::LineSeparator), QString());
    while (text.endsWith(QLatin1Char(' ')) && !font.underline && !f.fontStrikeOut()) text.chop(1);
    if (text.isEmpty()) return;
    TextOp t;
    t.x = dx + x / kInch;
    t.y = dy + baseline / kInch;
    t.font = font;
    t.text = text;
    out->push_back(t);
    if (f.fontStrikeOut()) {
      LineOp l;
      const double x2 = origin.x() + line.cursorToX(end);
      const double y = dy + (baseline - line.ascent() * 0.3) / kInch;
      l.x1 = t.x;
      l.x2 = dx + x2 / kInch;
      l.y1 = l.y2 = y;
      l.pen.color = font.color;
      l.pen.width = font.size / 72.0 / 15.0;
      out->push_back(l);
    }
  };
  for (int i = from; i < to; ++i) {
    const QChar c = blockText.at(i);
    if (c == QLatin1Char('\t')) {
      flush(i);
      start = i + 1;
    } else if (justified && c == QLatin1Char(' ')) {
      flush(i);
      start = i + 1;
    }
  }
  flush(to);
}

// A list item's marker ("\u2022", "2.", "iv.") left of its first line.
void EmitListMarker(const QTextBlock& block, const QTextLine& first, QPointF origin,
                    double baseline, const QTextDocument& doc, double dx, double dy,
                    std::vector<PageOp>* out) {
  const QTextList* list = block.textList();
  const QTextListFormat::Style style = list->format().style();
  const bool bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
                      style == QTextListFormat::ListSquare;
  const QTextBlockFormat bf = block.blockFormat();
  const double textStart = origin.x() + first.cursorToX(first.textStart());
  const double indent = bf.hasProperty(kListMarkerIndent) ? bf.intProperty(kListMarkerIndent) : -360;
  TextOp t;
  t.x = dx + (textStart + std::min(indent, -180.0)) / kInch;
  t.y = dy + baseline / kInch;
  QTextBlock::iterator it = block.begin();
  t.font = FontOf(!it.atEnd() ? it.fragment().charFormat() : block.charFormat(), doc);
  t.font.underline = false;
  t.text = bullet ? QString(QChar(0x2022)) : list->itemText(block);
  out->push_back(t);
}

void BorderLine(double x1, double y1, double x2, double y2, double width, const QBrush& brush,
                std::vector<PageOp>* out) {
  LineOp l;
  l.x1 = x1;
  l.y1 = y1;
  l.x2 = x2;
  l.y2 = y2;
  l.pen.width = width * kTwipsPerLayoutPixel / kInch;
  l.pen.color = brush.style() == Qt::NoBrush ? 0xFF000000 : brush.color().rgba();
  out->push_back(l);
}

// The lines of the cells with borders whose row starts on the page.
void EmitTableBorders(const QTextTable* table, QAbstractTextDocumentLayout* layout, double top,
                      double bottom, double dx, double dy, std::vector<PageOp>* out) {
  const QTextDocument* doc = table->document();
  auto cellRect = [layout, doc](const QTextTableCell& cell) {
    QRectF r = layout->blockBoundingRect(doc->findBlock(cell.firstPosition()));
    return r.united(layout->blockBoundingRect(doc->findBlock(cell.lastPosition())));
  };
  // Rows go down the pages in order: find the first that starts on this
  // page instead of measuring every row of a long table for every page.
  auto rowStart = [&](int row) {
    return layout->blockBoundingRect(doc->findBlock(table->cellAt(row, 0).firstPosition())).top();
  };
  int first = 0, last = table->rows();
  while (first < last) {
    const int mid = first + (last - first) / 2;
    if (rowStart(mid) < top - 0.5) first = mid + 1;
    else last = mid;
  }
  for (int row = std::max(0, first - 1); row < table->rows(); ++row) {
    double rowTop = 1e300, rowBottom = -1e300;
    for (int c = 0; c < table->columns(); ++c) {
      const QRectF r = cellRect(table->cellAt(row, c));
      rowTop = std::min(rowTop, r.top());
      rowBottom = std::max(rowBottom, r.bottom());
    }
    if (rowTop >= bottom - 0.5 && row >= first) break;
    if (rowTop < top - 0.5 || rowTop >= bottom - 0.5) continue;
    for (int c = 0; c < table->columns(); ++c) {
      const QTextTableCell cell = table->cellAt(row, c);
      const bool spans = cell.rowSpan() > 1 || cell.columnSpan() > 1;
      if (spans && (cell.row() != row || cell.column() != c)) continue;  // covered by a span
      const QTextTableCellFormat f = cell.format().toTableCellFormat();
      const QRectF r = cellRect(cell);
      const double x1 = dx + r.left() / kInch, x2 = dx + r.right() / kInch;
      const double y1 = dy + rowTop / kInch, y2 = dy + rowBottom / kInch;
      auto on = [](double width, QTextFrameFormat::BorderStyle style) {
        return width > 0 && style != QTextFrameFormat::BorderStyle_None;
      };
      if (on(f.topBorder(), f.topBorderStyle())) {
        BorderLine(x1, y1, x2, y1, f.topBorder(), f.topBorderBrush(), out);
      }
      if (on(f.bottomBorder(), f.bottomBorderStyle())) {
        BorderLine(x1, y2, x2, y2, f.bottomBorder(), f.bottomBorderBrush(), out);
      }
      if (on(f.leftBorder(), f.leftBorderStyle())) {
        BorderLine(x1, y1, x1, y2, f.leftBorder(), f.leftBorderBrush(), out);
      }
      if (on(f.rightBorder(), f.rightBorderStyle())) {
        BorderLine(x2, y1, x2, y2, f.rightBorder(), f.rightBorderBrush(), out);
      }
    }
  }
}

void EmitFrameBorders(const QTextFrame* frame, QAbstractTextDocumentLayout* layout, double top,
                      double bottom, double dx, double dy, std::vector<PageOp>* out) {
  for (QTextFrame* child : frame->childFrames()) {
    const QRectF r = layout->frameBoundingRect(child);
    if (r.bottom() < top || r.top() >= bottom) continue;
    if (const auto* table = qobject_cast<const QTextTable*>(child)) {
      EmitTableBorders(table, layout, top, bottom, dx, dy, out);
    }
    EmitFrameBorders(child, layout, top, bottom, dx, dy, out);
  }
}

}  // namespace

int AppendPageOps(const RichDocument& rich, int index, double dx, double dy,
                  std::vector<PageOp>* out, PictureCache* cache) {
  const QTextDocument& doc = rich.doc();
  QAbstractTextDocumentLayout* layout = doc.documentLayout();
  const double pageHeight = doc.pageSize().height();
  const double top = index * pageHeight;
  const double bottom = top + pageHeight;
  const double oy = dy - top / kInch;
  for (QTextBlock block = doc.findBlockByNumber(rich.firstBlockOfPage(index)); block.isValid();
       block = block.next()) {
    const QTextLayout* tl = block.layout();
    if (!tl || tl->lineCount() == 0) continue;
    const QRectF br = layout->blockBoundingRect(block);
    // Past the page: done, unless in a table, whose next cell may still
    // start on it.
    if (br.top() >= bottom && doc.frameAt(block.position()) == doc.rootFrame()) break;
    if (br.bottom() < top || br.top() >= bottom) continue;
    const QPointF origin = br.topLeft();
    const QString text = block.text();
    const bool justified = (block.blockFormat().alignment() & Qt::AlignJustify) != 0;
    for (int n = 0; n < tl->lineCount(); ++n) {
      const QTextLine line = tl->lineAt(n);
      const double lineTop = origin.y() + line.y();
      const double baseline = lineTop + line.ascent();
      // By its baseline: a line of an exact height below its font's is
      // lifted, so the first one of a page can start above the page.
      if (baseline < top || baseline >= bottom) continue;
      const int lineStart = line.textStart();
      const int lineEnd = lineStart + line.textLength();
      const bool lastLine = n + 1 == tl->lineCount();
      if (n == 0 && block.textList()) EmitListMarker(block, line, origin, baseline, doc, dx, oy, out);
      for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fr = it.fragment();
        const int fs = fr.position() - block.position();
        const int fe = fs + fr.length();
        const int from = std::max(fs, lineStart);
        const int to = std::min(fe, lineEnd);
        if (from >= to) continue;
        const QTextCharFormat f = fr.charFormat();
        if (f.isImageFormat()) {
          const QTextImageFormat img = f.toImageFormat();
          const double w = img.width() * 15.0, h = img.height() * 15.0;
          ImageOp op;
          const double x = origin.x() + line.cursorToX(from);
          op.rect = QRectF(dx + x / kInch, oy + (baseline - h) / kInch, w / kInch, h / kInch);
          op.png = PicturePng(doc, img.name(), cache);
          if (!op.png.isEmpty()) out->push_back(op);
          continue;
        }
        EmitRun(line, text, from, to, f, doc, justified && !lastLine, origin, baseline, dx, oy,
                out);
      }
    }
  }
  EmitFrameBorders(doc.rootFrame(), layout, top, bottom, dx, oy, out);
  const int pages = rich.pageCount();
  return index + 1 < pages ? index + 1 : 0;
}

int PaintRichPage(QPainter& painter, const RichDocument& doc, int index, const QRectF& rect,
                  double pixelsPerInch) {
  std::vector<PageOp> ops;
  const int next = AppendPageOps(doc, index, 0, 0, &ops);
  painter.save();
  painter.translate(rect.topLeft());
  painter.setClipRect(QRectF(QPointF(0, 0), rect.size()).adjusted(-2, -2, 2, 2));
  for (const PageOp& op : ops) PaintOp(painter, op, pixelsPerInch);
  painter.restore();
  return next;
}

Page RichPage(const RichDocument& doc, int index, int* next, PictureCache* cache) {
  const PageLayout l = doc.layout();
  Page page;
  page.width = l.width / kInch;
  page.height = l.height / kInch;
  const int n = AppendPageOps(doc, index, l.left / kInch, l.top / kInch, &page.ops, cache);
  if (next) *next = n;
  return page;
}

}  // namespace qv
