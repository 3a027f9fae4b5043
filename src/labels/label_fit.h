// Fitting an address block onto a label that is too small for it ("Trim
// text to fit label"). A piece without its ZIP code or its city line cannot
// be delivered, so those lines are never given up: the line that holds them
// first prints in a smaller font (down to kMinFitPoints), then loses the end
// of the place name, never the code; the country line of a foreign address
// is kept likewise. When the lines are too many for the label's height, the
// phone, title and organisation lines go first, then the other lines that
// carry no part of the delivery, from the bottom up.
#pragma once

#include <QString>
#include <vector>

#include "labels/address_lines.h"

namespace qv {

class ReportCanvas;

// The smallest font the city and ZIP line is shrunk to.
constexpr double kMinFitPoints = 6.0;

// Widths and line heights of the label's font at a given size, in inches.
class LineMeasure {
 public:
  virtual ~LineMeasure() = default;
  virtual double width(const QString& text, double points) const = 0;
  virtual double lineHeight(double points) const = 0;
};

// Measures in the canvas's current font face; leaves its size as it was.
class CanvasMeasure : public LineMeasure {
 public:
  explicit CanvasMeasure(ReportCanvas& canvas) : m_canvas(canvas) {}
  double width(const QString& text, double points) const override;
  double lineHeight(double points) const override;

 private:
  ReportCanvas& m_canvas;
};

struct FittedLine {
  QString text;
  double points = 0;
  AddressLineKind kind = AddressLineKind::Name;
};

// The lines of `fields` under `options` that go on a label with `width` by
// `height` inches of room for text, each with the font size it prints in.
// The ZIP line may still be wider than `width` when even the ZIP and state
// alone at the smallest size are; it then prints whole.
std::vector<FittedLine> FitAddressBlock(const AddressFields& fields, const AddressOptions& options,
                                        double points, double width, double height,
                                        const LineMeasure& measure);

}  // namespace qv
