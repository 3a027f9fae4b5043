#include "labels/label_fit.h"

#include <algorithm>
#include <array>

#include "labels/postnet.h"
#include "render/report_canvas.h"

namespace qv {

namespace {

// Room compared with the slack the canvas allows its own line fitting.
constexpr double kSlack = 1e-6;

using K = AddressLineKind;

// Lines the delivery depends on: the city and ZIP, and the country of a
// foreign address.
bool Kept(const AddressLine& line, const AddressFields& fields) {
  return line.holdsZip || line.kind == K::City ||
         (line.kind == K::Country && IsForeignCountry(fields.country));
}

// The line of `kind` composed again with its place name cut to `chars`.
QString WithPlaceCut(AddressFields fields, const AddressOptions& options, K kind, int chars) {
  QString& place = kind == K::Country ? fields.country : fields.city;
  place = place.left(chars);
  while (place.endsWith(QLatin1Char(' '))) place.chop(1);
  for (const AddressLine& line : ComposeAddressBlock(fields, options)) {
    if (line.kind == kind) return line.text;
  }
  return {};
}

FittedLine FitKeptLine(const AddressLine& line, const AddressFields& fields,
                       const AddressOptions& options, double points, double width,
                       const LineMeasure& m) {
  FittedLine out{line.text, points, line.kind};
  const double smallest = std::min(points, kMinFitPoints);
  while (out.points > smallest && m.width(out.text, out.points) > width + kSlack) {
    out.points = std::max(smallest, out.points - 1);
  }
  if (m.width(out.text, out.points) <= width + kSlack) return out;
  if (line.kind != K::City && line.kind != K::Country) return out;  // a ZIP alone stays whole
  const QString& place = line.kind == K::Country ? fields.country : fields.city;
  for (int chars = int(place.size()) - 1; chars >= 0; --chars) {
    out.text = WithPlaceCut(fields, options, line.kind, chars);
    if (m.width(out.text, out.points) <= width + kSlack) break;
  }
  return out;
}

}  // namespace

double CanvasMeasure::width(const QString& text, double points) const {
  const double was = m_canvas.font().size;
  m_canvas.setFontSize(points);
  const double w = m_canvas.textWidth(text);
  m_canvas.setFontSize(was);
  return w;
}

double CanvasMeasure::lineHeight(double points) const {
  const double was = m_canvas.font().size;
  m_canvas.setFontSize(points);
  const double h = m_canvas.lineHeight();
  m_canvas.setFontSize(was);
  return h;
}

std::vector<FittedLine> FitAddressBlock(const AddressFields& fields, const AddressOptions& options,
                                        double points, double width, double height,
                                        const LineMeasure& m) {
  const std::vector<AddressLine> block = ComposeAddressBlock(fields, options);
  std::vector<FittedLine> lines;
  std::vector<bool> kept;
  for (const AddressLine& line : block) {
    kept.push_back(Kept(line, fields));
    if (kept.back()) {
      lines.push_back(FitKeptLine(line, fields, options, points, width, m));
      continue;
    }
    FittedLine out{line.text, points, line.kind};
    while (!out.text.isEmpty() && m.width(out.text, points) > width + kSlack) out.text.chop(1);
    lines.push_back(out);
  }

  auto total = [&] {
    double h = 0;
    for (const FittedLine& line : lines) h += m.lineHeight(line.points);
    return h;
  };
  auto drop = [&](size_t i) {
    lines.erase(lines.begin() + std::ptrdiff_t(i));
    kept.erase(kept.begin() + std::ptrdiff_t(i));
  };
  for (K kind : std::array{K::Phone, K::Title, K::Company}) {
    if (total() <= height + kSlack) return lines;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].kind == kind && !kept[i]) {
        drop(i);
        break;
      }
    }
  }
  for (size_t i = lines.size(); i-- > 0 && total() > height + kSlack;) {
    if (!kept[i]) drop(i);
  }
  return lines;
}

}  // namespace qv
