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

OpPainter::OpPainter(QPainter& painter, double pixelsPerInch)
    : m_painter(painter), m_pixelsPerInch(pixelsPerInch) {
  m_painter.save();
  m_painter.scale(pixelsPerInch / kUnits, pixelsPerInch / kUnits);
}

OpPainter::~OpPainter() {
  flush();
  m_painter.restore();
}

void OpPainter::flush() {
  if (!m_glyphs.isEmpty()) {
    ApplyMode(m_painter, PenMode::Copy);
    m_painter.setPen(QColor::fromRgba(m_textColor));
    m_textFace->drawGlyphs(m_painter, m_textOrigin, m_glyphs, m_positions);
    m_glyphs.clear();
    m_positions.clear();
  }
  if (m_lines.empty()) return;
  ApplyMode(m_painter, m_linePen.mode);
  m_painter.setPen(QtPen(m_linePen, m_pixelsPerInch));
  m_painter.drawLines(m_lines.data(), int(m_lines.size()));
  m_lines.clear();
}

// Texts in one face and colour that follow each other (a label's lines)
// go out as one run: a PDF writes a run's font and graphics state once.
void OpPainter::text(const TextOp& t) {
  const ReportFace& face = CachedReportFace(t.font);
  const QPointF at(t.x * kUnits, t.y * kUnits);
  if (!t.clipped && !face.underlined()) {
    if (!m_glyphs.isEmpty() && (&face != m_textFace || t.font.color != m_textColor)) flush();
    if (m_glyphs.isEmpty()) {
      m_textFace = &face;
      m_textColor = t.font.color;
      m_textOrigin = at;
    }
    if (face.appendGlyphs(t.text, at - m_textOrigin, &m_glyphs, &m_positions)) return;
  }
  flush();
  if (t.clipped) {
    m_painter.save();
    m_painter.setClipRect(ToUnits(t.clip), Qt::IntersectClip);
  }
  ApplyMode(m_painter, PenMode::Copy);
  m_painter.setPen(QColor::fromRgba(t.font.color));
  face.draw(m_painter, at, t.text);
  if (t.clipped) m_painter.restore();
}

void OpPainter::line(const LineOp& l) {
  if (!m_glyphs.isEmpty()) flush();
  if (l.pen.style == PenStyle::Clear) return;
  if (!m_lines.empty() && !(l.pen == m_linePen)) flush();
  m_linePen = l.pen;
  m_lines.emplace_back(QPointF(l.x1 * kUnits, l.y1 * kUnits), QPointF(l.x2 * kUnits, l.y2 * kUnits));
  // Inverting lines are drawn one by one, so each crossing inverts twice.
  if (l.pen.mode == PenMode::Xor) flush();
}

// The bars are drawn as the lines they always were, but from the code's own
// origin: a PDF then holds short numbers for them (a PDF of labels is less
// than half the size and quicker to compress), and the pixels stay the same.
void OpPainter::barCode(const BarCodeOp& code) {
  const std::vector<LineOp> bars = BarCodeLines(code);
  if (bars.empty()) return;
  flush();
  const double x = code.x, y = code.y;
  for (const LineOp& bar : bars) {
    m_lines.emplace_back(QPointF((bar.x1 - x) * kUnits, (bar.y1 - y) * kUnits),
                         QPointF((bar.x2 - x) * kUnits, (bar.y2 - y) * kUnits));
  }
  m_linePen = bars.front().pen;
  const QTransform page = m_painter.worldTransform();
  m_painter.translate(x * kUnits, y * kUnits);
  flush();
  m_painter.setWorldTransform(page);
}

void OpPainter::paint(const PageOp& op) {
  if (const auto* l = std::get_if<LineOp>(&op)) {
    line(*l);
    return;
  }
  if (const auto* b = std::get_if<BarCodeOp>(&op)) {
    barCode(*b);
    return;
  }
  if (const auto* t = std::get_if<TextOp>(&op)) {
    if (!m_lines.empty()) flush();
    text(*t);
    return;
  }
  // What is held back comes first: what is drawn later may cover it.
  flush();
  if (const auto* r = std::get_if<RectOp>(&op)) {
    ApplyMode(m_painter, r->pen.mode);
    m_painter.setPen(QtPen(r->pen, m_pixelsPerInch));
    m_painter.setBrush(r->filled ? QBrush(QColor::fromRgba(r->fill)) : QBrush(Qt::NoBrush));
    m_painter.drawRect(ToUnits(r->rect.normalized()));
    m_painter.setBrush(Qt::NoBrush);
  } else if (const auto* s = std::get_if<ShadeOp>(&op)) {
    ApplyMode(m_painter, PenMode::Copy);
    m_painter.fillRect(ToUnits(s->rect.normalized()), QColor(ShadeColor(s->percent)));
  } else if (const auto* i = std::get_if<ImageOp>(&op)) {
    QImage image = QImage::fromData(i->png, "PNG");
    if (!image.isNull()) {
      ApplyMode(m_painter, PenMode::Copy);
      m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
      m_painter.drawImage(ToUnits(i->rect.normalized()), image);
    }
  }
}

void PaintOp(QPainter& painter, const PageOp& op, double pixelsPerInch) {
  OpPainter(painter, pixelsPerInch).paint(op);
}

void PaintPage(QPainter& painter, const Page& page, double pixelsPerInch) {
  OpPainter ops(painter, pixelsPerInch);
  for (const PageOp& op : page.ops) ops.paint(op);
}

}  // namespace qv
