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

#include "labels/print_job.h"
#include "render/run_output.h"

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

class TZipReport : public PrintJob {
 public:
  TZipReport(const QStringList& lines, JobHost& host);
  ~TZipReport() override;

  // ---- The report's events and page parts
  void BeforePrintReport(ReportCanvas& sender);
  void PrintZipReport(ReportCanvas& sender);
  void HeaderFooter(ReportCanvas& sender);
  void Grid(ReportCanvas& sender);

  // Cancel asks "Cancel Printing?" before it aborts a print.
  QString OutcomeText() const override;

 private:
  const QStringList& m_lines;
};

struct ZipReportOptions : PrintTarget {};

struct ZipReportHooks : PreviewHook {
  // Runs the report. Default: FormActivate.
  std::function<void(TZipReport&)> printReport;
};

enum class ZipReportOutcome { Completed, Stopped, Cancelled, Failed };

struct ZipReportResult : RunReport {
  ZipReportOutcome outcome = ZipReportOutcome::Failed;
};

ZipReportResult DoThePrintJob(const QStringList& lines, const ZipReportOptions& options,
                              JobHost& host, const ZipReportHooks& hooks = {});

}  // namespace qv
