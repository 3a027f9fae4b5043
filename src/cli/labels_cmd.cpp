#include "cli/labels_cmd.h"
#include "cli/cli_common.h"
#include "cli/imb_options.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <iostream>

#include "labels/imb.h"
#include "labels/job_host.h"
#include "labels/label_print.h"
#include "labels/label_run.h"
#include "labels/label_setup.h"
#include "labels/sort_bulk_mail.h"
#include "render/page_stream.h"
#include "render/printers.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv::cli {

namespace {

constexpr int kMaxCopies = 999;

}  // namespace

int CmdLabels(const Args& a) {
  const bool pdf = a.Has("--pdf"), stream = a.Has("--stream");
  if (pdf == stream) return Fail("labels needs one of --pdf OUT.pdf or --stream OUT");
  if (a.Has("--filter") && a.Has("--current")) {
    return Fail("--filter and --current choose the records in two ways; give one");
  }
  LabelRunOptions options;
  if (a.Has("--setup")) {
    QString error;
    if (!FindLabelSetup(ProgramDirectory(), QString::fromStdString(a.Value("--setup")),
                        &options.setup, &error)) {
      return Fail(error);
    }
  }
  if (a.Has("--barcode")) options.setup.barCode = true;
  if (a.Has("--barcode") && a.Value("--barcode") == "imb") options.setup.intelligentMail = true;
  if (a.Has("--barcode") && a.Value("--barcode") == "postnet") options.setup.intelligentMail = false;
  if (options.setup.barCode && options.setup.intelligentMail) {
    QString error;
    if (!ImbOptions(a, &options.imb, &error)) return Fail(error);
    options.imbGiven = true;
  }
  if (a.Has("--copies") && !ParseNumber(a.Value("--copies"), 1, kMaxCopies, &options.copies)) {
    return Fail("--copies takes a number from 1 to 999, not " +
                QString::fromStdString(a.Value("--copies")));
  }
  options.presort = a.Has("--presort");

  ContactSession c;
  QString error;
  if (!c.open(a, &error) || !c.setOrder(a, &error)) return Fail(error);
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
  LabelRunHooks hooks;
  bool written = false;
  hooks.preview = [&](QIODevice& pages) { written = cli::CopyToFile(pages, out, &error); };

  CliHost host(a.Has("--yes"), true);
  bool presortDone = false;
  const auto start = std::chrono::steady_clock::now();
  const LabelRunResult result = DoPrint(c.table, c.apollo, options, &presortDone, host, hooks);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  for (const QString& warning : result.barCodeWarnings) {
    std::cerr << "warning: " << warning.toStdString() << "\n";
  }
  switch (result.outcome) {
    case LabelRunOutcome::Completed:
    case LabelRunOutcome::Stopped:
      if (stream && !written) return Fail(error);
      std::cout << "labels " << result.labels << " on " << result.pages << " pages to "
                << out.toStdString() << " in " << ms << " ms\n";
      return 0;
    case LabelRunOutcome::PresortCancelled:
      return Fail("the presort did not finish; nothing printed");
    case LabelRunOutcome::PaperDeclined:
      return Fail("the paper size was not confirmed; nothing printed");
    case LabelRunOutcome::Cancelled:
      return Fail("the label run was cancelled");
    case LabelRunOutcome::Failed:
      return Fail(result.errorText.isEmpty() ? QStringLiteral("the label run failed")
                                             : result.errorText);
  }
  return kExitError;
}

int CmdPresort(const Args& a) {
  ContactSession c;
  QString error;
  if (!c.open(a, &error)) return Fail(error);
  CliHost host(false);
  const QString dir = ProgramDirectory();
  TSortBulkMail sorter(c.table, c.apollo, host, dir);
  const auto start = std::chrono::steady_clock::now();
  if (!sorter.DoTheSort()) return kExitError;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  QFile file(PresortFilePath(dir));
  if (!file.open(QIODevice::ReadOnly)) return Fail("cannot read " + file.fileName());
  const QByteArray bytes = file.readAll();
  std::cout.write(bytes.constData(), bytes.size());
  std::cerr << "presort: " << sorter.PiecesCounted() << " pieces in " << ms << " ms, "
            << file.fileName().toStdString() << "\n";
  return 0;
}

int CmdStreamDump(const Args& a) {
  QFile file(QString::fromLocal8Bit(a.positional[0].c_str()));
  if (!file.open(QIODevice::ReadOnly)) {
    return Fail("cannot read " + file.fileName() + ": " + file.errorString());
  }
  PageStream pages;
  QString error;
  if (!DecodePageStream(file.readAll(), &pages, &error)) {
    return Fail(file.fileName() + " is not a page stream: " + error);
  }
  std::cout << DumpPageStream(pages).toStdString();
  return 0;
}

}  // namespace qv::cli
