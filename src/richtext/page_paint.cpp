#include "richtext/page_paint.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextLayout>
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

}  // namespace

int AppendPageOps(const RichDocument& rich, int index, double dx, double dy,
                  std::vector<PageOp>* out, PictureCache* cache) {
  const QTextDocument& doc = rich.doc();
  QAbstractTextDocumentLayout* layout = doc.documentLayout();
  const double pageHeight = doc.pageSize().height();
  const double top = index * pageHeight;
  const double bottom = top + pageHeight;
  const double oy = dy - top / kInch;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    const QTextLayout* tl = block.layout();
    if (!tl || tl->lineCount() == 0) continue;
    const QRectF br = layout->blockBoundingRect(block);
    if (br.bottom() < top || br.top() >= bottom) continue;
    const QPointF origin = br.topLeft();
    const QString text = block.text();
    const bool justified = (block.blockFormat().alignment() & Qt::AlignJustify) != 0;
    for (int n = 0; n < tl->lineCount(); ++n) {
      const QTextLine line = tl->lineAt(n);
      const double lineTop = origin.y() + line.y();
      if (lineTop < top - 0.5 || lineTop >= bottom - 0.5) continue;
      const double baseline = lineTop + line.ascent();
      const int lineStart = line.textStart();
      const int lineEnd = lineStart + line.textLength();
      const bool lastLine = n + 1 == tl->lineCount();
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
