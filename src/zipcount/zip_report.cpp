#include "zipcount/zip_report.h"


#include "labels/job_host.h"
#include "render/report_canvas.h"
#include "render/run_output.h"

namespace qv {

using namespace zip_report;

TZipReport::TZipReport(const QStringList& lines, JobHost& host)
    : PrintJob(host, QStringLiteral("Cancel Printing?")), m_lines(lines) {
  for (ReportCanvas* r : {m_printReport.get(), m_fileReport.get()}) {
    r->setTitle(QStringLiteral("Zip Code Count Report"));
    r->events() = ReportCanvas::Events();
    r->events().OnBeforePrint = [this](ReportCanvas& s) { BeforePrintReport(s); };
    r->events().OnPrint = [this](ReportCanvas& s) { PrintZipReport(s); };
  }
}

TZipReport::~TZipReport() = default;

QString TZipReport::OutcomeText() const {
  return OutcomeLine(QString(), QStringLiteral("\rPreview Stopped at page %p!"));
}

void TZipReport::BeforePrintReport(ReportCanvas& sender) { StartStatusLines(sender); }

void TZipReport::HeaderFooter(ReportCanvas& r) {
  const double savedOrigin = r.originX();
  r.setOriginX(0);
  const double top = r.sectionTop(), bottom = r.sectionBottom();
  r.setBold(true);
  r.gotoXY(r.marginLeft(), top - kTitleAbove + r.lineHeight());
  r.print(QStringLiteral("Zip Code Count Report"));
  r.setBold(false);
  r.gotoXY(r.marginLeft(), bottom + r.lineHeight());
  r.print(QStringLiteral("Page ") + QString::number(r.currentPage()));
  r.setOriginX(savedOrigin);
}

// Drawn once a page's rows are on it: the shading of a column's last cell
// reaches the column line and would cover it.
void TZipReport::Grid(ReportCanvas& r) {
  const double top = r.sectionTop(), bottom = r.sectionBottom();
  const double left = r.sectionLeft(), right = r.sectionRight();
  r.rectangle(left, top, right, bottom);
  for (int column = 1; column < kColumns; ++column) {
    r.moveTo(left + column * kColumnWidth, top);
    r.lineTo(left + column * kColumnWidth, bottom);
  }
}

void TZipReport::PrintZipReport(ReportCanvas& r) {
  // The tabs stand at the column's left edge, which the origin moves.
  r.clearTabs();
  r.setTab(0.0, TabJustify::Left, kTabWidth, 2.0, BoxNone, 0);
  r.setTab(kTabFollows, TabJustify::Right, kTabWidth, 2.0, BoxNone, 0);
  r.setTab(kTabFollows, TabJustify::Left, kTabWidth, 2.0, BoxNone, 0);
  r.setFont(QStringLiteral("Arial"), 10);
  r.setBold(false);
  r.setItalic(false);
  r.setMargins(kMarginLeft, kMarginTop, kMarginRight, kMarginBottom);
  r.setSectionRight(r.pageWidth() - kMarginLeft);
  HeaderFooter(r);
  int column = 0, row = 0;
  r.setOriginX(kMarginLeft + column * kColumnWidth);
  r.home();
  for (const QString& line : m_lines) {
    if (m_stop || r.aborted() || !r.errorText().isEmpty()) break;
    if (r.linesLeft() < 1) {
      ++column;
      row = 0;
      if (column == kColumns) {
        r.setOriginX(0);
        Grid(r);
        r.newPage();
        HeaderFooter(r);
        column = 0;
      }
      r.setOriginX(kMarginLeft + column * kColumnWidth);
      r.home();
    }
    ++row;
    r.setTabShade(row % 2 == 1 ? kOddRowShade : 0);
    r.printTab(line.left(5));
    r.printTab(line.mid(5, 12));
    r.printTab(QString());
    r.newLine();
    m_host.processPendingEvents();
  }
  r.setOriginX(0);
  Grid(r);
}

ZipReportResult DoThePrintJob(const QStringList& lines, const ZipReportOptions& options,
                              JobHost& host, const ZipReportHooks& hooks) {
  ZipReportResult result;
  TZipReport job(lines, host);
  job.setPrintMode(options.print);
  ReportCanvas& report = job.Report();
  PreviewStream stream;
  if (!RouteReportOutput(report, options, &stream, &result.errorText)) {
    result.outcome = ZipReportOutcome::Failed;
    return result;
  }
  if (hooks.printReport) {
    hooks.printReport(job);
  } else {
    job.FormActivate();
  }
  result.pages = report.currentPage();
  result.errorText = report.errorText();
  result.statusText = report.statusText();
  if (!report.noticeText().isEmpty()) host.information(report.noticeText());
  if (!result.errorText.isEmpty()) {
    result.outcome = ZipReportOutcome::Failed;
  } else if (job.Aborted()) {
    result.outcome = ZipReportOutcome::Cancelled;
  } else {
    result.outcome = job.Stopped() ? ZipReportOutcome::Stopped : ZipReportOutcome::Completed;
    if (!options.print && hooks.preview) {
      hooks.preview(stream.rewound());
    }
  }
  return result;
}

}  // namespace qv
