// Where a report run's pages go: a printer (CUPS or the PDF file printer)
// or a page stream in memory for the preview. The canvas hands every output
// the same operations.
#pragma once

#include <QPageSize>
#include <QPainter>
#include <QString>
#include <memory>
#include <utility>

#include "render/page_stream.h"

class QIODevice;
class QPdfWriter;
class QPrinter;

namespace qv {

class OpPainter;
class OutputFile;

enum class Orientation { Portrait, Landscape };

// One page's paper as the canvas asked for it; width and height are
// after orientation, in inches.
struct PageSetup {
  QPageSize paper;
  Orientation orientation = Orientation::Portrait;
  double width = 8.5;
  double height = 11.0;
};

class ReportOutput {
 public:
  virtual ~ReportOutput() = default;
  // Opens the document. On false, `*error` says why in plain words, or is
  // empty when the user cancelled (the PDF file question).
  virtual bool begin(const QString& title, QString* error) = 0;
  virtual bool beginPage(const PageSetup& setup, QString* error) = 0;
  virtual void draw(const PageOp& op) = 0;
  virtual void endPage() = 0;
  virtual bool end(QString* error) = 0;
  // Drops the document: a printer job is cancelled, a PDF file removed.
  virtual void abort() = 0;
  // After end(): what the user should know of a job that went out, such as
  // a paused printer holding it; empty when nothing.
  virtual QString notice() const { return {}; }
};

// Records the pages as a page stream. With a `device` (not owned) each
// page is written to it when the next one begins, so memory holds one page
// whatever the length of the run; without one the pages stay in pages().
class StreamOutput : public ReportOutput {
 public:
  explicit StreamOutput(QIODevice* device);
  ~StreamOutput() override;
  bool begin(const QString& title, QString* error) override;
  bool beginPage(const PageSetup& setup, QString* error) override;
  void draw(const PageOp& op) override;
  void endPage() override {}
  bool end(QString* error) override;
  void abort() override;
  const PageStream& pages() const { return m_pages; }
  // Hands the pages over, leaving none: a long run's pages are large.
  PageStream takePages() { return std::move(m_pages); }

 private:
  bool flush(QString* error);

  QIODevice* m_device;
  std::unique_ptr<PageStreamWriter> m_writer;
  PageStream m_pages;  // with a device, only the page being drawn
};

// Paints the pages on a printer. `printer` is borrowed; with `pdfFile` set
// the output is a PDF printer of its own writing that file.
class PrinterOutput : public ReportOutput {
 public:
  PrinterOutput(QPrinter* printer, const QString& pdfFile = {});
  ~PrinterOutput() override;
  bool begin(const QString& title, QString* error) override;
  bool beginPage(const PageSetup& setup, QString* error) override;
  void draw(const PageOp& op) override;
  void endPage() override {}
  bool end(QString* error) override;
  void abort() override;
  QString notice() const override { return m_notice; }

 private:
  std::unique_ptr<QPrinter> m_ownPrinter;
  QPrinter* m_printer;
  QString m_pdfFile;
  // A PDF goes through these rather than the printer's own file.
  std::unique_ptr<OutputFile> m_pdfOut;
  std::unique_ptr<QPdfWriter> m_pdfWriter;
  QPainter m_painter;
  std::unique_ptr<OpPainter> m_ops;  // of the page being drawn
  bool m_started = false;
  QString m_notice;
};

}  // namespace qv
