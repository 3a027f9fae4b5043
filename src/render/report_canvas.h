// The report canvas: a page in inches on which the print and preview jobs
// lay out labels, envelopes and reports. It keeps a text cursor, fonts, tab
// stops, margins and a section (the area text flows in), raises page events
// while it runs, shows a status text, and sends every drawing operation to
// one output: the selected printer, a PDF file or a page stream.
//
// Coordinates. Every position given to or read from the canvas is in inches
// from the page's top-left corner moved by the origin (setOrigin); the
// section edges and tab positions are measured the same way. Margins are
// distances from the page edges and reset the section. The cursor's Y is the
// baseline of the current text line; home() puts the top of the first line
// at the section's top.
//
// Events are std::function callbacks, called synchronously from execute()
// and newPage().
#pragma once

#include <QColor>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "render/page_stream.h"
#include "render/report_output.h"

class QIODevice;
class QPrinter;

namespace qv {

class ReportFace;

enum class TabJustify { Left, Center, Right };

// Which edges of a tab cell get a line.
enum BoxLine : unsigned {
  BoxNone = 0,
  BoxLeft = 1,
  BoxRight = 2,
  BoxTop = 4,
  BoxBottom = 8,
  BoxAll = 15,
};

// A position that follows the previous tab stop's right edge.
constexpr double kTabFollows = std::numeric_limits<double>::quiet_NaN();

struct TabStop {
  double position = 0.0;  // left edge, or kTabFollows
  TabJustify justify = TabJustify::Left;
  double width = 1.0;
  double margin = 0.0;  // hundredths of an inch between the cell's edges and its text
  unsigned boxLines = BoxNone;
  int shade = 0;  // percent grey behind the cell
};

class ReportCanvas {
 public:
  using Handler = std::function<void(ReportCanvas&)>;
  struct Events {
    Handler OnBeforePrint;  // once, before the first page starts
    Handler OnPrint;        // once, on the first page; prints every page itself
    // Used when OnPrint is not set: called for each page while it returns
    // true, with a new page between calls.
    std::function<bool(ReportCanvas&)> OnPrintPage;
    Handler OnAfterPrint;   // once, after the last page (also after an abort)
    Handler OnNewPage;      // at the start of every page
    Handler OnNewColumn;    // when newColumn() moves to the next column
    Handler OnPrintHeader;  // at the start of every page, after OnNewPage
    Handler OnPrintFooter;  // at the end of every page
  };

  ReportCanvas();
  ~ReportCanvas();
  ReportCanvas(const ReportCanvas&) = delete;
  ReportCanvas& operator=(const ReportCanvas&) = delete;

  Events& events() { return m_events; }

  // ---- Output device
  // Selects the printer by name; only the part before " ON " counts. False
  // when no printer has that name (the selection is then unchanged).
  bool selectPrinter(const QString& printerName);
  QString printerName() const { return m_printerName; }
  // Lets go of the printer object around a printer change or set-up
  // dialog, and takes it (by the same name) again.
  void releasePrinter();
  bool acquirePrinter();
  // The selected printer, for the Print dialog; null when released.
  QPrinter* printer() const { return m_printer.get(); }
  // Pixels per inch of the selected printer (of the PDF printer when none).
  double deviceResolution() const;

  void setOutputToPrinter();
  // The run's pages go into a page stream written to `device` at the end
  // (not owned; may be null to keep them only in pages()).
  void setOutputToStream(QIODevice* device);
  // The run is written to the PDF file `fileName`, without asking.
  void setOutputToPdf(const QString& fileName);
  bool outputIsStream() const { return m_target == Target::Stream; }
  // The pages of the last run to a stream.
  const PageStream& pages() const;

  void setTitle(const QString& title) { m_title = title; }
  QString title() const { return m_title; }

  // ---- Paper, in inches
  // Windows paper codes: 1 letter, 9 A4, 11 A5 and the others Windows
  // numbers; 0 keeps the custom size. False for an unknown code.
  bool setPaperCode(int code);
  void setCustomPaper(double width, double height);
  void setPaper(const QPageSize& paper) { m_paper = paper; }
  void setOrientation(Orientation orientation);
  Orientation orientation() const { return m_orientation; }
  // The page as the output device will print it, after orientation.
  double pageWidth() const;
  double pageHeight() const;

  // ---- Margins, section and origin
  void setMarginLeft(double v);
  void setMarginTop(double v);
  void setMarginRight(double v);
  void setMarginBottom(double v);
  void setMargins(double left, double top, double right, double bottom);
  double marginLeft() const { return m_marginLeft; }
  double marginTop() const { return m_marginTop; }
  double marginRight() const { return m_marginRight; }
  double marginBottom() const { return m_marginBottom; }

  void setSectionLeft(double v) { m_sectionLeft = v; }
  void setSectionTop(double v) { m_sectionTop = v; }
  void setSectionRight(double v) { m_sectionRight = v; }
  void setSectionBottom(double v) { m_sectionBottom = v; }
  double sectionLeft() const { return m_sectionLeft; }
  double sectionTop() const { return m_sectionTop; }
  double sectionRight() const { return m_sectionRight; }
  double sectionBottom() const { return m_sectionBottom; }
  // The section back to the margins.
  void resetSection();

  void setOrigin(double x, double y);
  void setOriginX(double x) { m_originX = x; }
  void setOriginY(double y) { m_originY = y; }
  double originX() const { return m_originX; }
  double originY() const { return m_originY; }
  // A printer that feeds its paper a little off: every drawing operation
  // of every page moves by this much (inches, right and down), without
  // changing what the job reads back as positions.
  void setPageOffset(double x, double y) {
    m_pageOffsetX = x;
    m_pageOffsetY = y;
  }
  double pageOffsetX() const { return m_pageOffsetX; }
  double pageOffsetY() const { return m_pageOffsetY; }

  // Cursor to the section's left edge and the first line of the section.
  void home();

  // ---- Fonts
  void setFont(const QString& name, double points);
  void setFontName(const QString& name);
  void setFontSize(double points);
  void setBold(bool on);
  void setItalic(bool on);
  void setUnderline(bool on);
  void setFontColor(const QColor& color);
  const TextFont& font() const { return m_font; }
  // Line height, ascent and descent of the current font, in inches.
  double lineHeight() const;
  double ascent() const;
  double descent() const;
  // The printed width of `text` in the current font, in inches.
  double textWidth(const QString& text) const;

  // ---- Text cursor and printing
  double cursorX() const { return m_cursorX; }
  double cursorY() const { return m_cursorY; }
  void setCursorX(double x) { m_cursorX = x; }
  void setCursorY(double y) { m_cursorY = y; }
  void gotoXY(double x, double y);
  // Top and bottom of the current line.
  double lineTop() const { return m_cursorY - ascent(); }
  double lineBottom() const { return lineTop() + lineHeight(); }
  // Whole lines of the current font that still fit between the top of the
  // current line and the section's bottom, the current line included.
  int linesLeft() const;

  // Prints at the cursor and moves the cursor to the end of the text.
  void print(const QString& text);
  // Prints at the cursor, then newLine().
  void println(const QString& text);
  void printXY(double x, double y, const QString& text);
  // Prints on the cursor's line so that the text ends at x / is centred on x.
  void printRight(const QString& text, double x);
  void printCenter(const QString& text, double x);
  // Prints at (x, cursor's baseline), cut off outside `box`.
  void textRect(const QRectF& box, double x, const QString& text);
  // The cursor to the section's left edge, one line further down; the next
  // tab is the first one again.
  void newLine();

  // ---- Lines, boxes and pictures
  // Pen width: 0 or more is device pixels; a negative width is hundredths
  // of an inch (-1 is 0.01 in). Every line is at least one device pixel.
  void setPen(const QColor& color, PenStyle style, double width, PenMode mode);
  void resetPen();
  const Pen& pen() const { return m_pen; }
  // Fill of rectangle(); none by default.
  void setBrush(const QColor& color);
  void clearBrush();
  void moveTo(double x, double y);
  void lineTo(double x, double y);
  double penX() const { return m_penX; }
  double penY() const { return m_penY; }
  void rectangle(double x1, double y1, double x2, double y2);
  // A grey box: 0 percent white, 100 black.
  void shadeRect(double x1, double y1, double x2, double y2, int percent);
  void stretchDraw(const QRectF& box, const QImage& image);
  // A whole postal bar code, one letter per bar (BarCodeOp), from the pen
  // position: one operation instead of a line per bar. The bars keep the
  // kind's own pen; the pen position does not move.
  void barCode(BarKind kind, const QByteArray& states);

  // ---- Tab stops
  void setTab(double position, TabJustify justify, double width, double margin, unsigned boxLines,
              int shade);
  void clearTabs();
  // Keeps the tab stops on a stack; restoreTabs() takes the last saved back.
  void saveTabs();
  void restoreTabs();
  int tabCount() const { return int(m_tabs.size()); }
  TabStop tabStop(int index) const { return m_tabs.at(size_t(index)); }
  void setTabShade(int percent);  // every tab stop
  // The tab stop the cursor is in (-1 before the first on a line).
  int currentTab() const { return m_tab; }
  double tabLeft(int index) const;
  // Moves to the next tab stop: draws its shading and box lines on the
  // current line and puts the cursor where its text starts. False (and no
  // move) after the last stop.
  bool nextTab();
  // nextTab() and prints `text` justified inside the cell, cut at its edges.
  void printTab(const QString& text);

  // ---- Pages and columns
  // Splits the section into `count` columns `spacing` apart.
  void setColumns(int count, double spacing);
  int currentColumn() const { return m_column; }
  // To the next column's first line; a new page after the last column.
  void newColumn();
  void newPage();
  int currentPage() const { return m_page; }

  // ---- The run
  // Runs the report: OnBeforePrint, then the pages. False when the output
  // could not be opened or written (errorText()) or the user cancelled the
  // PDF file question (aborted() is then true).
  bool execute();
  bool running() const { return m_running; }
  void abort();
  bool aborted() const { return m_aborted; }
  QString errorText() const { return m_error; }
  // What the user should know of a finished print run, such as a paused
  // printer holding the job; empty when nothing.
  QString noticeText() const { return m_notice; }

  // ---- Status display
  // %p: current page; %0 to %9: the status lines; "\r" starts a new line.
  void setStatusFormat(const QString& format);
  QString statusFormat() const { return m_statusFormat; }
  void addStatusLine(const QString& text);
  void setStatusLine(int index, const QString& text);
  void clearStatusLines();
  QStringList statusLines() const { return m_statusLines; }
  QString statusText() const;
  // Called with statusText() whenever it changes.
  void setStatusDisplay(std::function<void(const QString&)> display);

 private:
  enum class Target { Printer, Stream, Pdf };

  void startPage();
  void finishPage();
  void emitText(const QString& text);
  void emitOp(PageOp op);
  bool drawing() const { return m_running && !m_aborted && m_pageOpen; }
  QPointF toPage(double x, double y) const {
    return {x + m_originX + m_pageOffsetX, y + m_originY + m_pageOffsetY};
  }
  void updateStatus();
  const ReportFace& face() const;
  const QFontMetricsF& metrics() const;
  PageSetup pageSetup() const;
  void drawTabCell(const QRectF& cell, const TabStop& stop);

  Events m_events;
  QString m_printerName;
  std::unique_ptr<QPrinter> m_printer;
  Target m_target = Target::Printer;
  QIODevice* m_streamDevice = nullptr;
  QString m_pdfFile;
  std::unique_ptr<ReportOutput> m_output;
  PageStream m_lastPages;
  QString m_title;

  QPageSize m_paper;
  Orientation m_orientation = Orientation::Portrait;

  double m_marginLeft = 0, m_marginTop = 0, m_marginRight = 0, m_marginBottom = 0;
  double m_sectionLeft = 0, m_sectionTop = 0, m_sectionRight = 0, m_sectionBottom = 0;
  double m_originX = 0, m_originY = 0;
  double m_pageOffsetX = 0, m_pageOffsetY = 0;
  double m_cursorX = 0, m_cursorY = 0;
  double m_penX = 0, m_penY = 0;

  TextFont m_font;
  mutable const ReportFace* m_face = nullptr;  // of m_font, found when first needed

  Pen m_pen;
  bool m_brushOn = false;
  QRgb m_brush = 0xFFFFFFFF;

  std::vector<TabStop> m_tabs;
  std::vector<std::vector<TabStop>> m_savedTabs;
  int m_tab = -1;

  int m_columns = 1;
  double m_columnSpacing = 0;
  int m_column = 0;
  double m_columnBaseLeft = 0, m_columnBaseRight = 0;

  int m_page = 0;
  bool m_pageOpen = false;
  bool m_running = false;
  bool m_aborted = false;
  QString m_error;
  QString m_notice;

  QString m_statusFormat = QStringLiteral("Printing Page %p");
  QStringList m_statusLines;
  std::function<void(const QString&)> m_statusDisplay;
};

}  // namespace qv
