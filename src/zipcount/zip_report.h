// The ZIP count report: the count's lines in four columns of 1.875 inches
// per page, each line a key and its count in shaded and plain rows, under
// the title "Zip Code Count Report", with the page number below, a frame
// round the list and lines between the columns.
//
// TZipReport is the job of the "Print Status" / "Preview Status" window
// without the window, as TLabelPrint is for labels: it owns the page
// printer and the file report, and the window or the command line runs
// FormActivate. DoThePrintJob is one run from start to end.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QIODevice;

namespace qv {

class JobHost;
class ReportCanvas;

// The report's geometry, in inches.
namespace zip_report {
constexpr double kMarginLeft = 0.5;
constexpr double kMarginRight = 0.5;
constexpr double kMarginTop = 1.0;
constexpr double kMarginBottom = 1.0;
constexpr double kColumnWidth = 1.875;
constexpr int kColumns = 4;
constexpr double kTabWidth = 0.625;
constexpr double kTitleAbove = 0.25;
constexpr int kOddRowShade = 5;
}  // namespace zip_report

class TZipReport {
 public:
  TZipReport(const QStringList& lines, JobHost& host);
  ~TZipReport();
  TZipReport(const TZipReport&) = delete;
  TZipReport& operator=(const TZipReport&) = delete;

  // True: the page printer report; false: the file report (preview).
  void setPrintMode(bool printing) { m_printMode = printing; }
  bool printMode() const { return m_printMode; }
  ReportCanvas& Report() { return m_printMode ? *m_printReport : *m_fileReport; }

  QString Caption() const;        // "Print Status" or "Preview Status"
  QString ButtonCaption() const;  // "Cancel" or "Stop"

  // Runs the report the print flag picks and puts the outcome line into
  // its status text.
  void FormActivate();
  bool running() const { return m_running; }

  // ---- The report's events and page parts
  void BeforePrintReport(ReportCanvas& sender);
  void PrintZipReport(ReportCanvas& sender);
  void HeaderFooter(ReportCanvas& sender);

  // Printing: asks "Cancel Printing?" and on Yes aborts the report.
  // Previewing: stops after the current line, without asking.
  void CancelButtonClick();
  void Stop() { m_stop = true; }
  bool Stopped() const { return m_stop; }
  bool Aborted() const;
  QString OutcomeText() const;

 private:
  const QStringList& m_lines;
  JobHost& m_host;
  bool m_printMode = true;
  bool m_stop = false;
  bool m_running = false;
  bool m_finished = false;
  std::unique_ptr<ReportCanvas> m_printReport;
  std::unique_ptr<ReportCanvas> m_fileReport;
};

struct ZipReportOptions {
  bool print = true;  // false: preview into a page stream
  // The printer by name (its " ON " part is dropped); empty keeps the
  // report's current printer.
  QString printerName;
  // When set, a print run writes this PDF file instead of printing.
  QString pdfFile;
};

struct ZipReportHooks {
  // Runs the report. Default: FormActivate.
  std::function<void(TZipReport&)> printReport;
  // Shows a finished preview's page stream ("Preview Zipcode Count").
  std::function<void(QIODevice&)> preview;
};

enum class ZipReportOutcome { Completed, Stopped, Cancelled, Failed };

struct ZipReportResult {
  ZipReportOutcome outcome = ZipReportOutcome::Failed;
  QString errorText;
  int pages = 0;
  QString statusText;
};

ZipReportResult DoThePrintJob(const QStringList& lines, const ZipReportOptions& options,
                              JobHost& host, const ZipReportHooks& hooks = {});

}  // namespace qv
