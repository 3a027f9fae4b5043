// The report canvas, checked on the page stream it records: fonts and line
// advance, positions, tab cells, pens, pages, events, status and paper.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

#include "near.h"
#include "page_ops.h"
#include "render/page_painter.h"
#include "render/printers.h"
#include "render/report_canvas.h"
#include "render/report_fonts.h"
#include "sample_report.h"

namespace qv {
namespace {

constexpr double kTol = 0.002;  // inches

// Arial/Helvetica and Times advance widths per 1000 em (the published
// metrics Liberation Sans and Serif copy), and Arial's vertical metrics in
// 2048ths of an em.
constexpr double kArialAscent = 1854.0 / 2048;
constexpr double kArialLineSpacing = (1854.0 + 434 + 67) / 2048;

double Em(double thousandths, double points) { return thousandths / 1000.0 * points / 72.0; }

// Runs `body` as the report's OnPrint into a page stream.
PageStream RunReport(const std::function<void(ReportCanvas&)>& body) {
  ReportCanvas canvas;
  canvas.setOutputToStream(nullptr);
  canvas.events().OnPrint = body;
  EXPECT_TRUE(canvas.execute()) << canvas.errorText().toStdString();
  return canvas.pages();
}

using testing::Near;
using testing::OpsOf;
const auto Texts = testing::TextsOf;

TEST(CanvasFonts, WidthsAndLineHeightsFollowTheWindowsFontMetrics) {
  struct Case {
    const char* font;
    double size;
    bool bold;
    double helloWidth;  // "Hello" from the published advance widths
  } cases[] = {
      {"Arial", 10, false, Em(722 + 556 + 222 + 222 + 556, 10)},
      {"Arial", 10, true, Em(722 + 556 + 278 + 278 + 611, 10)},
      {"Times New Roman", 12, false, Em(722 + 444 + 278 + 278 + 500, 12)},
      {"arial", 20, false, Em(722 + 556 + 222 + 222 + 556, 20)},  // names in any case
  };
  ReportCanvas canvas;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.font);
    canvas.setFont(QString::fromLatin1(c.font), c.size);
    canvas.setBold(c.bold);
    EXPECT_NEAR(canvas.textWidth(QStringLiteral("Hello")), c.helloWidth, kTol);
  }
  canvas.setFont(QStringLiteral("Arial"), 10);
  canvas.setBold(false);
  EXPECT_NEAR(canvas.lineHeight(), kArialLineSpacing * 10 / 72, kTol);
  EXPECT_NEAR(canvas.ascent(), kArialAscent * 10 / 72, kTol);
}

// The canvas adds up cached advances; they must give what Qt measures for
// the whole string, letter pairs that other programs kern or join included.
TEST(CanvasFonts, CachedWidthsEqualWholeStringWidths) {
  const char* const texts[] = {"office fluffy AVAWAY To. Ty,", "Gr\u00FC\u00DFe \u00C5ngstr\u00F6m",
                               "e\u0301 combining and \u2013 dash", "tabs\tand spaces", ""};
  for (const char* font : {"Arial", "Times New Roman", "Courier New"}) {
    ReportCanvas canvas;
    canvas.setFont(QString::fromLatin1(font), 11);
    canvas.setBold(true);
    QFontMetricsF whole(ReportFont(TextFont{QString::fromLatin1(font), 11, true}));
    for (const char* text : texts) {
      const QString s = QString::fromUtf8(text);
      EXPECT_NEAR(canvas.textWidth(s), whole.horizontalAdvance(s) / kTextUnitsPerInch, 1e-9)
          << font << " " << text;
    }
  }
}

TEST(CanvasText, FirstLineStartsAtTheSectionAndLinesAdvanceByTheFontHeight) {
  PageStream pages = RunReport([](ReportCanvas& r) {
    r.setMargins(0, 0, 0, 0);
    r.setFont(QStringLiteral("Arial"), 10);
    r.setOrigin(1.25, 2.0);
    r.home();
    r.println(QStringLiteral("one"));
    r.println(QStringLiteral("two"));
    r.setFont(QStringLiteral("Arial"), 20);
    r.println(QStringLiteral("three"));
    r.printXY(3.0, 4.0, QStringLiteral("xy"));
    r.printRight(QStringLiteral("right"), 6.0);
  });
  ASSERT_EQ(pages.pages.size(), 1u);
  std::vector<TextOp> t = Texts(pages.pages[0]);
  ASSERT_EQ(t.size(), 5u);
  const double line10 = kArialLineSpacing * 10 / 72;
  // A larger font advances by its own height after the line it follows;
  // "right" ends at 6.
  // Places the page set exactly; those measured by the font within its metrics.
  EXPECT_TRUE(Near({t[0].x, t[3].x, t[3].y}, {1.25, 4.25, 6.0}, 1e-9));
  EXPECT_TRUE(Near({t[0].y, t[1].y - t[0].y, t[2].y - t[1].y,
                    t[4].x + Em(333 + 222 + 556 + 556 + 278, 20)},
                   {2.0 + kArialAscent * 10 / 72, line10, line10, 7.25}, kTol));
}

TEST(CanvasTabs, CellsJustifyShadeBoxAndClip) {
  PageStream pages = RunReport([](ReportCanvas& r) {
    r.setFont(QStringLiteral("Arial"), 10);
    r.setTab(1.0, TabJustify::Left, 1.0, 5, BoxAll, 10);
    r.setTab(kTabFollows, TabJustify::Right, 1.5, 5, BoxNone, 0);
    r.setTab(kTabFollows, TabJustify::Center, 2.0, 0, BoxNone, 0);
    r.setSectionTop(2.0);
    r.home();
    for (int i = 0; i < 3; ++i) r.printTab(QStringLiteral("Hello"));
    EXPECT_FALSE(r.nextTab());  // after the last stop
    r.newLine();
    r.printTab(QStringLiteral("A text much wider than one inch"));
  });
  ASSERT_EQ(pages.pages.size(), 1u);
  const Page& page = pages.pages[0];
  const double hello = Em(722 + 556 + 222 + 222 + 556, 10), line = kArialLineSpacing * 10 / 72;
  std::vector<TextOp> t = Texts(page);
  ASSERT_EQ(t.size(), 4u);
  // Left + margin; the second follows the first, right - margin; the third
  // centred in 3.5 .. 5.5; the first cell's clip; the next row's cell.
  EXPECT_TRUE(Near({t[0].x, t[0].clip.left(), t[0].clip.right()}, {1.05, 1.0, 2.0}, 1e-9));
  EXPECT_TRUE(Near({t[1].x + hello, t[2].x + hello / 2, t[0].clip.top(), t[0].clip.height(),
                    t[3].clip.top() - t[0].clip.top()},
                   {2.0 + 1.5 - 0.05, 3.5 + 1.0, 2.0, line, line}, kTol));
  EXPECT_TRUE(t[3].clipped);
  std::vector<ShadeOp> shades = OpsOf<ShadeOp>(page);
  ASSERT_EQ(shades.size(), 2u);  // the first cell of both rows
  EXPECT_EQ(std::pair(shades[0].percent, shades[0].rect.width()), std::pair(10, 1.0));
  EXPECT_EQ(OpsOf<LineOp>(page).size(), 8u);  // four box lines per row
  // The shading goes below the text of its cell.
  auto is = [](auto kind) {
    return [](const PageOp& op) { return std::holds_alternative<decltype(kind)>(op); };
  };
  auto firstText = std::find_if(page.ops.begin(), page.ops.end(), is(TextOp{}));
  EXPECT_TRUE(std::any_of(page.ops.begin(), firstText, is(ShadeOp{})));
}

TEST(CanvasTabs, SaveClearRestoreKeepsTheStops) {
  ReportCanvas canvas;
  canvas.setTab(0.5, TabJustify::Left, 1.0, 2, BoxNone, 0);
  canvas.setTab(kTabFollows, TabJustify::Right, 2.0, 2, BoxTop, 5);
  canvas.saveTabs();
  canvas.clearTabs();
  canvas.setTab(0.5, TabJustify::Left, 7.5, 2, BoxNone, 10);
  canvas.restoreTabs();
  canvas.restoreTabs();  // nothing saved any more: unchanged
  EXPECT_EQ(std::tuple(canvas.tabCount(), canvas.tabLeft(1), canvas.tabStop(1).shade),
            std::tuple(2, 1.5, 5));
}

TEST(CanvasPens, WidthsInPixelsAndHundredthsOfAnInch) {
  struct Case {
    double width;
    double inches;  // 0 = one device pixel when drawn
  } cases[] = {{-1, 0.01}, {-5, 0.05}, {-0.5, 0.005}, {0, 0.0}};
  for (const Case& c : cases) {
    PageStream pages = RunReport([&](ReportCanvas& r) {
      r.setPen(Qt::red, PenStyle::Dash, c.width, PenMode::Copy);
      r.moveTo(1, 1);
      r.lineTo(2, 1.5);
    });
    std::vector<LineOp> lines = OpsOf<LineOp>(pages.pages.at(0));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].pen.width, c.inches, 1e-12) << c.width;
    EXPECT_EQ(lines[0].pen.style, PenStyle::Dash);
  }
  // Positive widths are pixels of the printer the run goes to.
  ReportCanvas canvas;
  canvas.setPen(Qt::black, PenStyle::Solid, 3, PenMode::Copy);
  EXPECT_NEAR(canvas.pen().width, 3.0 / canvas.deviceResolution(), 1e-12);
}

TEST(CanvasDrawing, RectanglesPicturesAndTheOrigin) {
  QImage picture(30, 20, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  PageStream pages = RunReport([&](ReportCanvas& r) {
    r.setOrigin(0.5, 0.25);
    r.setBrush(Qt::yellow);
    r.rectangle(1, 1, 3, 2);
    r.clearBrush();
    r.rectangle(1, 3, 2, 4);
    r.stretchDraw(QRectF(4, 4, 0.75, 0.75), picture);
    r.shadeRect(1, 5, 2, 5.5, 150);
  });
  const Page& page = pages.pages.at(0);
  std::vector<RectOp> rects = OpsOf<RectOp>(page);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(std::tuple(rects[0].rect, rects[0].fill, rects[1].filled),
            std::tuple(QRectF(QPointF(1.5, 1.25), QPointF(3.5, 2.25)), qRgb(255, 255, 0), false));
  std::vector<ImageOp> images = OpsOf<ImageOp>(page);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rect, QRectF(4.5, 4.25, 0.75, 0.75));
  EXPECT_EQ(QImage::fromData(images[0].png, "PNG").pixel(5, 5), qRgb(0, 0, 255));
  EXPECT_EQ(OpsOf<ShadeOp>(page).at(0).percent, 100);  // capped
}

// What the painter holds back and draws together (a label's lines of text
// as one run, a bar code from its own origin) paints what the operations
// drawn one by one paint, the bar code as its bars' lines: at a printer's
// resolution and at a zoomed preview's, with the page moved off the origin.
TEST(CanvasDrawing, HeldBackTextsAndBarCodesPaintAsDrawnOneByOne) {
  const TextFont arial;
  const TextFont bold{QStringLiteral("Times New Roman"), 12, true};
  const std::vector<PageOp> texts = {TextOp{0.3, 0.8, arial, QStringLiteral("Ann Smith"), false, {}},
                                     TextOp{0.3, 0.96, arial, QStringLiteral("12 Oak Ave"), false, {}},
                                     TextOp{0.3, 1.15, bold, QStringLiteral("Springfield"), false, {}}};
  const BarCodeOp codes[] = {{0.3, 0.2, BarKind::Postnet, "FHHFFHFHHHFF"},
                             {0.3, 0.45, BarKind::IntelligentMail, "FADTTADF"}};
  for (const double ppi : {300.0, 1200.0}) {
    Page whole{8.5, 11, texts}, oneByOne{8.5, 11, texts};
    for (const BarCodeOp& code : codes) {
      whole.ops.push_back(code);
      for (const LineOp& bar : BarCodeLines(code)) oneByOne.ops.push_back(bar);
    }
    auto paint = [&](const Page& page, bool together) {
      QImage image(int(ppi * 1.5), int(ppi * 1.3), QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.translate(3.5, 2);
      if (together) {
        PaintPage(painter, page, ppi);
        return image;
      }
      for (const PageOp& op : page.ops) {
        const auto* t = std::get_if<TextOp>(&op);
        if (t == nullptr) {
          PaintOp(painter, op, ppi);
          continue;
        }
        painter.save();
        painter.scale(ppi / kTextUnitsPerInch, ppi / kTextUnitsPerInch);
        CachedReportFace(t->font).draw(
            painter, QPointF(t->x * kTextUnitsPerInch, t->y * kTextUnitsPerInch), t->text);
        painter.restore();
      }
      return image;
    };
    const QImage expected = paint(oneByOne, false);
    EXPECT_EQ(paint(whole, true), expected) << ppi;
    // The bar codes and the text are on it.
    EXPECT_NE(expected.pixel(int(0.3 * ppi) + 3, int(0.3 * ppi)), qRgb(255, 255, 255)) << ppi;
    int inked = 0;
    for (int y = int(0.65 * ppi); y < int(1.2 * ppi); ++y) {
      for (int x = 0; x < expected.width(); ++x) inked += qGray(expected.pixel(x, y)) < 128;
    }
    EXPECT_GT(inked, 100) << ppi;
  }
}

// Events in order, rows per page and the status line, on the sample report
// run to a file page by page: read back it is the run kept in memory.
TEST(CanvasPages, SampleReportBreaksPagesRaisesEventsAndStreamsPageByPage) {
  ReportCanvas inMemory;
  inMemory.setOutputToStream(nullptr);
  testing::WireSampleReport(inMemory, 2 * testing::kSampleRowsPerPage + 2);
  QString order;
  auto& ev = inMemory.events();
  auto wrap = [&order](std::function<void(ReportCanvas&)>& event, char mark) {
    event = [&order, mark, inner = event](ReportCanvas& r) {
      order += mark;
      if (inner) inner(r);
    };
  };
  wrap(ev.OnBeforePrint, 'B');
  wrap(ev.OnNewPage, 'N');
  wrap(ev.OnPrintHeader, 'H');
  wrap(ev.OnPrintFooter, 'F');
  wrap(ev.OnAfterPrint, 'A');
  QStringList shown;
  inMemory.setStatusDisplay([&](const QString& s) { shown << s; });
  ASSERT_TRUE(inMemory.execute()) << inMemory.errorText().toStdString();
  EXPECT_EQ(order, QStringLiteral("BNHFNHFNHFA"));
  const PageStream& expected = inMemory.pages();
  ASSERT_EQ(expected.pages.size(), 3u);
  auto rowNumbers = [](const Page& page) {  // the numbers in the first cell
    int n = 0;
    for (const TextOp& t : Texts(page)) n += t.clipped && std::abs(t.clip.width() - 0.5) < 0.01;
    return n;
  };
  EXPECT_EQ(std::pair(rowNumbers(expected.pages[0]), rowNumbers(expected.pages[2])),
            std::pair(testing::kSampleRowsPerPage, 2));
  EXPECT_TRUE(shown.contains(QStringLiteral("Printing Page 3\rRecord 130\r")));

  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  ReportCanvas toFile;
  toFile.setOutputToStream(&file);
  testing::WireSampleReport(toFile, 2 * testing::kSampleRowsPerPage + 2);
  ASSERT_TRUE(toFile.execute());
  PageStreamReader reader;
  QString error;
  ASSERT_TRUE(reader.open(&file, &error)) << error.toStdString();
  ASSERT_EQ(reader.pageCount(), 3);
  for (int i = 2; i >= 0; --i) {  // out of order: each page is found on its own
    Page page;
    ASSERT_TRUE(reader.readPage(i, &page, &error)) << error.toStdString();
    EXPECT_EQ(page, expected.pages[size_t(i)]) << "page " << i + 1;
  }
}

// Abort: nothing more is drawn, no more pages, the flag stays set.
TEST(CanvasPages, AbortStopsDrawingAndPagesAndStatusEscapes) {
  ReportCanvas canvas;
  canvas.setOutputToStream(nullptr);
  bool after = false;
  canvas.events().OnAfterPrint = [&](ReportCanvas&) { after = true; };
  canvas.events().OnPrint = [](ReportCanvas& r) {
    r.newPage();
    r.printXY(1, 1, QStringLiteral("two"));
    r.abort();
    r.printXY(1, 2, QStringLiteral("ignored"));
    r.newPage();
  };
  EXPECT_FALSE(canvas.execute());
  EXPECT_TRUE(canvas.aborted() && after);
  ASSERT_EQ(canvas.pages().pages.size(), 2u);
  EXPECT_EQ(Texts(canvas.pages().pages[1]).size(), 1u);
  // Unknown status placeholders and escapes (%p, %0 and %1 are the status
  // window's test).
  ReportCanvas status;
  status.setStatusFormat(QStringLiteral("100%% %9 %x %"));
  EXPECT_EQ(status.statusText(), QStringLiteral("100%  %x %"));
}

TEST(CanvasPaper, WindowsCodesCustomSizesAndOrientation) {
  struct Case {
    int code;
    Orientation orientation;
    double width, height;  // inches: letter 8.5 x 11, A4 210 x 297 mm, A5 148 x 210 mm
  } cases[] = {
      {1, Orientation::Landscape, 11.0, 8.5},
      {9, Orientation::Portrait, 210 / 25.4, 297 / 25.4},
      {11, Orientation::Portrait, 148 / 25.4, 210 / 25.4},
  };
  for (const Case& c : cases) {
    ReportCanvas canvas;
    canvas.setOutputToStream(nullptr);
    ASSERT_TRUE(canvas.setPaperCode(c.code));
    canvas.setOrientation(c.orientation);
    ASSERT_TRUE(canvas.execute());
    const Page& page = canvas.pages().pages.at(0);
    EXPECT_TRUE(Near({page.width, page.height}, {c.width, c.height}, 0.01)) << c.code;
  }
  ReportCanvas canvas;
  canvas.setCustomPaper(9.5, 4.125);
  EXPECT_TRUE(canvas.setPaperCode(0) && !canvas.setPaperCode(4321));  // 0 keeps the custom size
  EXPECT_EQ(canvas.pageHeight(), 4.125);
  // The orientation may change in OnBeforePrint and holds from the first page.
  canvas.setOutputToStream(nullptr);
  ASSERT_TRUE(canvas.setPaperCode(1));
  canvas.events().OnBeforePrint = [](ReportCanvas& r) { r.setOrientation(Orientation::Landscape); };
  ASSERT_TRUE(canvas.execute());
  EXPECT_EQ(canvas.pages().pages.at(0).width, 11.0);
}

TEST(Printers, NamesAndThePdfPrinter) {
  struct Case {
    const char* name;
    const char* device;
  } cases[] = {
      {"HP LaserJet 4 on LPT1:", "HP LaserJet 4"},
      {"Epson on one on two", "Epson"},  // the first " ON "
      {"Laser ONE", "Laser ONE"},        // no blank after ON
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrinterDeviceName(QString::fromLatin1(c.name)), QString::fromLatin1(c.device));
  }
  EXPECT_TRUE(InstalledPrinterNames().contains(PdfPrinterName()));
  ReportCanvas canvas;
  EXPECT_TRUE(canvas.selectPrinter("pdf file on Quorvane"));
  EXPECT_FALSE(canvas.selectPrinter("No Such Printer 4711"));
  EXPECT_EQ(canvas.printerName(), QStringLiteral("pdf file"));
}

}  // namespace
}  // namespace qv
