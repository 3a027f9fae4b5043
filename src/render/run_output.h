// Where a job's run goes: the printer, a PDF file, or for a preview a page
// stream in a temporary file that the preview window reads page by page.
#pragma once

#include <QPageSize>
#include <QString>
#include <QTemporaryFile>
#include <functional>

namespace qv {

class ReportCanvas;

// Where a run's pages go, as every job's run options give it.
struct PrintTarget {
  bool print = true;  // false: preview into a page stream
  // The printer by name (its " ON " part is dropped); empty keeps the
  // report's current printer.
  QString printerName;
  // When set, a print run writes this PDF file instead of printing.
  QString pdfFile;
  // The paper to print on; invalid keeps the job's own.
  QPageSize paper;
};

// The hook every job's run shows a finished preview with; empty: the
// stream is dropped (the command line copies it out instead).
struct PreviewHook {
  // Shows a finished preview's page stream (the job's "Preview" window).
  std::function<void(QIODevice&)> preview;
};

// What every job's run reports beside its outcome and what it counted.
struct RunReport {
  QString errorText;
  int pages = 0;
  QString statusText;  // the status window's last line
};

// The page stream of a previewed run. The file is removed when this object
// goes: after the preview closes, or when the run fails or is cancelled.
class PreviewStream {
 public:
  PreviewStream();
  // Creates the file; false with a plain-words reason.
  bool open(QString* error);
  QIODevice& device() { return m_file; }
  // The stream from its first byte, for the preview.
  QIODevice& rewound();
  QString fileName() const { return m_file.fileName(); }

 private:
  QTemporaryFile m_file;
};

// Points `report` at the PDF file (when one is named) or the printer when
// printing, otherwise at `*stream`, which it opens. A named printer is
// selected either way. False with a plain-words reason.
bool RouteReportOutput(ReportCanvas& report, const PrintTarget& target, PreviewStream* stream,
                       QString* error);

}  // namespace qv
