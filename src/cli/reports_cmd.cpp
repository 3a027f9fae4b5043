#include "cli/reports_cmd.h"
#include "cli/cli_common.h"
#include "cli/progress.h"

#include <QFileInfo>
#include <chrono>
#include <iostream>

#include "labels/job_host.h"
#include "render/printers.h"
#include "reports/report_run.h"
#include "store/apollo_env.h"
#include "store/contact_file.h"
#include "store/table_object.h"
#include "zipcount/zip_count.h"
#include "zipcount/zip_report.h"

namespace qv::cli {

int CmdReport(const Args& a) {
  PageOutput output;
  if (!output.read(a, "report")) return Fail(output.error);
  if (a.Has("--filter") && a.Has("--current")) {
    return Fail("--filter and --current choose the records in two ways; give one");
  }
  UserReportOptions options;
  if (a.Has("--layout") && !ParseNumber(a.Value("--layout"), 1, 4, &options.layout)) {
    return Fail("--layout takes 1, 2, 3 or 4, not " + QString::fromStdString(a.Value("--layout")));
  }
  options.printCodes = a.Has("--codes");
  options.printMemo = a.Has("--memo");
  options.orientation = a.Has("--landscape") ? Orientation::Landscape : Orientation::Portrait;

  ContactSession c;
  QString error;
  if (!c.open(a, &error)) return Fail(error);
  options.title = a.Has("--title") ? QString::fromLocal8Bit(a.Value("--title").c_str())
                                   : DefaultReportTitle(c.path);
  if (!c.chooseRecords(a, &options.selection, &options.startFromCurrent, &error)) {
    return Fail(error);
  }

  output.aim(&options);
  UserReportHooks hooks;
  hooks.preview = output.previewHook();
  CliHost host;
  c.beginProgress(a, QStringLiteral("report"));
  const auto start = std::chrono::steady_clock::now();
  const UserReportResult result = RunUserReport(c.table, c.apollo, options, host, hooks);
  const long long ms = MillisecondsSince(start);
  switch (result.outcome) {
    case UserReportOutcome::Completed:
    case UserReportOutcome::Stopped:
      if (output.streamLost()) return Fail(output.error);
      std::cout << "report " << result.records << " records on " << result.pages << " pages to "
                << output.path.toStdString() << " in " << ms << " ms\n";
      return 0;
    case UserReportOutcome::Cancelled:
      return Fail("the report was cancelled");
    case UserReportOutcome::Failed:
      return FailOnce(host, result.errorText.isEmpty() ? QStringLiteral("the report failed")
                                                       : OneLine(result.errorText));
  }
  return kExitError;
}

int CmdZipCount(const Args& a) {
  const int outputs = int(a.Has("--pdf")) + int(a.Has("--stream")) + int(a.Has("--printer")) +
                      int(a.Has("--lines")) + int(a.Has("--csv"));
  if (outputs != 1) {
    return Fail(
        "zipcount needs one of --pdf OUT.pdf, --stream OUT, --printer NAME, --lines or --csv "
        "OUT.csv");
  }
  ContactSession c;
  QString error;
  if (!c.open(a, &error)) return Fail(error);
  CliHost host;
  TZipCount count(c.table, c.apollo, host);
  c.beginProgress(a, QStringLiteral("counting"));
  const auto start = std::chrono::steady_clock::now();
  if (!count.DoTheSort()) return Fail("the count did not finish");
  const long long countMs = MillisecondsSince(start);

  if (a.Has("--lines")) {
    for (const QString& line : count.ReportLines()) std::cout << line.toStdString() << "\n";
    std::cerr << "zipcount: " << count.RecordsRead() << " records counted in " << countMs
              << " ms\n";
    return 0;
  }
  if (a.Has("--csv")) {
    const QString out = QString::fromLocal8Bit(a.Value("--csv").c_str());
    if (!WriteZipCountCsv(count.Tallies(), out, &error)) return Fail(error);
    std::cout << "zipcount " << count.RecordsRead() << " records, " << count.Tallies().size()
              << " ZIP codes to " << out.toStdString() << "\n";
    return 0;
  }
  PageOutput output;
  if (!output.read(a, "zipcount")) return Fail(output.error);
  ZipReportOptions options;
  output.aim(&options);
  ZipReportHooks hooks;
  hooks.preview = output.previewHook();
  Progress().begin(QStringLiteral("printing the report"), count.ReportLines().size());
  const ZipReportResult result = DoThePrintJob(count.ReportLines(), options, host, hooks);
  const long long ms = MillisecondsSince(start);
  if (result.outcome == ZipReportOutcome::Failed) {
    return FailOnce(host, result.errorText);
  }
  if (result.outcome == ZipReportOutcome::Cancelled) return Fail("the report was cancelled");
  if (output.streamLost()) return Fail(output.error);
  std::cout << "zipcount " << count.RecordsRead() << " records, " << count.Tallies().size()
            << " ZIP codes on " << result.pages << " pages to " << output.path.toStdString()
            << " in " << ms << " ms (counting " << countMs << " ms)\n";
  return 0;
}

}  // namespace qv::cli
