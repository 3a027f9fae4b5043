// Draws recorded page operations on a painter: the same code draws on a
// printer, into a PDF file and in the preview, so all three agree.
#pragma once

#include <QPainter>

#include "render/page_stream.h"

namespace qv {

// Draws `op` with the page's top-left corner at the painter's current
// origin, at `pixelsPerInch` device pixels per inch. Vector operations are
// drawn at that resolution, so a zoomed preview stays sharp.
void PaintOp(QPainter& painter, const PageOp& op, double pixelsPerInch);

// Draws every operation of `page` (not its background).
void PaintPage(QPainter& painter, const Page& page, double pixelsPerInch);

}  // namespace qv
