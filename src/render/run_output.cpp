#include "render/run_output.h"

#include <QDir>

#include "render/report_canvas.h"

namespace qv {

PreviewStream::PreviewStream()
    : m_file(QDir::tempPath() + QStringLiteral("/quorvane-preview-XXXXXX.qvs")) {}

bool PreviewStream::open(QString* error) {
  if (m_file.isOpen() || m_file.open()) return true;
  *error = QStringLiteral("The preview could not be made: %1 (%2).")
               .arg(m_file.errorString(), QDir::toNativeSeparators(QDir::tempPath()));
  return false;
}

QIODevice& PreviewStream::rewound() {
  m_file.seek(0);
  return m_file;
}

bool RouteReportOutput(ReportCanvas& report, const PrintTarget& target, PreviewStream* stream,
                       QString* error) {
  const bool print = target.print;
  const QString& pdfFile = target.pdfFile;
  const QString& printerName = target.printerName;
  if (target.paper.isValid()) report.setPaper(target.paper);
  if (print) {
    if (!pdfFile.isEmpty()) report.setOutputToPdf(pdfFile);
  } else {
    if (!stream->open(error)) return false;
    report.setOutputToStream(&stream->device());
  }
  // Printing to a printer that is gone must not go to another one.
  if (!printerName.isEmpty() && !report.selectPrinter(printerName) && print && pdfFile.isEmpty()) {
    *error = QStringLiteral("The printer %1 is not available.").arg(printerName);
    return false;
  }
  return true;
}

}  // namespace qv
