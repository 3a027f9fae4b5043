#include "render/page_painter.h"

#include <QImage>
#include <QPaintEngine>

#include "render/report_fonts.h"

namespace qv {

namespace {

constexpr double kUnits = kTextUnitsPerInch;

QRectF ToUnits(const QRectF& r) {
  return QRectF(r.left() * kUnits, r.top() * kUnits, r.width() * kUnits, r.height() * kUnits);
}

Qt::PenStyle QtStyle(PenStyle style) {
  switch (style) {
    case PenStyle::Solid:
      return Qt::SolidLine;
    case PenStyle::Dash:
      return Qt::DashLine;
    case PenStyle::Dot:
      return Qt::DotLine;
    case PenStyle::DashDot:
      return Qt::DashDotLine;
    case PenStyle::DashDotDot:
      return Qt::DashDotDotLine;
    case PenStyle::Clear:
      return Qt::NoPen;
  }
  return Qt::SolidLine;
}

// A pen in text units that is never thinner than one device pixel.
QPen QtPen(const Pen& pen, double pixelsPerInch) {
  double onePixel = kUnits / pixelsPerInch;
  QPen result(QColor::fromRgba(pen.color), qMax(pen.width * kUnits, onePixel), QtStyle(pen.style),
              Qt::FlatCap, Qt::MiterJoin);
  return result;
}

void ApplyMode(QPainter& painter, PenMode mode) {
  // Raster operations exist only on raster devices; printers draw Copy.
  bool raster = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
  painter.setCompositionMode(mode == PenMode::Xor && raster
                                 ? QPainter::RasterOp_SourceXorDestination
                                 : QPainter::CompositionMode_SourceOver);
}

}  // namespace

void PaintOp(QPainter& painter, const PageOp& op, double pixelsPerInch) {
  painter.save();
  painter.scale(pixelsPerInch / kUnits, pixelsPerInch / kUnits);
  if (const auto* t = std::get_if<TextOp>(&op)) {
    if (t->clipped) painter.setClipRect(ToUnits(t->clip), Qt::IntersectClip);
    painter.setFont(ReportFont(t->font));
    painter.setPen(QColor::fromRgba(t->font.color));
    painter.drawText(QPointF(t->x * kUnits, t->y * kUnits), t->text);
  } else if (const auto* l = std::get_if<LineOp>(&op)) {
    if (l->pen.style != PenStyle::Clear) {
      ApplyMode(painter, l->pen.mode);
      painter.setPen(QtPen(l->pen, pixelsPerInch));
      painter.drawLine(QPointF(l->x1 * kUnits, l->y1 * kUnits),
                       QPointF(l->x2 * kUnits, l->y2 * kUnits));
    }
  } else if (const auto* r = std::get_if<RectOp>(&op)) {
    ApplyMode(painter, r->pen.mode);
    painter.setPen(QtPen(r->pen, pixelsPerInch));
    painter.setBrush(r->filled ? QBrush(QColor::fromRgba(r->fill)) : QBrush(Qt::NoBrush));
    painter.drawRect(ToUnits(r->rect.normalized()));
  } else if (const auto* s = std::get_if<ShadeOp>(&op)) {
    painter.fillRect(ToUnits(s->rect.normalized()), QColor(ShadeColor(s->percent)));
  } else if (const auto* i = std::get_if<ImageOp>(&op)) {
    QImage image = QImage::fromData(i->png, "PNG");
    if (!image.isNull()) {
      painter.setRenderHint(QPainter::SmoothPixmapTransform);
      painter.drawImage(ToUnits(i->rect.normalized()), image);
    }
  }
  painter.restore();
}

void PaintPage(QPainter& painter, const Page& page, double pixelsPerInch) {
  for (const PageOp& op : page.ops) PaintOp(painter, op, pixelsPerInch);
}

}  // namespace qv
