#include "store/label_geometry.h"

#include <cmath>

namespace qv {

namespace {

long long Thousandths(double inches) { return std::llround(inches * 1000.0); }

}  // namespace

std::string_view ValidLabelGeometry(const LabelGeometry& g) {
  if (g.height < 0.3) return "Label Height must be at least .3 inches (or 7mm)";
  if (g.width < 1.0) return "Label Width must be at least 1 inch (or 25mm)";
  if (g.across > 1 && g.horizontal_pitch < g.width) {
    return "Horizontal Pitch must be at least = Label Width";
  }
  if (g.down > 1 && g.vertical_pitch < g.height) {
    return "Vertical Pitch must be at least = Label Height";
  }
  if (g.sheet_width < 0.3) return "Page Width must be at least .3 inch";
  if (g.sheet_height < 0.3) return "Page Height must be at least .3 inches";
  if (g.description.empty()) return "You must provide a description";
  return {};
}

bool LabelFitsSheet(const LabelGeometry& g) {
  if (g.across < 1 || g.down < 1) return false;
  const long long right = Thousandths(g.left_margin) +
                          (g.across - 1) * Thousandths(g.horizontal_pitch) + Thousandths(g.width);
  const long long bottom = Thousandths(g.top_margin) +
                           (g.down - 1) * Thousandths(g.vertical_pitch) + Thousandths(g.height);
  return right <= Thousandths(g.sheet_width) && bottom <= Thousandths(g.sheet_height);
}

}  // namespace qv
