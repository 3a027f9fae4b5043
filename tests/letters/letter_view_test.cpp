// Page Properties units and the preview's zoom and layout arithmetic; the
// page stack is checked through the preview window's buttons.
#include <gtest/gtest.h>

#include "letters/letter_view.h"

namespace qv {
namespace {

// What each unit shows is checked through the Page Properties window.
TEST(PageProperties, UnitsReadBack) {
  const struct {
    const char* text;
    PageUnit unit;
    int twips;
  } reads[] = {
      {"1", PageUnit::Inch, 1440},   {"8.5", PageUnit::Inch, 12240}, {"2.54", PageUnit::Cm, 1440},
      {"1", PageUnit::Cm, 567},      {"720", PageUnit::Twips, 720},  {"", PageUnit::Inch, 0},
      {"abc", PageUnit::Cm, 0},      {"0.004", PageUnit::Inch, 6},
  };
  for (const auto& r : reads) EXPECT_EQ(ReadLength(r.text, r.unit), r.twips) << r.text;
}

// The zoom steps are checked through the preview window's buttons.
TEST(Preview, FillZoomAndLayoutInPixels) {
  // An 8.5 in page on a 96 dpi screen is 816 pixels: a 700 pixel window
  // shows it at 700 / 816 * 100 truncated = 85 percent.
  EXPECT_EQ(FillZoom(700, 12240, 96), 85);
  // Letter paper with 1.25 / 1 inch margins at 96 dpi and 150 %: the page
  // is 816 x 1056 pixels, times 1.5; margins 120 and 96 pixels, times 1.5.
  const PreviewGeometry g = PreviewLayout(PageLayout{}, 150, 96);
  EXPECT_EQ(std::vector({g.pageWidth, g.pageHeight, g.left, g.top, g.boxWidth()}),
            std::vector({1224, 1584, 180, 144, 1224 - 360}));
  // 1000 twips at 96 dpi is 66 pixels (integer division); at 33 % that is
  // 21.78, rounded to 22 for a margin.
  PageLayout l;
  l.left = 1000;
  EXPECT_EQ(PreviewLayout(l, 33, 96).left, 22);
}

}  // namespace
}  // namespace qv
