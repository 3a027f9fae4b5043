#include "render/report_canvas.h"

#include <QBuffer>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

#include "render/printers.h"
#include "render/report_fonts.h"

namespace qv {

namespace {

// Margins a new canvas starts with: inside what every printer can reach.
constexpr double kDefaultMargin = 0.5;
// Resolution assumed for pixel pen widths when no printer is held.
constexpr double kFallbackResolution = 1200.0;
// Rounding slack when counting lines that fit, in inches.
constexpr double kFitSlack = 1e-6;

QPageSize CustomPaper(double width, double height) {
  return QPageSize(QSizeF(width, height), QPageSize::Inch, QStringLiteral("Custom"),
                   QPageSize::ExactMatch);
}

}  // namespace

ReportCanvas::ReportCanvas() : m_paper(QPageSize::Letter) {
  if (!selectPrinter(CurrentPrinterName())) selectPrinter(PdfPrinterName());
  setMargins(kDefaultMargin, kDefaultMargin, kDefaultMargin, kDefaultMargin);
  home();
}

ReportCanvas::~ReportCanvas() = default;

// ---- Output device

bool ReportCanvas::selectPrinter(const QString& printerName) {
  if (m_running) return false;
  QString device = PrinterDeviceName(printerName);
  std::unique_ptr<QPrinter> printer = CreatePrinter(device);
  if (!printer) return false;
  m_printer = std::move(printer);
  m_printerName = device;
  return true;
}

void ReportCanvas::releasePrinter() {
  if (!m_running) m_printer.reset();
}

bool ReportCanvas::acquirePrinter() {
  if (m_printer) return true;
  m_printer = CreatePrinter(m_printerName);
  return m_printer != nullptr;
}

double ReportCanvas::deviceResolution() const {
  return m_printer ? m_printer->resolution() : kFallbackResolution;
}

void ReportCanvas::setOutputToPrinter() { m_target = Target::Printer; }

void ReportCanvas::setOutputToStream(QIODevice* device) {
  m_target = Target::Stream;
  m_streamDevice = device;
}

void ReportCanvas::setOutputToPdf(const QString& fileName) {
  m_target = Target::Pdf;
  m_pdfFile = fileName;
}

const PageStream& ReportCanvas::pages() const { return m_lastPages; }

// ---- Paper

bool ReportCanvas::setPaperCode(int code) {
  if (code == 0) return true;  // custom: the size set by setCustomPaper
  QPageSize::PageSizeId id = QPageSize::id(code);
  if (id == QPageSize::Custom) return false;
  m_paper = QPageSize(id);
  return true;
}

void ReportCanvas::setCustomPaper(double width, double height) {
  m_paper = CustomPaper(width, height);
}

void ReportCanvas::setOrientation(Orientation orientation) { m_orientation = orientation; }

// The paper the device will really use: a printer that knows neither the
// size nor custom sizes prints on its default paper, which the jobs then
// notice by reading the page size back.
PageSetup ReportCanvas::pageSetup() const {
  PageSetup setup;
  setup.paper = m_paper;
  if (m_printer && m_target == Target::Printer && !IsPdfPrinter(*m_printer)) {
    QPrinterInfo info(*m_printer);
    bool known = false;
    for (const QPageSize& size : info.supportedPageSizes()) {
      if (size.isEquivalentTo(m_paper)) known = true;
    }
    if (!known && !info.supportsCustomPageSizes() && info.defaultPageSize().isValid()) {
      setup.paper = info.defaultPageSize();
    }
  }
  setup.orientation = m_orientation;
  QSizeF size = setup.paper.size(QPageSize::Inch);
  if (m_orientation == Orientation::Landscape) size.transpose();
  setup.width = size.width();
  setup.height = size.height();
  return setup;
}

double ReportCanvas::pageWidth() const { return pageSetup().width; }
double ReportCanvas::pageHeight() const { return pageSetup().height; }

// ---- Margins, section and origin

void ReportCanvas::setMarginLeft(double v) {
  m_marginLeft = v;
  m_sectionLeft = v;
}

void ReportCanvas::setMarginTop(double v) {
  m_marginTop = v;
  m_sectionTop = v;
}

void ReportCanvas::setMarginRight(double v) {
  m_marginRight = v;
  m_sectionRight = pageWidth() - v;
}

void ReportCanvas::setMarginBottom(double v) {
  m_marginBottom = v;
  m_sectionBottom = pageHeight() - v;
}

void ReportCanvas::setMargins(double left, double top, double right, double bottom) {
  m_marginLeft = left;
  m_marginTop = top;
  m_marginRight = right;
  m_marginBottom = bottom;
  resetSection();
}

void ReportCanvas::resetSection() {
  PageSetup setup = pageSetup();
  m_sectionLeft = m_marginLeft;
  m_sectionTop = m_marginTop;
  m_sectionRight = setup.width - m_marginRight;
  m_sectionBottom = setup.height - m_marginBottom;
}

void ReportCanvas::setOrigin(double x, double y) {
  m_originX = x;
  m_originY = y;
}

void ReportCanvas::home() {
  m_cursorX = m_sectionLeft;
  m_cursorY = m_sectionTop + ascent();
  m_tab = -1;
}

// ---- Fonts

void ReportCanvas::setFont(const QString& name, double points) {
  m_font.name = name;
  m_font.size = points;
  m_face = nullptr;
}

void ReportCanvas::setFontName(const QString& name) {
  m_font.name = name;
  m_face = nullptr;
}

void ReportCanvas::setFontSize(double points) {
  m_font.size = points;
  m_face = nullptr;
}

void ReportCanvas::setBold(bool on) {
  m_font.bold = on;
  m_face = nullptr;
}

void ReportCanvas::setItalic(bool on) {
  m_font.italic = on;
  m_face = nullptr;
}

void ReportCanvas::setUnderline(bool on) {
  m_font.underline = on;
  m_face = nullptr;
}

void ReportCanvas::setFontColor(const QColor& color) { m_font.color = color.rgba(); }

const ReportFace& ReportCanvas::face() const {
  if (m_face == nullptr) m_face = &CachedReportFace(m_font);
  return *m_face;
}

const QFontMetricsF& ReportCanvas::metrics() const { return face().metrics(); }

double ReportCanvas::lineHeight() const { return metrics().lineSpacing() / kTextUnitsPerInch; }
double ReportCanvas::ascent() const { return metrics().ascent() / kTextUnitsPerInch; }
double ReportCanvas::descent() const { return metrics().descent() / kTextUnitsPerInch; }

double ReportCanvas::textWidth(const QString& text) const {
  return face().width(text) / kTextUnitsPerInch;
}

// ---- Text

void ReportCanvas::gotoXY(double x, double y) {
  m_cursorX = x;
  m_cursorY = y;
}

int ReportCanvas::linesLeft() const {
  double room = m_sectionBottom - lineTop();
  if (room <= 0) return 0;
  return int(std::floor(room / lineHeight() + kFitSlack));
}

void ReportCanvas::emitOp(PageOp op) {
  if (drawing()) m_output->draw(op);
}

void ReportCanvas::emitText(const QString& text) {
  TextOp op;
  QPointF at = toPage(m_cursorX, m_cursorY);
  op.x = at.x();
  op.y = at.y();
  op.font = m_font;
  op.text = text;
  emitOp(std::move(op));
}

void ReportCanvas::print(const QString& text) {
  emitText(text);
  m_cursorX += textWidth(text);
}

// The line break puts the cursor back at the left edge, so the text's
// width is never needed: measuring it was most of a label run's time.
void ReportCanvas::println(const QString& text) {
  emitText(text);
  newLine();
}

void ReportCanvas::printXY(double x, double y, const QString& text) {
  gotoXY(x, y);
  print(text);
}

void ReportCanvas::printRight(const QString& text, double x) {
  m_cursorX = x - textWidth(text);
  print(text);
}

void ReportCanvas::printCenter(const QString& text, double x) {
  m_cursorX = x - textWidth(text) / 2;
  print(text);
}

void ReportCanvas::textRect(const QRectF& box, double x, const QString& text) {
  TextOp op;
  QPointF at = toPage(x, m_cursorY);
  op.x = at.x();
  op.y = at.y();
  op.font = m_font;
  op.text = text;
  op.clipped = true;
  op.clip = box.translated(m_originX + m_pageOffsetX, m_originY + m_pageOffsetY);
  emitOp(std::move(op));
  m_cursorX = qMin(x + textWidth(text), box.right());
}

void ReportCanvas::newLine() {
  m_cursorX = m_sectionLeft;
  m_cursorY += lineHeight();
  m_tab = -1;
}

// ---- Lines, boxes and pictures

void ReportCanvas::setPen(const QColor& color, PenStyle style, double width, PenMode mode) {
  m_pen.color = color.rgba();
  m_pen.style = style;
  m_pen.mode = mode;
  // Negative: hundredths of an inch. Otherwise device pixels of the printer.
  m_pen.width = width < 0 ? -width / 100.0 : width / deviceResolution();
}

void ReportCanvas::resetPen() { m_pen = Pen(); }

void ReportCanvas::setBrush(const QColor& color) {
  m_brushOn = true;
  m_brush = color.rgba();
}

void ReportCanvas::clearBrush() { m_brushOn = false; }

void ReportCanvas::moveTo(double x, double y) {
  m_penX = x;
  m_penY = y;
}

void ReportCanvas::lineTo(double x, double y) {
  LineOp op;
  QPointF from = toPage(m_penX, m_penY), to = toPage(x, y);
  op.x1 = from.x();
  op.y1 = from.y();
  op.x2 = to.x();
  op.y2 = to.y();
  op.pen = m_pen;
  emitOp(std::move(op));
  moveTo(x, y);
}

void ReportCanvas::rectangle(double x1, double y1, double x2, double y2) {
  RectOp op;
  op.rect = QRectF(toPage(x1, y1), toPage(x2, y2));
  op.pen = m_pen;
  op.filled = m_brushOn;
  op.fill = m_brush;
  emitOp(std::move(op));
}

void ReportCanvas::shadeRect(double x1, double y1, double x2, double y2, int percent) {
  ShadeOp op;
  op.rect = QRectF(toPage(x1, y1), toPage(x2, y2));
  op.percent = qBound(0, percent, 100);
  emitOp(std::move(op));
}

void ReportCanvas::stretchDraw(const QRectF& box, const QImage& image) {
  if (!drawing() || image.isNull()) return;
  ImageOp op;
  op.rect = box.translated(m_originX + m_pageOffsetX, m_originY + m_pageOffsetY);
  QBuffer buffer(&op.png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  emitOp(std::move(op));
}

void ReportCanvas::barCode(BarKind kind, const QByteArray& states) {
  BarCodeOp op;
  const QPointF at = toPage(m_penX, m_penY);
  op.x = at.x();
  op.y = at.y();
  op.kind = kind;
  op.states = states;
  emitOp(std::move(op));
}

// ---- Tab stops

void ReportCanvas::setTab(double position, TabJustify justify, double width, double margin,
                          unsigned boxLines, int shade) {
  TabStop stop;
  if (std::isnan(position)) {
    position = m_tabs.empty() ? m_sectionLeft : m_tabs.back().position + m_tabs.back().width;
  }
  stop.position = position;
  stop.justify = justify;
  stop.width = width;
  stop.margin = margin;
  stop.boxLines = boxLines;
  stop.shade = qBound(0, shade, 100);
  m_tabs.push_back(stop);
}

void ReportCanvas::clearTabs() {
  m_tabs.clear();
  m_tab = -1;
}

void ReportCanvas::saveTabs() { m_savedTabs.push_back(m_tabs); }

void ReportCanvas::restoreTabs() {
  if (m_savedTabs.empty()) return;
  m_tabs = std::move(m_savedTabs.back());
  m_savedTabs.pop_back();
  m_tab = -1;
}

void ReportCanvas::setTabShade(int percent) {
  for (TabStop& stop : m_tabs) stop.shade = qBound(0, percent, 100);
}

double ReportCanvas::tabLeft(int index) const { return m_tabs.at(size_t(index)).position; }

void ReportCanvas::drawTabCell(const QRectF& cell, const TabStop& stop) {
  if (stop.shade > 0) {
    shadeRect(cell.left(), cell.top(), cell.right(), cell.bottom(), stop.shade);
  }
  if (stop.boxLines == BoxNone) return;
  Pen saved = m_pen;
  double savedX = m_penX, savedY = m_penY;
  m_pen = Pen();  // box lines are thin black, whatever the job's pen
  if (stop.boxLines & BoxLeft) {
    moveTo(cell.left(), cell.top());
    lineTo(cell.left(), cell.bottom());
  }
  if (stop.boxLines & BoxRight) {
    moveTo(cell.right(), cell.top());
    lineTo(cell.right(), cell.bottom());
  }
  if (stop.boxLines & BoxTop) {
    moveTo(cell.left(), cell.top());
    lineTo(cell.right(), cell.top());
  }
  if (stop.boxLines & BoxBottom) {
    moveTo(cell.left(), cell.bottom());
    lineTo(cell.right(), cell.bottom());
  }
  m_pen = saved;
  moveTo(savedX, savedY);
}

bool ReportCanvas::nextTab() {
  if (m_tab + 1 >= int(m_tabs.size())) return false;
  ++m_tab;
  const TabStop& stop = m_tabs[size_t(m_tab)];
  drawTabCell(QRectF(stop.position, lineTop(), stop.width, lineHeight()), stop);
  m_cursorX = stop.position + stop.margin / 100.0;
  return true;
}

void ReportCanvas::printTab(const QString& text) {
  if (!nextTab()) return;
  const TabStop& stop = m_tabs[size_t(m_tab)];
  QRectF cell(stop.position, lineTop(), stop.width, lineHeight());
  double inset = stop.margin / 100.0;
  double width = textWidth(text);
  double x = cell.left() + inset;
  if (stop.justify == TabJustify::Right) x = cell.right() - inset - width;
  if (stop.justify == TabJustify::Center) x = cell.center().x() - width / 2;
  textRect(cell, x, text);
  m_cursorX = cell.right();
}

// ---- Pages and columns

void ReportCanvas::setColumns(int count, double spacing) {
  m_columns = qMax(1, count);
  m_columnSpacing = spacing;
  m_column = 0;
  m_columnBaseLeft = m_sectionLeft;
  m_columnBaseRight = m_sectionRight;
  double width = (m_columnBaseRight - m_columnBaseLeft - spacing * (m_columns - 1)) / m_columns;
  m_sectionRight = m_sectionLeft + width;
}

void ReportCanvas::newColumn() {
  if (m_column + 1 >= m_columns) {
    newPage();
    return;
  }
  ++m_column;
  double width =
      (m_columnBaseRight - m_columnBaseLeft - m_columnSpacing * (m_columns - 1)) / m_columns;
  m_sectionLeft = m_columnBaseLeft + m_column * (width + m_columnSpacing);
  m_sectionRight = m_sectionLeft + width;
  home();
  if (m_events.OnNewColumn) m_events.OnNewColumn(*this);
}

void ReportCanvas::startPage() {
  QString error;
  if (!m_output->beginPage(pageSetup(), &error)) {
    m_error = error;
    return;
  }
  ++m_page;
  m_pageOpen = true;
  if (m_columns > 1) {
    m_column = 0;
    m_sectionLeft = m_columnBaseLeft;
    m_sectionRight =
        m_columnBaseLeft +
        (m_columnBaseRight - m_columnBaseLeft - m_columnSpacing * (m_columns - 1)) / m_columns;
  }
  home();
  updateStatus();
  if (m_events.OnNewPage) m_events.OnNewPage(*this);
  if (m_events.OnPrintHeader && drawing()) m_events.OnPrintHeader(*this);
}

void ReportCanvas::finishPage() {
  if (m_events.OnPrintFooter && drawing()) m_events.OnPrintFooter(*this);
  m_output->endPage();
  m_pageOpen = false;
}

void ReportCanvas::newPage() {
  if (!drawing() || !m_error.isEmpty()) return;
  finishPage();
  startPage();
}

// ---- The run

bool ReportCanvas::execute() {
  if (m_running) return false;
  m_aborted = false;
  m_error.clear();
  m_notice.clear();
  m_page = 0;
  m_lastPages = PageStream();
  switch (m_target) {
    case Target::Stream:
      m_output = std::make_unique<StreamOutput>(m_streamDevice);
      break;
    case Target::Pdf:
      m_output = std::make_unique<PrinterOutput>(nullptr, m_pdfFile);
      break;
    case Target::Printer:
      m_output = std::make_unique<PrinterOutput>(m_printer.get());
      break;
  }
  m_running = true;
  QString error;
  if (!m_output->begin(m_title, &error)) {
    if (error.isEmpty()) m_aborted = true;  // the user cancelled the file question
    m_error = error;
    m_running = false;
    m_output.reset();
    updateStatus();
    return false;
  }
  if (m_events.OnBeforePrint) m_events.OnBeforePrint(*this);
  if (!m_aborted) startPage();
  if (drawing()) {
    if (m_events.OnPrint) {
      m_events.OnPrint(*this);
    } else if (m_events.OnPrintPage) {
      while (drawing() && m_events.OnPrintPage(*this)) newPage();
    }
  }
  if (m_pageOpen) finishPage();
  if (m_aborted || !m_error.isEmpty()) {
    m_output->abort();
  } else if (!m_output->end(&error)) {
    m_error = error;
  } else {
    m_notice = m_output->notice();
  }
  if (auto* stream = dynamic_cast<StreamOutput*>(m_output.get())) m_lastPages = stream->takePages();
  if (m_events.OnAfterPrint) m_events.OnAfterPrint(*this);
  m_running = false;
  m_output.reset();
  updateStatus();
  return m_error.isEmpty() && !m_aborted;
}

void ReportCanvas::abort() {
  if (m_running) m_aborted = true;
}

// ---- Status

void ReportCanvas::setStatusFormat(const QString& format) {
  m_statusFormat = format;
  updateStatus();
}

void ReportCanvas::addStatusLine(const QString& text) {
  m_statusLines.append(text);
  updateStatus();
}

void ReportCanvas::setStatusLine(int index, const QString& text) {
  if (index < 0) return;
  while (m_statusLines.size() <= index) m_statusLines.append(QString());
  m_statusLines[index] = text;
  updateStatus();
}

void ReportCanvas::clearStatusLines() {
  m_statusLines.clear();
  updateStatus();
}

QString ReportCanvas::statusText() const {
  QString out;
  for (qsizetype i = 0; i < m_statusFormat.size(); ++i) {
    QChar c = m_statusFormat[i];
    if (c != QLatin1Char('%') || i + 1 >= m_statusFormat.size()) {
      out += c;
      continue;
    }
    QChar next = m_statusFormat[i + 1];
    if (next == QLatin1Char('p') || next == QLatin1Char('P')) {
      out += QString::number(m_page);
      ++i;
    } else if (next.isDigit()) {
      int line = next.digitValue();
      if (line < m_statusLines.size()) out += m_statusLines[line];
      ++i;
    } else if (next == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

void ReportCanvas::setStatusDisplay(std::function<void(const QString&)> display) {
  m_statusDisplay = std::move(display);
  updateStatus();
}

void ReportCanvas::updateStatus() {
  if (m_statusDisplay) m_statusDisplay(statusText());
}

}  // namespace qv
