// Draws recorded page operations on a painter: the same code draws on a
// printer, into a PDF file and in the preview, so all three agree.
#pragma once

#include <QLineF>
#include <QList>
#include <QPainter>
#include <vector>

#include "render/page_stream.h"

namespace qv {

class ReportFace;

// Draws a page's operations one after another, keeping the painter's scale,
// pen and mode between them, drawing a run of lines with one pen in one call
// and a run of texts in one face and colour as one glyph run. A PDF file
// writes a graphics state for every state change, so a page of labels drawn
// op by op would cost thousands of them. The painter's state is put back
// when this object goes.
class OpPainter {
 public:
  OpPainter(QPainter& painter, double pixelsPerInch);
  ~OpPainter();
  OpPainter(const OpPainter&) = delete;
  OpPainter& operator=(const OpPainter&) = delete;
  void paint(const PageOp& op);
  // Draws the lines held back so far.
  void flush();

 private:
  void line(const LineOp& line);
  void text(const TextOp& text);
  void barCode(const BarCodeOp& code);

  QPainter& m_painter;
  double m_pixelsPerInch;
  std::vector<QLineF> m_lines;  // in text units, all with m_linePen
  Pen m_linePen;
  // Texts held back as one run of glyphs (never beside held lines): one
  // face and colour, positions from the first text's start.
  const ReportFace* m_textFace = nullptr;
  QRgb m_textColor = 0;
  QPointF m_textOrigin;
  QList<quint32> m_glyphs;
  QList<QPointF> m_positions;
};

// Draws `op` with the page's top-left corner at the painter's current
// origin, at `pixelsPerInch` device pixels per inch. Vector operations are
// drawn at that resolution, so a zoomed preview stays sharp.
void PaintOp(QPainter& painter, const PageOp& op, double pixelsPerInch);

// Draws every operation of `page` (not its background).
void PaintPage(QPainter& painter, const Page& page, double pixelsPerInch);

}  // namespace qv
