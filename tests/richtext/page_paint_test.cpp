// Pages of a document as report operations: where the text lands, which
// page a line falls on (a page break starts a page), and the next-page
// answers the letter jobs rely on.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "near.h"
#include "page_ops.h"
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

const auto Texts = testing::TextsOf;

TEST(PagePaint, TextSitsInsideTheMargins) {
  // One inch left, half an inch top, 8.5 x 11 paper.
  RichDocument d = Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\paperw12240\\paperh15840\\margl1440"
                        "\\margr1440\\margt720\\margb720\\f0\\fs24 Left\\par\\pard\\qr Right\\par"
                        "\\pard\\li720 a\\tab b\\par}");
  int next = -1;
  const Page page = RichPage(d, 0, &next, nullptr);
  EXPECT_EQ(next, 0);
  EXPECT_TRUE(testing::Near({page.width, page.height}, {8.5, 11.0}, 0));
  const std::vector<TextOp> t = Texts(page);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(QStringList({t[0].text, t[1].text, t[3].text}), QStringList({"Left", "Right", "b"}));
  // The first baseline: top margin plus the ascent of 12 pt text (8 to
  // 14 pt); right-aligned text ends at the right margin (7.5 in), so it
  // starts within an inch of it; indented 0.5 in.
  EXPECT_TRUE(testing::Near({t[0].x, t[2].x}, {1.0, 1.5}, 0));
  EXPECT_NEAR(t[0].y, 0.5 + 11.0 / 72, 3.0 / 72);
  EXPECT_TRUE(t[1].x > 6.5 && t[1].x < 7.5 && t[1].y > t[0].y) << t[1].x << " " << t[1].y;
  EXPECT_GT(t[3].x, t[2].x);  // the run after the tab starts at the next default stop
}

TEST(PagePaint, ListMarkersAndCellBorders) {
  // Margins of an inch; items at 0.5 in with their markers 0.25 in before.
  RichDocument d = Read(
      "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\margl1440\\margr1440\\margt1440\\f0\\fs24"
      "{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}{\\list{\\listlevel\\levelnfc0}\\listid2}}"
      "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid2\\ls2}}"
      "\\pard\\ls1\\li720\\fi-360 dot\\par\\pard\\ls2\\li720\\fi-360 one\\par"
      "\\pard\\ls2\\li720\\fi-360 two\\par\\pard\\trowd\\clbrdrt\\brdrs\\brdrw20\\clbrdrl\\brdrs"
      "\\brdrw20\\cellx2880\\cellx5760\\pard\\intbl A\\cell B\\cell\\row\\pard end\\par}");
  int next = -1;
  const Page page = RichPage(d, 0, &next, nullptr);
  const std::vector<TextOp> t = Texts(page);
  ASSERT_EQ(t.size(), 9u);
  EXPECT_EQ(t[7].text, "B");  // the second cell starts where the first ends
  EXPECT_NEAR(t[7].x, 3.0, 0.02);
  const char* expected[][2] = {{"\u2022", "dot"}, {"1.", "one"}, {"2.", "two"}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(expected[i][1]);
    EXPECT_EQ(QStringList({t[2 * i].text, t[2 * i + 1].text}),
              QStringList({QString::fromUtf8(expected[i][0]), expected[i][1]}));
    EXPECT_TRUE(testing::Near({t[2 * i].x, t[2 * i + 1].x, t[2 * i].y - t[2 * i + 1].y},
                              {1.25, 1.5, 0}, 1e-12));
  }
  // The first cell's top and left lines, 20 twips wide, at its edges; the
  // second cell has none.
  const std::vector<LineOp> lines = testing::LinesOf(page);
  ASSERT_EQ(lines.size(), 2u);
  const LineOp& top = lines[0];
  const LineOp& left = lines[1];
  EXPECT_TRUE(testing::Near({top.x1, top.x2, left.x1}, {1.0, 3.0, 1.0}, 0.02));
  EXPECT_GT(top.y1, t[5].y);  // below the last list item
  EXPECT_GT(left.y2, left.y1);
  EXPECT_DOUBLE_EQ(top.pen.width, 20.0 / 1440);
}

// Space before, after and an exact line height move the next line by
// their twips (Qt's layout scales them by the device's resolution, which
// once drew them 15 times too large). LibreOffice puts CCC of the \sa240
// case 111.4 pt from the page top: 72 pt of margin, two 13.8 pt lines and 12 pt.
TEST(PagePaint, ParagraphSpacingMovesTheNextLineByItsTwips) {
  const auto baselines = [](const QByteArray& bbb) {
    const RichDocument d = Read("{\\rtf1\\deff0{\\fonttbl{\\f0\\fnil Liberation Serif;}}"
                                "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440"
                                "\\margb1440\\pard\\f0\\fs24 AAA\\par " + bbb + " BBB\\par"
                                "\\pard CCC\\par}");
    int next = -1;
    const std::vector<TextOp> t = Texts(RichPage(d, 0, &next, nullptr));
    EXPECT_EQ(t.size(), 3u);
    return t.size() == 3 ? std::vector<double>{t[1].y, t[2].y} : std::vector<double>{0, 0};
  };
  const std::vector<double> plain = baselines("\\pard");
  EXPECT_NEAR((plain[1] - plain[0]) * 72, 13.8, 0.1);  // Liberation Serif 12 pt, single
  for (const int twips : {120, 240, 480, 1440}) {
    SCOPED_TRACE(twips);
    const double in = twips / 1440.0;
    const QByteArray n = QByteArray::number(twips);
    // \sb moves BBB and CCC, \sa only CCC.
    EXPECT_TRUE(testing::Near(baselines("\\pard\\sb" + n), {plain[0] + in, plain[1] + in}, 1e-3));
    EXPECT_TRUE(testing::Near(baselines("\\pard\\sa" + n), {plain[0], plain[1] + in}, 1e-3));
    // An exact line height for BBB: CCC starts that far below BBB's top.
    const std::vector<double> exact = baselines("\\pard\\sl-" + n + "\\slmult0");
    EXPECT_NEAR(exact[1], plain[1] + in - (plain[1] - plain[0]), 1e-3);
  }
}

// A row's gap: each cell's text starts that far inside its left edge (and
// right-aligned text ends that far inside its right one), so the texts of
// neighbouring cells stay apart ("Code" "Error", not "CodeError"), also in
// the RTF we write, which a stored letter is printed from.
TEST(PagePaint, CellTextStartsInsideTheRowGap) {
  const RichDocument read = Read(
      "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\margl1440\\margr1440\\f0\\fs24"
      "\\trowd\\trgaph108\\cellx2880\\cellx5760\\pard\\intbl Code\\cell Error\\cell"
      "\\row\\trowd\\trpaddl72\\cellx2880\\cellx5760\\pard\\intbl x\\cell y\\cell\\row"
      "\\trowd\\trgaph120\\cellx2880\\cellx5760\\pard\\intbl\\qr z\\cell\\cell\\row}");
  for (const RichDocument& d : {read, Read(WriteRtf(read))}) {
    int next = -1;
    const std::vector<TextOp> t = Texts(RichPage(d, 0, &next, nullptr));
    ASSERT_EQ(t.size(), 5u);
    EXPECT_TRUE(testing::Near({t[0].x, t[1].x, t[2].x, t[3].x},
                              {1 + 108 / 1440.0, 3 + 108 / 1440.0, 1 + 72 / 1440.0, 3 + 72 / 1440.0},
                              0.01));
    EXPECT_LT(t[4].x, 3 - 120 / 1440.0 - 0.05);  // "z" is about 0.08 in wide at 12 pt
    EXPECT_GT(t[4].x, 3 - 120 / 1440.0 - 0.12);
  }
}

// An exact line height below the font's own: Qt lifts such a line above its
// slot, so the first line of a page starts above the page; it is still the
// page's (it once vanished from the print).
TEST(PagePaint, AnExactLineLowerThanItsFontStaysOnItsPage) {
  const RichDocument d = Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs18\\pard\\sl-180\\slmult0"
                              " Cutline\\par\\pard Next\\par}");
  int next = -1;
  const std::vector<TextOp> t = Texts(RichPage(d, 0, &next, nullptr));
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].text, "Cutline");
  EXPECT_LT(t[0].y, t[1].y);
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
  EXPECT_NEAR(t[2].x, 7.5 - 0.4, 0.2);  // "date" is 0.2 to 0.6 in wide at 12 pt
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
