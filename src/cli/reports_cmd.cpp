#include "cli/reports_cmd.h"
#include "cli/cli_common.h"

#include <QFile>
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

namespace {

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace

int CmdReport(const Args& a) {
  const bool pdf = a.Has("--pdf"), stream = a.Has("--stream");
  if (pdf == stream) return Fail("report needs one of --pdf OUT.pdf or --stream OUT");
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
  options.selection = a.Has("--filter") ? RecordSelection::Filter : RecordSelection::All;
  int current = 0;
  if (!c.goToNamedRecord(a, &current, &error)) return Fail(error);
  if (a.Has("--current")) options.selection = RecordSelection::Current;
  options.startFromCurrent = a.Has("--start");

  const QString out = QString::fromLocal8Bit(a.Value(pdf ? "--pdf" : "--stream").c_str());
  options.print = pdf;
  if (pdf) {
    options.pdfFile = QFileInfo(out).absoluteFilePath();
    options.printerName = PdfPrinterName();
  }
  UserReportHooks hooks;
  bool written = false;
  hooks.preview = [&](QIODevice& pages) { written = CopyToFile(pages, out, &error); };
  CliHost host;
  const auto start = std::chrono::steady_clock::now();
  const UserReportResult result = RunUserReport(c.table, c.apollo, options, host, hooks);
  const long long ms = MillisecondsSince(start);
  switch (result.outcome) {
    case UserReportOutcome::Completed:
    case UserReportOutcome::Stopped:
      if (stream && !written) return Fail(error);
      std::cout << "report " << result.records << " records on " << result.pages << " pages to "
                << out.toStdString() << " in " << ms << " ms\n";
      return 0;
    case UserReportOutcome::Cancelled:
      return Fail("the report was cancelled");
    case UserReportOutcome::Failed:
      if (pdf) QFile::remove(options.pdfFile);
      return Fail(result.errorText.isEmpty() ? QStringLiteral("the report failed")
                                             : OneLine(result.errorText));
  }
  return kExitError;
}

int CmdZipCount(const Args& a) {
  const int outputs = int(a.Has("--pdf")) + int(a.Has("--stream")) + int(a.Has("--lines")) +
                      int(a.Has("--csv"));
  if (outputs != 1) {
    return Fail("zipcount needs one of --pdf OUT.pdf, --stream OUT, --lines or --csv OUT.csv");
  }
  ContactSession c;
  QString error;
  if (!c.open(a, &error)) return Fail(error);
  CliHost host;
  TZipCount count(c.table, c.apollo, host);
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
  const bool pdf = a.Has("--pdf");
  const QString out = QString::fromLocal8Bit(a.Value(pdf ? "--pdf" : "--stream").c_str());
  ZipReportOptions options;
  options.print = pdf;
  if (pdf) {
    options.pdfFile = QFileInfo(out).absoluteFilePath();
    options.printerName = PdfPrinterName();
  }
  ZipReportHooks hooks;
  bool written = false;
  hooks.preview = [&](QIODevice& pages) { written = CopyToFile(pages, out, &error); };
  const ZipReportResult result = DoThePrintJob(count.ReportLines(), options, host, hooks);
  const long long ms = MillisecondsSince(start);
  if (result.outcome == ZipReportOutcome::Failed) {
    if (pdf) QFile::remove(options.pdfFile);
    return Fail(result.errorText);
  }
  if (result.outcome == ZipReportOutcome::Cancelled) return Fail("the report was cancelled");
  if (!pdf && !written) return Fail(error);
  std::cout << "zipcount " << count.RecordsRead() << " records, " << count.Tallies().size()
            << " ZIP codes on " << result.pages << " pages to " << out.toStdString() << " in "
            << ms << " ms (counting " << countMs << " ms)\n";
  return 0;
}

}  // namespace qv::cli
