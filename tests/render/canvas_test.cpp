// The report canvas, checked on the page stream it records: fonts and line
// advance, positions, tab cells, pens, pages, events, status and paper.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QTemporaryFile>
#include <cmath>

#include "page_ops.h"
#include "render/printers.h"
#include "render/report_fonts.h"
#include "render/report_canvas.h"
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
PageStream RunReport(const std::function<void(ReportCanvas&)>& body,
                     const std::function<void(ReportCanvas&)>& setup = {}) {
  ReportCanvas canvas;
  canvas.setOutputToStream(nullptr);
  if (setup) setup(canvas);
  canvas.events().OnPrint = body;
  canvas.execute();
  return canvas.pages();
}

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
  const char* const texts[] = {"Hello", "office fluffy AVAWAY To. Ty,", "Gr\u00FC\u00DFe \u00C5ngstr\u00F6m",
                               "e\u0301 combining and \u2013 dash", "1,234.56  tabs\tand spaces", ""};
  for (const char* font : {"Arial", "Times New Roman", "Courier New"}) {
    for (bool bold : {false, true}) {
      ReportCanvas canvas;
      canvas.setFont(QString::fromLatin1(font), 11);
      canvas.setBold(bold);
      TextFont f;
      f.name = QString::fromLatin1(font);
      f.size = 11;
      f.bold = bold;
      QFontMetricsF whole(ReportFont(f));
      for (const char* text : texts) {
        const QString s = QString::fromUtf8(text);
        EXPECT_NEAR(canvas.textWidth(s), whole.horizontalAdvance(s) / kTextUnitsPerInch, 1e-9)
            << font << " " << bold << " " << text;
      }
    }
  }
}

TEST(CanvasText, FirstLineStartsAtTheSectionAndLinesAdvanceByTheFontHeight) {
  PageStream pages = RunReport(
      [](ReportCanvas& r) {
        r.setFont(QStringLiteral("Arial"), 10);
        r.setOrigin(1.25, 2.0);
        r.home();
        r.println(QStringLiteral("one"));
        r.println(QStringLiteral("two"));
        r.setFont(QStringLiteral("Arial"), 20);
        r.println(QStringLiteral("three"));
        r.printXY(3.0, 4.0, QStringLiteral("xy"));
        r.printRight(QStringLiteral("right"), 6.0);
      },
      [](ReportCanvas& r) { r.setMargins(0, 0, 0, 0); });
  ASSERT_EQ(pages.pages.size(), 1u);
  std::vector<TextOp> t = Texts(pages.pages[0]);
  ASSERT_EQ(t.size(), 5u);
  double line10 = kArialLineSpacing * 10 / 72;
  EXPECT_NEAR(t[0].x, 1.25, 1e-9);
  EXPECT_NEAR(t[0].y, 2.0 + kArialAscent * 10 / 72, kTol);
  EXPECT_NEAR(t[1].y - t[0].y, line10, kTol);
  // A larger font advances by its own height after the line it follows.
  EXPECT_NEAR(t[2].y - t[1].y, line10, kTol);
  EXPECT_EQ(t[2].font.size, 20);
  EXPECT_NEAR(t[3].x, 4.25, 1e-9);
  EXPECT_NEAR(t[3].y, 6.0, 1e-9);
  EXPECT_NEAR(t[4].x + Em(333 + 222 + 556 + 556 + 278, 20), 7.25, kTol);  // "right" ends at 6
  EXPECT_EQ(t[4].text, QStringLiteral("right"));
}

TEST(CanvasText, LinesLeftCountsWholeLinesAboveTheSectionBottom) {
  ReportCanvas canvas;
  canvas.setFont(QStringLiteral("Arial"), 10);
  double line = canvas.lineHeight();
  canvas.setSectionTop(1.0);
  canvas.setSectionBottom(1.0 + 3.5 * line);
  canvas.home();
  EXPECT_EQ(canvas.linesLeft(), 3);
  canvas.newLine();
  canvas.newLine();
  EXPECT_EQ(canvas.linesLeft(), 1);
  canvas.newLine();
  EXPECT_EQ(canvas.linesLeft(), 0);
  canvas.newLine();
  EXPECT_EQ(canvas.linesLeft(), 0);         // never negative
  canvas.setSectionBottom(1.0 + 3 * line);  // exactly three lines
  canvas.home();
  EXPECT_EQ(canvas.linesLeft(), 3);
}

TEST(CanvasTabs, CellsJustifyShadeBoxAndClip) {
  PageStream pages = RunReport([](ReportCanvas& r) {
    r.setFont(QStringLiteral("Arial"), 10);
    r.clearTabs();
    r.setTab(1.0, TabJustify::Left, 1.0, 5, BoxAll, 10);
    r.setTab(kTabFollows, TabJustify::Right, 1.5, 5, BoxNone, 0);
    r.setTab(kTabFollows, TabJustify::Center, 2.0, 0, BoxNone, 0);
    r.setSectionTop(2.0);
    r.home();
    r.printTab(QStringLiteral("Hello"));
    r.printTab(QStringLiteral("Hello"));
    r.printTab(QStringLiteral("Hello"));
    EXPECT_FALSE(r.nextTab());  // after the last stop
    r.newLine();
    r.printTab(QStringLiteral("A text much wider than one inch"));
  });
  ASSERT_EQ(pages.pages.size(), 1u);
  const Page& page = pages.pages[0];
  double hello = Em(722 + 556 + 222 + 222 + 556, 10);
  double line = kArialLineSpacing * 10 / 72;
  std::vector<TextOp> t = Texts(page);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_NEAR(t[0].x, 1.05, 1e-9);                      // left + margin
  EXPECT_NEAR(t[1].x + hello, 2.0 + 1.5 - 0.05, kTol);  // follows the first; right - margin
  EXPECT_NEAR(t[2].x + hello / 2, 3.5 + 1.0, kTol);     // centred in 3.5 .. 5.5
  for (const TextOp& op : t) {
    EXPECT_TRUE(op.clipped);
  }
  EXPECT_NEAR(t[0].clip.left(), 1.0, 1e-9);
  EXPECT_NEAR(t[0].clip.right(), 2.0, 1e-9);
  EXPECT_NEAR(t[0].clip.top(), 2.0, kTol);
  EXPECT_NEAR(t[0].clip.height(), line, kTol);
  EXPECT_NEAR(t[3].clip.top() - t[0].clip.top(), line, kTol);  // next row's cell

  std::vector<ShadeOp> shades = OpsOf<ShadeOp>(page);
  ASSERT_EQ(shades.size(), 2u);  // the first cell of both rows
  EXPECT_EQ(shades[0].percent, 10);
  EXPECT_NEAR(shades[0].rect.left(), 1.0, 1e-9);
  EXPECT_NEAR(shades[0].rect.width(), 1.0, 1e-9);
  EXPECT_NEAR(shades[0].rect.height(), line, kTol);
  std::vector<LineOp> box = OpsOf<LineOp>(page);
  EXPECT_EQ(box.size(), 8u);  // four box lines per row
  // The shading goes below the text of its cell.
  auto index = [&](auto pred) {
    for (size_t i = 0; i < page.ops.size(); ++i) {
      if (pred(page.ops[i])) return i;
    }
    return page.ops.size();
  };
  EXPECT_LT(index([](const PageOp& op) { return std::holds_alternative<ShadeOp>(op); }),
            index([](const PageOp& op) { return std::holds_alternative<TextOp>(op); }));
}

TEST(CanvasTabs, SaveClearRestoreKeepsTheStops) {
  ReportCanvas canvas;
  canvas.setTab(0.5, TabJustify::Left, 1.0, 2, BoxNone, 0);
  canvas.setTab(kTabFollows, TabJustify::Right, 2.0, 2, BoxTop, 5);
  canvas.saveTabs();
  canvas.clearTabs();
  canvas.setTab(0.5, TabJustify::Left, 7.5, 2, BoxNone, 10);
  EXPECT_EQ(canvas.tabCount(), 1);
  canvas.restoreTabs();
  ASSERT_EQ(canvas.tabCount(), 2);
  EXPECT_NEAR(canvas.tabLeft(1), 1.5, 1e-9);
  EXPECT_EQ(canvas.tabStop(1).justify, TabJustify::Right);
  EXPECT_EQ(canvas.tabStop(1).shade, 5);
  canvas.restoreTabs();  // nothing saved: unchanged
  EXPECT_EQ(canvas.tabCount(), 2);
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
    EXPECT_EQ(lines[0].pen.color, qRgb(255, 0, 0));
    EXPECT_EQ(lines[0].pen.style, PenStyle::Dash);
    EXPECT_NEAR(lines[0].x1 + lines[0].y1 + lines[0].x2 + lines[0].y2, 5.5, 1e-12);
  }
  // Positive widths are pixels of the printer the run goes to.
  ReportCanvas canvas;
  canvas.setPen(Qt::black, PenStyle::Solid, 3, PenMode::Copy);
  EXPECT_NEAR(canvas.pen().width, 3.0 / canvas.deviceResolution(), 1e-12);
  EXPECT_GE(canvas.deviceResolution(), 300);
}

TEST(CanvasDrawing, RectanglesPicturesAndTheOrigin) {
  QImage picture(30, 20, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  PageStream pages = RunReport([&](ReportCanvas& r) {
    r.setOrigin(0.5, 0.25);
    r.rectangle(1, 1, 3, 2);
    r.setBrush(Qt::yellow);
    r.rectangle(1, 3, 2, 4);
    r.clearBrush();
    r.stretchDraw(QRectF(4, 4, 0.75, 0.75), picture);
    r.shadeRect(1, 5, 2, 5.5, 150);
  });
  const Page& page = pages.pages.at(0);
  std::vector<RectOp> rects = OpsOf<RectOp>(page);
  ASSERT_EQ(rects.size(), 2u);
  EXPECT_EQ(rects[0].rect, QRectF(QPointF(1.5, 1.25), QPointF(3.5, 2.25)));
  EXPECT_FALSE(rects[0].filled);
  EXPECT_TRUE(rects[1].filled);
  EXPECT_EQ(rects[1].fill, qRgb(255, 255, 0));
  std::vector<ImageOp> images = OpsOf<ImageOp>(page);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rect, QRectF(4.5, 4.25, 0.75, 0.75));
  QImage back = QImage::fromData(images[0].png, "PNG");
  EXPECT_EQ(back.size(), QSize(30, 20));
  EXPECT_EQ(back.pixel(5, 5), qRgb(0, 0, 255));
  EXPECT_EQ(OpsOf<ShadeOp>(page).at(0).percent, 100);  // capped
}

TEST(CanvasPages, SampleReportBreaksPagesAndRaisesEventsInOrder) {
  ReportCanvas canvas;
  canvas.setOutputToStream(nullptr);
  testing::WireSampleReport(canvas, 2 * testing::kSampleRowsPerPage + 2);
  QString order;
  auto header = canvas.events().OnPrintHeader;
  auto footer = canvas.events().OnPrintFooter;
  auto before = canvas.events().OnBeforePrint;
  canvas.events().OnBeforePrint = [&](ReportCanvas& r) {
    order += 'B';
    before(r);
  };
  canvas.events().OnNewPage = [&](ReportCanvas&) { order += 'N'; };
  canvas.events().OnPrintHeader = [&](ReportCanvas& r) {
    order += 'H';
    header(r);
  };
  canvas.events().OnPrintFooter = [&](ReportCanvas& r) {
    order += 'F';
    footer(r);
  };
  canvas.events().OnAfterPrint = [&](ReportCanvas&) { order += 'A'; };
  QStringList shown;
  canvas.setStatusDisplay([&](const QString& s) { shown << s; });

  ASSERT_TRUE(canvas.execute()) << canvas.errorText().toStdString();
  EXPECT_EQ(order, QStringLiteral("BNHFNHFNHFA"));
  const PageStream& pages = canvas.pages();
  ASSERT_EQ(pages.pages.size(), 3u);
  EXPECT_EQ(canvas.currentPage(), 3);
  // Rows per page: the numbers in the first cell.
  auto rowNumbers = [](const Page& page) {
    int n = 0;
    for (const TextOp& t : Texts(page)) {
      if (t.clipped && t.clip.width() > 0.49 && t.clip.width() < 0.51) ++n;
    }
    return n;
  };
  EXPECT_EQ(rowNumbers(pages.pages[0]), testing::kSampleRowsPerPage);
  EXPECT_EQ(rowNumbers(pages.pages[1]), testing::kSampleRowsPerPage);
  EXPECT_EQ(rowNumbers(pages.pages[2]), 2);
  for (const Page& page : pages.pages) {
    EXPECT_EQ(page.width, 8.5);
    EXPECT_EQ(page.height, 11.0);
    std::vector<TextOp> t = Texts(page);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t[0].font.name, QStringLiteral("Times New Roman"));
    EXPECT_TRUE(t[0].font.bold);
    // Every row stays inside the body.
    for (const TextOp& op : t) EXPECT_LT(op.y, 10.5);
  }
  EXPECT_EQ(Texts(pages.pages[1])[1].text, QStringLiteral("Page 2"));
  // Silver footer rule 1 device pixel wide, header rule 0.02 in.
  std::vector<LineOp> lines = OpsOf<LineOp>(pages.pages[2]);
  bool footerRule = false, headerRule = false;
  for (const LineOp& l : lines) {
    if (l.pen.color == qRgb(0xC0, 0xC0, 0xC0)) footerRule = std::abs(l.y1 - 10.6) < 1e-9;
    if (l.pen.width == 0.02) headerRule = true;
  }
  EXPECT_TRUE(footerRule);
  EXPECT_TRUE(headerRule);
  EXPECT_EQ(OpsOf<ImageOp>(pages.pages[0]).size(), 1u);
  EXPECT_EQ(OpsOf<ImageOp>(pages.pages[1]).size(), 0u);
  // Rows 10, 20, ... carry a name longer than its cell: clipped at 2.5 in.
  bool sawLongName = false;
  for (const TextOp& t : Texts(pages.pages[0])) {
    if (t.text.startsWith(QStringLiteral("A name far too long"))) {
      sawLongName = true;
      EXPECT_NEAR(t.clip.width(), 2.5, 1e-9);
    }
  }
  EXPECT_TRUE(sawLongName);
  EXPECT_TRUE(shown.contains(QStringLiteral("Printing Page 3\rRecord 130\r")));
}

// A run to a file writes each page as it ends; read back page by page it
// is the run kept in memory.
TEST(CanvasPages, StreamWrittenPageByPageReadsBackAsInMemory) {
  ReportCanvas inMemory;
  inMemory.setOutputToStream(nullptr);
  testing::WireSampleReport(inMemory, 5 * testing::kSampleRowsPerPage + 3);
  ASSERT_TRUE(inMemory.execute());
  const PageStream& expected = inMemory.pages();
  ASSERT_EQ(expected.pages.size(), 6u);

  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  ReportCanvas toFile;
  toFile.setOutputToStream(&file);
  testing::WireSampleReport(toFile, 5 * testing::kSampleRowsPerPage + 3);
  ASSERT_TRUE(toFile.execute());
  PageStreamReader reader;
  QString error;
  ASSERT_TRUE(reader.open(&file, &error)) << error.toStdString();
  ASSERT_EQ(reader.pageCount(), 6);
  for (int i = 5; i >= 0; --i) {  // out of order: each page is found on its own
    Page page;
    ASSERT_TRUE(reader.readPage(i, &page, &error)) << error.toStdString();
    EXPECT_EQ(page, expected.pages[size_t(i)]) << "page " << i + 1;
  }
  file.seek(0);
  EXPECT_EQ(file.readAll(), EncodePageStream(expected));
}

TEST(CanvasPages, PageEventsColumnsAndAbort) {
  {  // OnPrintPage is called per page until it says no more.
    ReportCanvas canvas;
    canvas.setOutputToStream(nullptr);
    int calls = 0;
    canvas.events().OnPrintPage = [&](ReportCanvas& r) {
      r.printXY(1, 1, QString::number(r.currentPage()));
      return ++calls < 3;
    };
    EXPECT_TRUE(canvas.execute());
    EXPECT_EQ(canvas.pages().pages.size(), 3u);
  }
  {  // Columns: the second column starts right of the first; then a new page.
    ReportCanvas canvas;
    canvas.setOutputToStream(nullptr);
    int columnEvents = 0;
    canvas.events().OnNewColumn = [&](ReportCanvas&) { ++columnEvents; };
    canvas.events().OnPrint = [](ReportCanvas& r) {
      r.setMargins(0.5, 0.5, 0.5, 0.5);
      r.setColumns(2, 0.5);
      r.home();
      r.println(QStringLiteral("a"));
      r.newColumn();
      r.println(QStringLiteral("b"));
      r.newColumn();
      r.println(QStringLiteral("c"));
    };
    EXPECT_TRUE(canvas.execute());
    ASSERT_EQ(canvas.pages().pages.size(), 2u);
    std::vector<TextOp> first = Texts(canvas.pages().pages[0]);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_NEAR(first[1].x, 0.5 + 3.5 + 0.5, 1e-9);  // column width (7.5 - 0.5) / 2
    EXPECT_NEAR(first[1].y, first[0].y, 1e-9);
    EXPECT_NEAR(Texts(canvas.pages().pages[1])[0].x, 0.5, 1e-9);
    EXPECT_EQ(columnEvents, 1);
  }
  {  // Abort: nothing more is drawn, no more pages, the flag stays set.
    ReportCanvas canvas;
    canvas.setOutputToStream(nullptr);
    bool after = false;
    canvas.events().OnAfterPrint = [&](ReportCanvas&) { after = true; };
    canvas.events().OnPrint = [](ReportCanvas& r) {
      r.printXY(1, 1, QStringLiteral("one"));
      r.newPage();
      r.printXY(1, 1, QStringLiteral("two"));
      r.abort();
      r.printXY(1, 2, QStringLiteral("ignored"));
      r.newPage();
    };
    EXPECT_FALSE(canvas.execute());
    EXPECT_TRUE(canvas.aborted());
    EXPECT_TRUE(after);
    ASSERT_EQ(canvas.pages().pages.size(), 2u);
    EXPECT_EQ(Texts(canvas.pages().pages[1]).size(), 1u);
  }
}

TEST(CanvasStatus, PlaceholdersExpand) {
  ReportCanvas canvas;
  QString last;
  canvas.setStatusDisplay([&](const QString& s) { last = s; });
  canvas.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
  EXPECT_EQ(last, QStringLiteral("Printing Page 0\r\r"));
  canvas.addStatusLine(QStringLiteral("Smith"));
  canvas.setStatusLine(1, QStringLiteral("12345"));
  EXPECT_EQ(last, QStringLiteral("Printing Page 0\rSmith\r12345"));
  canvas.setStatusFormat(QStringLiteral("100%% %9 %x %"));
  EXPECT_EQ(last, QStringLiteral("100%  %x %"));
  canvas.clearStatusLines();
  canvas.setStatusFormat(QStringLiteral("\rPreview Stopped at page %p!"));
  EXPECT_EQ(canvas.statusText(), QStringLiteral("\rPreview Stopped at page 0!"));
}

TEST(CanvasPaper, WindowsCodesCustomSizesAndOrientation) {
  struct Case {
    int code;
    Orientation orientation;
    double width, height;  // inches: letter 8.5 x 11, A4 210 x 297 mm, A5 148 x 210 mm
  } cases[] = {
      {1, Orientation::Portrait, 8.5, 11.0},
      {1, Orientation::Landscape, 11.0, 8.5},
      {9, Orientation::Portrait, 210 / 25.4, 297 / 25.4},
      {9, Orientation::Landscape, 297 / 25.4, 210 / 25.4},
      {11, Orientation::Portrait, 148 / 25.4, 210 / 25.4},
  };
  for (const Case& c : cases) {
    ReportCanvas canvas;
    canvas.setOutputToStream(nullptr);
    ASSERT_TRUE(canvas.setPaperCode(c.code));
    canvas.setOrientation(c.orientation);
    EXPECT_NEAR(canvas.pageWidth(), c.width, 0.01) << c.code;
    EXPECT_NEAR(canvas.pageHeight(), c.height, 0.01) << c.code;
    canvas.events().OnPrint = [](ReportCanvas& r) { r.printXY(1, 1, QStringLiteral("x")); };
    ASSERT_TRUE(canvas.execute());
    EXPECT_NEAR(canvas.pages().pages.at(0).width, c.width, 0.01);
    EXPECT_NEAR(canvas.pages().pages.at(0).height, c.height, 0.01);
  }
  ReportCanvas canvas;
  canvas.setCustomPaper(9.5, 4.125);
  EXPECT_TRUE(canvas.setPaperCode(0));  // 0 keeps the custom size
  EXPECT_EQ(canvas.pageWidth(), 9.5);
  EXPECT_EQ(canvas.pageHeight(), 4.125);
  EXPECT_FALSE(canvas.setPaperCode(4321));
  EXPECT_EQ(canvas.pageWidth(), 9.5);
  // The orientation may change in OnBeforePrint and holds from the first page.
  canvas.setOutputToStream(nullptr);
  canvas.setPaperCode(1);
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
      {"Canon ON USB001", "Canon"},
      {"Epson on one on two", "Epson"},  // the first " ON "
      {"Laser ONE", "Laser ONE"},        // no blank after ON
      {"Plain", "Plain"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrinterDeviceName(QString::fromLatin1(c.name)), QString::fromLatin1(c.device));
  }
  EXPECT_TRUE(InstalledPrinterNames().contains(PdfPrinterName()));
  EXPECT_TRUE(HasInstalledPrinters());
  EXPECT_TRUE(InstalledPrinterNames().contains(DefaultPrinterName()));

  ReportCanvas canvas;
  EXPECT_TRUE(canvas.selectPrinter(QStringLiteral("pdf file on Quorvane")));
  EXPECT_EQ(canvas.printerName(), QStringLiteral("pdf file"));
  EXPECT_FALSE(canvas.selectPrinter(QStringLiteral("No Such Printer 4711")));
  EXPECT_EQ(canvas.printerName(), QStringLiteral("pdf file"));
  canvas.releasePrinter();
  EXPECT_EQ(canvas.printer(), nullptr);
  EXPECT_TRUE(canvas.acquirePrinter());
  EXPECT_NE(canvas.printer(), nullptr);
}

}  // namespace
}  // namespace qv
