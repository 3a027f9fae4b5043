#include "labels/label_run.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "labels/imb.h"
#include "labels/job_host.h"
#include "labels/label_print.h"
#include "labels/sort_bulk_mail.h"
#include "render/paper_sizes.h"
#include "render/report_canvas.h"
#include "render/run_output.h"
#include "store/apollo.h"
#include "store/filter_text.h"
#include "store/table_restorer.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv {

namespace {

// More than 0.05 inch between the sheet and the paper the printer took.
constexpr double kPaperSlackHundredths = 5.0;

double Round2(double v) { return std::round(v * 100.0) / 100.0; }

}  // namespace

bool SelectRecords(TableObject& table, TApollo& apollo, RecordSelection selection, int recno,
                   QString* why) {
  bool selected = true;
  switch (selection) {
    case RecordSelection::All:
      selected = apollo.Query(kNotDeletedCondition);
      break;
    case RecordSelection::Filter:
      break;
    case RecordSelection::Current:
      selected = apollo.Query(QStringLiteral("Recno()=") + QString::number(recno));
      break;
  }
  if (!selected) {
    *why = table.failed() ? table.failureMessage()
                          : QStringLiteral("The records cannot be selected: ") + apollo.LastError();
  }
  return selected;
}

QString PresortOrderMessage() {
  return QStringLiteral(
      "Labels will print/preview in the following order:\r\n  1. 5-Digit presort\r\n"
      "  2. 3-Digit presort\r\n  3. ADC presort");
}

QString PaperSizeQuestion(double width, double height) {
  return QStringLiteral("Quorvane was unable to confirm that the paper size was set to\r\n\r\n") +
         QString::number(width, 'f', 2) + QLatin1Char('"') + QStringLiteral(" by ") +
         QString::number(height, 'f', 2) + QLatin1Char('"') + QStringLiteral("\r\n\r\n") +
         QStringLiteral("(you may have the wrong printer selected)") + QStringLiteral("\r\n\r\n") +
         QStringLiteral("Would you like to try printing anyways?");
}

QString StartLabelProblem(const LabelSetup& setup, int label) {
  const int perSheet = std::max(1, setup.across) * std::max(1, setup.down);
  if (label >= 1 && label <= perSheet) return {};
  return QStringLiteral("The start label must be from 1 to %1, the labels on one sheet of %2.")
      .arg(perSheet)
      .arg(setup.stockDescription.trimmed().isEmpty() ? QStringLiteral("this stock")
                                                      : setup.stockDescription.trimmed());
}

LabelRunResult DoPrint(TableObject& table, TApollo& apollo, const LabelRunOptions& options,
                       bool* presortDone, JobHost& host, const LabelRunHooks& hooks) {
  LabelRunResult result;
  QString problem = LabelSetupProblem(options.setup);
  if (problem.isEmpty() && !options.alignmentPage) {
    problem = StartLabelProblem(options.setup, options.startLabel);
  }
  if (!problem.isEmpty()) {
    host.information(problem);
    result.errorText = problem;
    return result;
  }
  TableRestorer restore(apollo, {.exactOf = table.env()});
  const int savedRecno = restore.recno();
  table.clearFailure();
  // The contact file failed under the run: the user hears why, once.
  auto damaged = [&](bool tell) -> LabelRunResult& {
    result.outcome = LabelRunOutcome::Failed;
    result.errorText = table.failureMessage();
    result.hostTold = true;
    if (tell) host.information(result.errorText);
    return result;
  };

  const RecordSelection selection =
      options.alignmentPage ? RecordSelection::Filter : options.selection;
  if (!SelectRecords(table, apollo, selection, savedRecno, &result.errorText)) {
    host.information(result.errorText);
    return result;
  }
  if (!options.startFromCurrent || options.alignmentPage) {
    if (!apollo.GoTop()) return damaged(true);
  } else if (apollo.Go(savedRecno)) {
    // Go reaches any record; only one inside the selection may start the run.
    const bool visible = table.isVisible();
    if (apollo.RecNo() != savedRecno || !visible) {
      host.information(
          QStringLiteral("Current record is out of range. Starting with first record"));
      if (!apollo.GoTop()) return damaged(true);
    }
  }

  if (table.failed()) return damaged(true);

  const bool presort =
      options.presort && !options.alignmentPage && options.selection != RecordSelection::Current;
  const QString directory =
      options.programDirectory.isEmpty() ? ProgramDirectory() : options.programDirectory;
  if (presort && !*presortDone) {
    TSortBulkMail sorter(table, apollo, host, directory);
    *presortDone = hooks.presort ? hooks.presort(sorter) : sorter.DoTheSort();
  }
  // The presort told the host itself.
  if (table.failed()) return damaged(false);
  if (presort && !*presortDone) {
    result.outcome = LabelRunOutcome::PresortCancelled;
    return result;
  }
  if (presort) {
    // A five-character key finds the longer ZIP+4 codes too.
    if (table.env()) table.env()->SetExact(false);
    apollo.SetOrder(apollo.TagArea(QStringLiteral("ZIP")));
    host.information(PresortOrderMessage());
  }

  LabelSetup setup = options.setup;
  const PaperSize& paperSize = PaperSizeOf(setup.paperSize.toStdString());
  const double sheetWidth = Round2(setup.sheetWidth);
  const double sheetHeight = Round2(setup.sheetHeight);

  TLabelPrint job(table, apollo, host);
  job.setPresort(presort, PresortFilePath(directory));
  job.setSetup(setup);
  job.setCopies(options.copies);
  job.setPrintMode(options.print);
  job.setStartLabel(options.startLabel);
  job.setAlignmentPage(options.alignmentPage);
  // Every piece takes the next serial; what a run used is never used again,
  // previews included, since a previewed page can still be printed.
  const QString settingsPath = directory + QStringLiteral("QUORVA.INI");
  std::unique_ptr<ImbNumbering> numbering;
  if (setup.address.barCode && setup.intelligentMail) {
    numbering = std::make_unique<ImbNumbering>(options.imbGiven ? options.imb
                                                                : LoadImbSettings(IniFile(settingsPath)));
    job.setImbNumbering(numbering.get());
  }
  ReportCanvas& report = job.Report();
  PreviewStream stream;
  if (!RouteReportOutput(report, options, &stream, &result.errorText)) {
    result.outcome = LabelRunOutcome::Failed;
    return result;
  }

  const PrinterOffset offset = ReadPrinterOffset(
      IniFile(settingsPath),
      options.printerName.isEmpty() ? report.printerName() : options.printerName);
  report.setPageOffset(offset.x, offset.y);

  if (paperSize.printerCode == 0) report.setCustomPaper(sheetWidth, sheetHeight);
  report.setPaperCode(paperSize.printerCode);
  report.setOrientation(paperSize.landscape ? Orientation::Landscape : Orientation::Portrait);

  const double pageWidth = Round2(report.pageWidth());
  const double pageHeight = Round2(report.pageHeight());
  if (std::abs(pageHeight * 100 - sheetHeight * 100) > kPaperSlackHundredths ||
      std::abs(pageWidth * 100 - sheetWidth * 100) > kPaperSlackHundredths) {
    if (!host.question(PaperSizeQuestion(sheetWidth, sheetHeight), true)) {
      result.outcome = LabelRunOutcome::PaperDeclined;
      return result;
    }
  }

  ReportCanvas::Events& events = report.events();
  events = ReportCanvas::Events();
  events.OnPrint = [&job](ReportCanvas& r) { job.PrintLabels(r); };
  events.OnBeforePrint = [&job](ReportCanvas& r) { job.BeforePrintLabels(r); };

  if (hooks.printLabels) {
    hooks.printLabels(job);
  } else {
    job.FormActivate();
  }
  result.labels = job.LabelsPrinted();
  result.pages = report.currentPage();
  result.errorText = report.errorText();
  result.statusText = report.statusText();
  if (!report.noticeText().isEmpty()) host.information(report.noticeText());
  result.barCodeWarnings = job.BarCodeWarnings();
  if (numbering) {
    const QString unsaved = StoreNextSerial(*numbering, settingsPath);
    if (!unsaved.isEmpty()) host.information(unsaved);
  }
  if (job.TableFailed()) {
    damaged(true);
  } else if (!result.errorText.isEmpty()) {
    result.outcome = LabelRunOutcome::Failed;
  } else if (job.Aborted()) {
    result.outcome = LabelRunOutcome::Cancelled;
  } else {
    result.outcome = job.Stopped() ? LabelRunOutcome::Stopped : LabelRunOutcome::Completed;
    if (!options.print && hooks.preview) {
      hooks.preview(stream.rewound());
    }
  }
  return result;
}

}  // namespace qv
