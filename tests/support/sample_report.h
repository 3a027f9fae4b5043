// A sample contact list on the report canvas that uses every kind of
// operation: header and footer on each page, fonts, tab cells with box
// lines, shading and clipping, pens, a rectangle and a picture. Tests and
// the screenshot tool run it.
#pragma once

#include "render/report_canvas.h"

namespace qv::testing {

// Body rows of Arial 9 points per page: the body is 9.25 in tall (letter
// paper, 0.5 in margins, 0.75 in header) and an Arial 9 line is
// 9 / 72 * 2355 / 2048 in (Arial's ascent 1854, descent 434 and line gap
// 67 in 2048ths of an em), so 64 lines fit.
constexpr int kSampleRowsPerPage = 64;

// Wires the canvas's events to print `rows` rows.
void WireSampleReport(ReportCanvas& canvas, int rows);

}  // namespace qv::testing
