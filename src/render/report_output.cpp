#include "render/report_output.h"

#include <QIODevice>
#include <QPdfWriter>
#include <QPrinter>

#include "render/page_painter.h"
#include "render/printers.h"
#include "store/output_file.h"

namespace qv {

StreamOutput::StreamOutput(QIODevice* device) : m_device(device) {}

StreamOutput::~StreamOutput() = default;

bool StreamOutput::begin(const QString&, QString* error) {
  m_pages.pages.clear();
  m_writer.reset();
  if (m_device == nullptr) return true;
  if (!m_device->isOpen() && !m_device->open(QIODevice::ReadWrite)) {
    *error = QStringLiteral("The preview stream could not be opened for writing.");
    return false;
  }
  m_writer = std::make_unique<PageStreamWriter>(m_device);
  return m_writer->begin(error);
}

bool StreamOutput::flush(QString* error) {
  if (!m_writer || m_pages.pages.empty()) return true;
  const bool written = m_writer->writePage(m_pages.pages.back(), error);
  m_pages.pages.clear();
  return written;
}

bool StreamOutput::beginPage(const PageSetup& setup, QString* error) {
  if (!flush(error)) return false;
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
  if (!m_writer) return true;
  const bool written = flush(error) && m_writer->finish(error);
  m_writer.reset();
  return written;
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
  m_ops.reset();
  if (m_painter.isActive()) m_painter.end();
  m_pdfWriter.reset();
}

bool PrinterOutput::begin(const QString& title, QString* error) {
  if (m_printer == nullptr) {
    *error = QStringLiteral("No printer is selected.");
    return false;
  }
  if (IsPdfPrinter(*m_printer)) {
    if (m_pdfFile.isEmpty()) m_pdfFile = AskPdfFileName(title);
    if (m_pdfFile.isEmpty()) return false;  // cancelled
    // Through the checked output file: a PDF that cannot be written whole
    // is told, and an older file of its name stays as it was.
    m_pdfOut = std::make_unique<OutputFile>(m_pdfFile);
    if (!m_pdfOut->open()) {
      *error = QStringLiteral("Unable to write the PDF file %1: %2").arg(m_pdfFile, m_pdfOut->reason());
      m_pdfOut.reset();
      return false;
    }
    m_pdfWriter = std::make_unique<QPdfWriter>(m_pdfOut.get());
    m_pdfWriter->setResolution(m_printer->resolution());
    m_pdfWriter->setTitle(title);
    m_pdfWriter->setCreator(QStringLiteral("Quorvane"));
  } else {
    // A queue that cannot take the job is told before the pages are drawn.
    const QString problem = QueueProblem(m_printer->printerName());
    if (!problem.isEmpty()) {
      *error = problem;
      return false;
    }
  }
  m_notice.clear();
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
  QPagedPaintDevice* device = m_pdfWriter ? static_cast<QPagedPaintDevice*>(m_pdfWriter.get()) : m_printer;
  const int resolution = m_pdfWriter ? m_pdfWriter->resolution() : m_printer->resolution();
  if (!m_started) {
    device->setPageLayout(layout);
    if (!m_painter.begin(device)) {
      *error =
          IsPdfPrinter(*m_printer)
              ? QStringLiteral("Unable to write the PDF file %1.").arg(m_pdfFile)
              : QStringLiteral("Unable to start printing on %1.").arg(m_printer->printerName());
      return false;
    }
    m_started = true;
    m_ops = std::make_unique<OpPainter>(m_painter, resolution);
    return true;
  }
  m_ops.reset();
  if (!device->pageLayout().isEquivalentTo(layout)) device->setPageLayout(layout);
  if (!device->newPage()) {
    *error = QStringLiteral("The printer refused a new page.");
    return false;
  }
  m_ops = std::make_unique<OpPainter>(m_painter, resolution);
  return true;
}

void PrinterOutput::draw(const PageOp& op) {
  if (m_ops) m_ops->paint(op);
}

bool PrinterOutput::end(QString* error) {
  m_ops.reset();
  if (m_painter.isActive() && !m_painter.end()) {
    *error = QStringLiteral("The print job could not be finished.");
    return false;
  }
  if (m_started && !IsPdfPrinter(*m_printer)) {
    // Ending the painter handed the job to CUPS, which may have refused it.
    const QString refused = JobRefusal(m_printer->printerName());
    if (!refused.isEmpty()) {
      *error = refused;
      return false;
    }
    m_notice = PausedQueueNotice(m_printer->printerName());
  }
  if (m_pdfOut) {
    m_pdfWriter.reset();
    const bool written = m_pdfOut->commit();
    const QString why = m_pdfOut->reason();
    m_pdfOut.reset();
    if (!written) {
      *error = QStringLiteral("Unable to write the PDF file %1: %2").arg(m_pdfFile, why);
      return false;
    }
  }
  return true;
}

void PrinterOutput::abort() {
  if (m_printer == nullptr) return;
  bool pdf = IsPdfPrinter(*m_printer);
  m_ops.reset();
  if (!pdf) m_printer->abort();
  if (m_painter.isActive()) m_painter.end();
  // An unfinished PDF is thrown away; the target keeps what it had.
  m_pdfWriter.reset();
  m_pdfOut.reset();
}

}  // namespace qv
