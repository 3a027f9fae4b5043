#include "envelopes/envelope_run.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

#include "envelopes/envelope_print.h"
#include "labels/job_host.h"
#include "render/report_canvas.h"
#include "render/run_output.h"
#include "store/apollo.h"
#include "store/filter_text.h"
#include "store/settings.h"
#include "store/table_restorer.h"
#include "store/table_object.h"

namespace qv {

namespace {


void SetPaper(ReportCanvas& report, const TEnvelopeSetup& setup, EnvelopePaper paper) {
  switch (paper) {
    case EnvelopePaper::Envelope: {
      // Paper is defined short side first; the setup's orientation then
      // turns a landscape envelope so that the page is as wide as it.
      const double w = setup.envelopeWidth, h = setup.envelopeHeight;
      report.setCustomPaper(std::min(w, h), std::max(w, h));
      report.setPaperCode(0);
      break;
    }
    case EnvelopePaper::Letter:
      report.setPaperCode(1);
      break;
    case EnvelopePaper::A4:
      report.setPaperCode(9);
      break;
    case EnvelopePaper::Printer:
      if (QPrinter* printer = report.printer()) {
        const QPageSize size = QPrinterInfo(*printer).defaultPageSize();
        if (size.isValid()) {
          const QSizeF inches = size.size(QPageSize::Inch);
          report.setCustomPaper(inches.width(), inches.height());
          if (size.windowsId() > 0) report.setPaperCode(size.windowsId());
        }
      }
      break;
  }
}

}  // namespace

EnvelopeRunResult DoPrintEnvelopes(TableObject& table, TApollo& apollo,
                                   const EnvelopeRunOptions& options, JobHost& host,
                                   const EnvelopeRunHooks& hooks) {
  EnvelopeRunResult result;
  TableRestorer restore(apollo);
  const int savedRecno = restore.recno();
  table.clearFailure();
  if (!SelectRecords(table, apollo, options.selection, savedRecno, &result.errorText)) {
    host.information(result.errorText);
    return result;
  }
  table.clearFailure();
  if (!apollo.GoTop()) {
    result.errorText = table.failureMessage();
    host.information(result.errorText);
    return result;
  }
  if (apollo.Eof()) {
    result.outcome = EnvelopeRunOutcome::NoRecords;
    return result;
  }

  TEnvelopePrint job(table, host);
  job.setSetup(options.setup);
  job.setPrintMode(options.print);
  job.setDecorate(options.decorate);
  job.setSingleRecord(options.selection == RecordSelection::Current);
  // Every piece takes the next serial; what a run used is never used again,
  // previews included, since a previewed page can still be printed.
  const QString directory =
      options.programDirectory.isEmpty() ? ProgramDirectory() : options.programDirectory;
  const QString settingsPath = directory + QStringLiteral("QUORVA.INI");
  std::unique_ptr<ImbNumbering> numbering;
  if (options.setup.address.barCode && options.setup.intelligentMail) {
    numbering = std::make_unique<ImbNumbering>(
        options.imbGiven ? options.imb : LoadImbSettings(IniFile(settingsPath)));
    job.setImbNumbering(numbering.get());
  }
  ReportCanvas& report = job.Report();
  PreviewStream stream;
  if (!RouteReportOutput(report, options, &stream, &result.errorText)) {
    result.outcome = EnvelopeRunOutcome::Failed;
    return result;
  }
  SetPaper(report, job.setup(), options.paper);
  const PrinterOffset offset = ReadPrinterOffset(
      IniFile(settingsPath),
      options.printerName.isEmpty() ? report.printerName() : options.printerName);
  report.setPageOffset(offset.x, offset.y);

  ReportCanvas::Events& events = report.events();
  events = ReportCanvas::Events();
  events.OnPrint = [&job](ReportCanvas& r) { job.PrintEnvelope(r); };
  events.OnBeforePrint = [&job](ReportCanvas& r) { job.BeforePrintEnvelope(r); };

  if (hooks.printEnvelopes) {
    hooks.printEnvelopes(job);
  } else {
    job.FormActivate();
  }
  result.envelopes = job.EnvelopesPrinted();
  result.pages = report.currentPage();
  result.errorText = report.errorText();
  result.statusText = report.statusText();
  if (!report.noticeText().isEmpty()) host.information(report.noticeText());
  result.barCodeWarnings = job.BarCodeWarnings();
  if (table.failed() && result.errorText.isEmpty()) {
    result.errorText = table.failureMessage();
    host.information(result.errorText);
  }
  if (numbering) {
    const QString unsaved = StoreNextSerial(*numbering, settingsPath);
    if (!unsaved.isEmpty()) host.information(unsaved);
  }
  if (!result.errorText.isEmpty()) {
    result.outcome = EnvelopeRunOutcome::Failed;
  } else if (job.Aborted()) {
    result.outcome = EnvelopeRunOutcome::Cancelled;
  } else {
    result.outcome = job.Stopped() ? EnvelopeRunOutcome::Stopped : EnvelopeRunOutcome::Completed;
    if (!options.print && hooks.preview) {
      hooks.preview(stream.rewound());
    }
  }
  return result;
}

}  // namespace qv
