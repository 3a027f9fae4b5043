// Pages of a document as report operations: where the text lands, which
// page a line falls on, and the next-page answers the letter jobs rely on.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "richtext/page_paint.h"
#include "richtext/rtf.h"

namespace qv {
namespace {

RichDocument Read(const QByteArray& rtf) {
  RichDocument doc;
  EXPECT_TRUE(ReadRtf(rtf, &doc).ok);
  doc.reformat();
  return doc;
}

std::vector<TextOp> Texts(const Page& page) {
  std::vector<TextOp> out;
  for (const PageOp& op : page.ops) {
    if (const auto* t = std::get_if<TextOp>(&op)) out.push_back(*t);
  }
  return out;
}

TEST(PagePaint, TextSitsInsideTheMargins) {
  // One inch left, half an inch top, 8.5 x 11 paper.
  RichDocument d = Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\paperw12240\\paperh15840\\margl1440"
                        "\\margr1440\\margt720\\margb720\\f0\\fs24 Left\\par\\pard\\qr Right\\par"
                        "\\pard\\li720 a\\tab b\\par}");
  int next = -1;
  const Page page = RichPage(d, 0, &next, nullptr);
  EXPECT_EQ(next, 0);
  EXPECT_DOUBLE_EQ(page.width, 8.5);
  EXPECT_DOUBLE_EQ(page.height, 11.0);
  const std::vector<TextOp> t = Texts(page);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].text, "Left");
  EXPECT_DOUBLE_EQ(t[0].x, 1.0);
  // The first baseline: top margin plus the ascent of 12 pt text.
  EXPECT_GT(t[0].y, 0.5 + 8.0 / 72);
  EXPECT_LT(t[0].y, 0.5 + 14.0 / 72);
  EXPECT_EQ(t[0].font.name, "Arial");
  EXPECT_EQ(t[0].font.size, 12.0);
  // Right-aligned text ends at the right margin (7.5 in): it starts within
  // an inch of it.
  EXPECT_EQ(t[1].text, "Right");
  EXPECT_GT(t[1].x, 6.5);
  EXPECT_LT(t[1].x, 7.5);
  EXPECT_GT(t[1].y, t[0].y);
  // Indented 0.5 in; the run after the tab starts at the next default stop.
  EXPECT_DOUBLE_EQ(t[2].x, 1.5);
  EXPECT_EQ(t[3].text, "b");
  EXPECT_GT(t[3].x, t[2].x);
}

TEST(PagePaint, TabStopsLandWhereTheFileSays) {
  // A right stop at the right margin (6.5 in from the left one) and a
  // left stop at 3 in: the texts end and start there.
  RichDocument d = Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\margl1440\\margr1440\\f0\\fs24"
                        "\\pard\\tx4320\\tqr\\tx9360 a\\tab b\\tab date\\par}");
  int next = -1;
  const std::vector<TextOp> t = Texts(RichPage(d, 0, &next, nullptr));
  ASSERT_EQ(t.size(), 3u);
  EXPECT_NEAR(t[1].x, 1.0 + 3.0, 0.01);
  EXPECT_GT(t[2].x, 7.5 - 0.6);  // "date" is well under 0.6 in wide at 12 pt
  EXPECT_LT(t[2].x, 7.5 - 0.2);
}

TEST(PagePaint, PagesAndNextIndex) {
  // Two pages by a page break, a third by sheer length.
  QByteArray rtf = "{\\rtf1\\paperh4320\\margt720\\margb720 one\\page two\\par";
  for (int i = 0; i < 40; ++i) rtf += "line\\par ";
  rtf += "}";
  RichDocument d = Read(rtf);
  const int pages = d.pageCount();
  ASSERT_GE(pages, 3);
  int next = -1;
  const Page first = RichPage(d, 0, &next, nullptr);
  EXPECT_EQ(next, 1);
  ASSERT_EQ(Texts(first).size(), 1u);
  EXPECT_EQ(Texts(first)[0].text, "one");
  const Page second = RichPage(d, 1, &next, nullptr);
  EXPECT_EQ(next, 2);
  EXPECT_EQ(Texts(second)[0].text, "two");
  RichPage(d, pages - 1, &next, nullptr);
  EXPECT_EQ(next, 0);
  // Every line lies inside the page's text area.
  for (int p = 0; p < pages; ++p) {
    for (const TextOp& t : Texts(RichPage(d, p, &next, nullptr))) {
      EXPECT_GT(t.y, 0.5);
      EXPECT_LE(t.y, 2.5);
    }
  }
}

TEST(PagePaint, PaintsOnAPainter) {
  RichDocument d = Read("{\\rtf1\\fs48 XXXX}");
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  const int next = PaintRichPage(painter, d, 0, QRectF(10, 10, 380, 280), 96);
  painter.end();
  EXPECT_EQ(next, 0);
  int dark = 0;
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 200; ++x) dark += qGray(image.pixel(x, y)) < 128;
  }
  EXPECT_GT(dark, 50);
}

}  // namespace
}  // namespace qv
