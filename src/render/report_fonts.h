// Fonts of report text. Reports name Windows fonts; the metric-compatible
// Liberation faces stand in for them, so widths and line breaks come out
// as the report's author measured them.
#pragma once

#include <QFont>
#include <QString>

#include "render/page_stream.h"

namespace qv {

// Report text is laid out in units of 1/7200 inch: a point is 100 units, so
// a size with two decimals is an exact pixel size and measuring never
// depends on a screen's resolution.
constexpr double kTextUnitsPerInch = 7200.0;

// The installed family that draws `name` ("Arial" -> "Liberation Sans").
QString ResolveFontFamily(const QString& name);

// The font for `font`, sized in text units, unhinted and without kerning
// (Windows printing adds advance widths without pair kerning).
QFont ReportFont(const TextFont& font);

}  // namespace qv
