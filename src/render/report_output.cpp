#include "render/report_output.h"

#include <QFile>
#include <QIODevice>
#include <QPrinter>

#include "render/page_painter.h"
#include "render/printers.h"

namespace qv {

StreamOutput::StreamOutput(QIODevice* device) : m_device(device) {}

bool StreamOutput::begin(const QString&, QString*) {
  m_pages.pages.clear();
  return true;
}

bool StreamOutput::beginPage(const PageSetup& setup, QString*) {
  Page page;
  page.width = setup.width;
  page.height = setup.height;
  m_pages.pages.push_back(std::move(page));
  return true;
}

void StreamOutput::draw(const PageOp& op) {
  if (!m_pages.pages.empty()) m_pages.pages.back().ops.push_back(op);
}

bool StreamOutput::end(QString* error) {
  if (m_device == nullptr) return true;
  QByteArray bytes = EncodePageStream(m_pages);
  if (!m_device->isOpen() && !m_device->open(QIODevice::WriteOnly)) {
    *error = QStringLiteral("The preview stream could not be opened for writing.");
    return false;
  }
  if (m_device->write(bytes) != bytes.size()) {
    *error = QStringLiteral("The preview stream could not be written.");
    return false;
  }
  return true;
}

// A stopped or aborted preview keeps the pages made so far; the caller
// decides whether to show them.
void StreamOutput::abort() {
  QString ignored;
  end(&ignored);
}

PrinterOutput::PrinterOutput(QPrinter* printer, const QString& pdfFile) : m_printer(printer) {
  if (!pdfFile.isEmpty()) {
    m_ownPrinter = CreatePrinter(PdfPrinterName());
    m_printer = m_ownPrinter.get();
    m_pdfFile = pdfFile;
  }
}

PrinterOutput::~PrinterOutput() {
  if (m_painter.isActive()) m_painter.end();
}

bool PrinterOutput::begin(const QString& title, QString* error) {
  if (m_printer == nullptr) {
    *error = QStringLiteral("No printer is selected.");
    return false;
  }
  if (IsPdfPrinter(*m_printer)) {
    if (m_pdfFile.isEmpty()) m_pdfFile = AskPdfFileName(title);
    if (m_pdfFile.isEmpty()) return false;  // cancelled
    m_printer->setOutputFileName(m_pdfFile);
  }
  m_printer->setDocName(title);
  m_printer->setFullPage(true);
  return true;
}

bool PrinterOutput::beginPage(const PageSetup& setup, QString* error) {
  QPageLayout layout(
      setup.paper,
      setup.orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
      QMarginsF(0, 0, 0, 0));
  layout.setMode(QPageLayout::FullPageMode);
  if (!m_started) {
    m_printer->setPageLayout(layout);
    if (!m_painter.begin(m_printer)) {
      *error =
          IsPdfPrinter(*m_printer)
              ? QStringLiteral("Unable to write the PDF file %1.").arg(m_pdfFile)
              : QStringLiteral("Unable to start printing on %1.").arg(m_printer->printerName());
      return false;
    }
    m_started = true;
    return true;
  }
  if (!m_printer->pageLayout().isEquivalentTo(layout)) m_printer->setPageLayout(layout);
  if (!m_printer->newPage()) {
    *error = QStringLiteral("The printer refused a new page.");
    return false;
  }
  return true;
}

void PrinterOutput::draw(const PageOp& op) {
  if (m_painter.isActive()) PaintOp(m_painter, op, m_printer->resolution());
}

bool PrinterOutput::end(QString* error) {
  if (m_painter.isActive() && !m_painter.end()) {
    *error = QStringLiteral("The print job could not be finished.");
    return false;
  }
  return true;
}

void PrinterOutput::abort() {
  if (m_printer == nullptr) return;
  bool pdf = IsPdfPrinter(*m_printer);
  if (!pdf) m_printer->abort();
  if (m_painter.isActive()) m_painter.end();
  if (pdf && m_started && !m_pdfFile.isEmpty()) QFile::remove(m_pdfFile);
}

}  // namespace qv
