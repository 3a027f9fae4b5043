// One report run from start to end, as the Print Report dialog's Print Now
// and Preview start it and as the command line runs it: orders the contact
// table by the layout's tag, selects the records, finds the start record,
// runs the report and shows the preview, then puts the table's order,
// query, scope and record back as they were.
//
// The windows run it with hooks that show the status window and the
// preview window; without hooks each step runs directly (the command line,
// tests). Questions and notices go to the JobHost.
#pragma once

#include <QDate>
#include <QString>
#include <functional>

#include "labels/label_run.h"
#include "render/report_output.h"
#include "render/run_output.h"

namespace qv {

class TUserReportPrint;

struct UserReportOptions : PrintTarget {
  int layout = 1;  // 1 to 4
  QString title;
  bool printCodes = false;
  bool printMemo = false;
  RecordSelection selection = RecordSelection::Filter;
  bool startFromCurrent = false;
  Orientation orientation = Orientation::Portrait;
  // The header's date; today when not set.
  QDate date;
};

struct UserReportHooks : PreviewHook {
  // Runs the report. Default: FormActivate.
  std::function<void(TUserReportPrint&)> printReport;
};

enum class UserReportOutcome { Completed, Stopped, Cancelled, Failed };

struct UserReportResult : RunReport {
  UserReportOutcome outcome = UserReportOutcome::Failed;
  long long records = 0;
};

// The title a report gets when none was stored: "Report for: " + path.
QString DefaultReportTitle(const QString& contactFilePath);

// REQUIRES: `table` open on a contact file, `apollo` bound to it.
UserReportResult RunUserReport(TableObject& table, TApollo& apollo,
                               const UserReportOptions& options, JobHost& host,
                               const UserReportHooks& hooks = {});

}  // namespace qv
