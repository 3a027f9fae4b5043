#include "reports/report_run.h"


#include "labels/job_host.h"
#include "render/report_canvas.h"
#include "render/run_output.h"
#include "reports/user_report.h"
#include "store/apollo.h"
#include "store/filter_text.h"
#include "store/table_restorer.h"
#include "store/table_object.h"

namespace qv {

namespace {

// Layouts 1 to 3 begin at the first key not below "0", passing over blank
// names; the soft seek is on for that one seek only.
void SoftSeekZero(TableObject& table, TApollo& apollo) {
  TApolloEnv* env = table.env();
  const bool soft = env ? env->SoftSeek() : false;
  if (env) env->SetSoftSeek(true);
  // Found or not, the report starts where the soft seek stands; a failure
  // is kept by the table (TableObject::failed).
  (void)apollo.Seek(QStringLiteral("0"));
  if (env) env->SetSoftSeek(soft);
}

// False when the table failed under the move (TableObject::failed).
bool GoToStart(TableObject& table, TApollo& apollo, int layout) {
  if (!apollo.GoTop()) return false;
  if (layout != 4) SoftSeekZero(table, apollo);
  return !table.failed();
}

}  // namespace

QString DefaultReportTitle(const QString& contactFilePath) {
  return QStringLiteral("Report for: ") + contactFilePath;
}

UserReportResult RunUserReport(TableObject& table, TApollo& apollo,
                               const UserReportOptions& options, JobHost& host,
                               const UserReportHooks& hooks) {
  UserReportResult result;
  const int layout = options.layout < 1 || options.layout > 4 ? 1 : options.layout;
  TableRestorer restore(apollo, {.clearScope = true});
  const int savedRecno = restore.recno();

  const int order = apollo.TagArea(ReportLayoutTag(layout));
  if (order == 0) {
    result.errorText = QStringLiteral("The contact file has no %1 sort order; rebuild its indexes.")
                           .arg(ReportLayoutTag(layout));
    host.information(result.errorText);
    return result;
  }
  apollo.SetOrder(order);
  table.clearFailure();
  if (!SelectRecords(table, apollo, options.selection, savedRecno, &result.errorText)) {
    host.information(result.errorText);
    return result;
  }
  table.clearFailure();
  // A failed move is kept by the table and told before anything prints.
  auto damaged = [&]() -> UserReportResult& {
    result.outcome = UserReportOutcome::Failed;
    result.errorText = table.failureMessage();
    host.information(result.errorText);
    return result;
  };
  if (!options.startFromCurrent) {
    if (!GoToStart(table, apollo, layout)) return damaged();
  } else {
    if (!apollo.Go(savedRecno)) return damaged();
    // Go reaches any record; only one inside the selection may start the run.
    const bool visible = table.isVisible();
    if (apollo.RecNo() != savedRecno || !visible) {
      host.information(
          QStringLiteral("Current record is out of range. Starting with first record"));
      if (!GoToStart(table, apollo, layout)) return damaged();
    }
  }

  TUserReportPrint job(table, host);
  job.setLayout(layout);
  job.setTitle(options.title);
  job.setPrintCodes(options.printCodes);
  job.setPrintMemo(options.printMemo);
  job.setOrientation(options.orientation);
  job.setPrintMode(options.print);
  job.setReportDate(options.date);
  ReportCanvas& report = job.Report();
  PreviewStream stream;
  if (!RouteReportOutput(report, options, &stream, &result.errorText)) {
    result.outcome = UserReportOutcome::Failed;
    return result;
  }

  if (hooks.printReport) {
    hooks.printReport(job);
  } else {
    job.FormActivate();
  }
  result.records = job.RecordsPrinted();
  result.pages = report.currentPage();
  result.errorText = report.errorText();
  result.statusText = report.statusText();
  if (!report.noticeText().isEmpty()) host.information(report.noticeText());
  if (!job.ReadError().isEmpty()) {
    result.outcome = UserReportOutcome::Failed;
    result.errorText = job.ReadError();
    host.information(result.errorText);
  } else if (!result.errorText.isEmpty()) {
    result.outcome = UserReportOutcome::Failed;
  } else if (job.Aborted()) {
    result.outcome = UserReportOutcome::Cancelled;
  } else {
    result.outcome = job.Stopped() ? UserReportOutcome::Stopped : UserReportOutcome::Completed;
    if (!options.print && hooks.preview) {
      hooks.preview(stream.rewound());
    }
  }
  return result;
}

}  // namespace qv
