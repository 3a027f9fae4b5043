#include "cli/labels_cmd.h"
#include "cli/cli_common.h"
#include "cli/imb_options.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <iostream>

#include "labels/imb.h"
#include "labels/job_host.h"
#include "labels/label_print.h"
#include "labels/label_run.h"
#include "labels/label_setup.h"
#include "labels/label_stocks.h"
#include "labels/sort_bulk_mail.h"
#include "render/page_stream.h"
#include "render/printers.h"
#include "store/apollo_env.h"
#include "store/contact_file.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv::cli {

namespace {

constexpr int kMaxCopies = 999;
// The font sizes the designer's size buttons allow.
constexpr int kMinFontSize = 6, kMaxFontSize = 36;

const char kLinesUsage[] =
    "usage: quorvane-cli labels FILE [--lines WORD,WORD,...] ...\n"
    "  WORD is one of name, title, org, street, city, zip, phone, country\n";

// The eight line switches from "--lines name,street,city,zip": those named
// print, the others do not. False with the word that is not one of them.
bool ParseLines(const QString& list, LabelSetup* setup, QString* bad) {
  struct Word {
    const char* word;
    bool AddressOptions::*flag;
  };
  static const Word kWords[] = {
      {"name", &AddressOptions::name},     {"title", &AddressOptions::title},
      {"org", &AddressOptions::company},   {"street", &AddressOptions::street},
      {"city", &AddressOptions::cityState}, {"zip", &AddressOptions::zip},
      {"phone", &AddressOptions::phone},   {"country", &AddressOptions::country},
  };
  LabelSetup lines = *setup;
  for (const Word& w : kWords) lines.address.*(w.flag) = false;
  for (const QString& part : list.split(QLatin1Char(','))) {
    const QString word = part.trimmed().toLower();
    const auto it = std::find_if(std::begin(kWords), std::end(kWords),
                                 [&](const Word& w) { return word == QLatin1String(w.word); });
    if (it == std::end(kWords)) {
      *bad = part.trimmed();
      return false;
    }
    lines.address.*(it->flag) = true;
  }
  *setup = lines;
  return true;
}

}  // namespace

int CmdLabels(const Args& a) {
  PageOutput output;
  if (!output.read(a, "labels")) return Fail(output.error);
  if (a.Has("--filter") && a.Has("--current")) {
    return Fail("--filter and --current choose the records in two ways; give one");
  }
  LabelRunOptions options;
  // The setups and stocks are kept in the program directory, and the
  // presort writes its list there.
  QString home;
  if (a.Has("--setup") || a.Has("--stock") || a.Has("--presort")) {
    QString error;
    if (!ProgramHome(&home, &error)) return Fail(error);
  }
  if (a.Has("--setup")) {
    QString error;
    if (!FindLabelSetup(home, QString::fromStdString(a.Value("--setup")), &options.setup,
                        &error)) {
      return Fail(error);
    }
  }
  if (a.Has("--stock")) {
    std::vector<LabelStock> stocks;
    LabelStock stock;
    QString error;
    if (!ReadLabelStocks(home, &stocks, &error) ||
        !ChooseLabelStock(stocks, QString::fromStdString(a.Value("--stock")), &stock, &error)) {
      return Fail(error);
    }
    ApplyLabelStock(stock, &options.setup);
  }
  if (a.Has("--lines")) {
    QString bad;
    if (!ParseLines(QString::fromStdString(a.Value("--lines")), &options.setup, &bad)) {
      std::cerr << "quorvane-cli: --lines has no line \"" << bad.toStdString() << "\"\n"
                << kLinesUsage;
      return kExitUsage;
    }
  }
  if (a.Has("--font")) options.setup.fontName = QString::fromStdString(a.Value("--font")).trimmed();
  if (a.Has("--size") &&
      !ParseNumber(a.Value("--size"), kMinFontSize, kMaxFontSize, &options.setup.fontSize)) {
    return Fail(QStringLiteral("--size takes a font size from %1 to %2 points, not %3")
                    .arg(kMinFontSize)
                    .arg(kMaxFontSize)
                    .arg(QString::fromStdString(a.Value("--size"))));
  }
  if (a.Has("--start-label")) {
    bool ok = false;
    options.startLabel = QString::fromStdString(a.Value("--start-label")).toInt(&ok);
    const QString problem = StartLabelProblem(options.setup, options.startLabel);
    if (!ok || !problem.isEmpty()) {
      return Fail(QStringLiteral("--start-label %1: %2")
                      .arg(QString::fromStdString(a.Value("--start-label")),
                           problem.isEmpty() ? StartLabelProblem(options.setup, 0) : problem));
    }
  }
  options.alignmentPage = a.Has("--alignment-page");
  if (a.Has("--barcode")) options.setup.address.barCode = true;
  if (a.Has("--barcode") && a.Value("--barcode") == "imb") options.setup.intelligentMail = true;
  if (a.Has("--barcode") && a.Value("--barcode") == "postnet") options.setup.intelligentMail = false;
  if (options.setup.address.barCode && options.setup.intelligentMail) {
    QString error;
    if (!ImbOptions(a, &options.imb, &error)) return Fail(error);
    options.imbGiven = true;
  }
  if (a.Has("--copies") && !ParseNumber(a.Value("--copies"), 1, kMaxCopies, &options.copies)) {
    return Fail("--copies takes a number from 1 to 999, not " +
                QString::fromStdString(a.Value("--copies")));
  }
  options.presort = a.Has("--presort");
  options.programDirectory = home;

  ContactSession c;
  QString error;
  if (!c.open(a, &error) || !c.setOrder(a, &error) ||
      !c.chooseRecords(a, &options.selection, &options.startFromCurrent, &error)) {
    return Fail(error);
  }

  output.aim(&options);
  LabelRunHooks hooks;
  hooks.preview = output.previewHook();

  CliHost host(a.Has("--yes"), true);
  hooks.presort = [&](TSortBulkMail& sorter) {
    c.beginProgress(a, QStringLiteral("presort"));
    const bool sorted = sorter.DoTheSort();
    c.beginProgress(a, QStringLiteral("labels"));
    return sorted;
  };
  c.beginProgress(a, QStringLiteral("labels"));
  bool presortDone = false;
  const auto start = std::chrono::steady_clock::now();
  const LabelRunResult result = DoPrint(c.table, c.apollo, options, &presortDone, host, hooks);
  const long long ms = MillisecondsSince(start);
  Warn(result.barCodeWarnings);
  switch (result.outcome) {
    case LabelRunOutcome::Completed:
    case LabelRunOutcome::Stopped:
      if (output.streamLost()) return Fail(output.error);
      std::cout << "labels " << result.labels << " on " << result.pages << " pages to "
                << output.path.toStdString() << " in " << ms << " ms\n";
      return 0;
    case LabelRunOutcome::PresortCancelled:
      return Fail("the presort did not finish; nothing printed");
    case LabelRunOutcome::PaperDeclined:
      return Fail("the paper size was not confirmed; nothing printed");
    case LabelRunOutcome::Cancelled:
      return Fail("the label run was cancelled");
    case LabelRunOutcome::Failed:
      if (result.hostTold) return kExitError;
      return FailOnce(host, result.errorText.isEmpty() ? QStringLiteral("the label run failed")
                                                       : result.errorText);
  }
  return kExitError;
}

int CmdPresort(const Args& a) {
  ContactSession c;
  QString error;
  if (!c.open(a, &error)) return Fail(error);
  CliHost host(false);
  QString dir;
  if (!ProgramHome(&dir, &error)) return Fail(error);
  TSortBulkMail sorter(c.table, c.apollo, host, dir);
  c.beginProgress(a, QStringLiteral("presort"));
  const auto start = std::chrono::steady_clock::now();
  if (!sorter.DoTheSort()) return kExitError;
  const long long ms = MillisecondsSince(start);
  QFile file(PresortFilePath(dir));
  if (!file.open(QIODevice::ReadOnly)) return Fail("cannot read " + file.fileName());
  const QByteArray bytes = file.readAll();
  std::cout.write(bytes.constData(), bytes.size());
  std::cerr << "presort: " << sorter.PiecesCounted() << " pieces in " << ms << " ms, "
            << file.fileName().toStdString() << "\n";
  return 0;
}

int CmdStocks(const Args& a) {
  if (a.Has("--find") && a.Has("--same-as")) {
    std::cerr << "quorvane-cli: --find and --same-as choose the stocks in two ways; give one\n";
    return kExitUsage;
  }
  std::vector<LabelStock> stocks;
  QString home, error;
  if (!ProgramHome(&home, &error) || !ReadLabelStocks(home, &stocks, &error)) return Fail(error);
  if (a.Has("--find")) {
    const QString text = QString::fromStdString(a.Value("--find"));
    stocks = FindLabelStocks(stocks, text);
    if (stocks.empty()) return Fail("no label stock matches \"" + text + "\"");
  }
  if (a.Has("--same-as")) {
    LabelStock chosen;
    if (!ChooseLabelStock(stocks, QString::fromStdString(a.Value("--same-as")), &chosen, &error)) {
      return Fail(error);
    }
    stocks = SameSizeStocks(stocks, chosen);
    if (stocks.empty()) {
      return Fail(QStringLiteral("no other label stock has the size of \"%1\"")
                      .arg(QString::fromStdString(chosen.geometry.description)));
    }
  }
  const bool geometry = a.Has("--geometry");
  for (const LabelStock& s : stocks) {
    std::cout << s.geometry.description;
    if (geometry) {
      for (const QString& value : s.storedValues) std::cout << '\t' << value.toStdString();
    }
    std::cout << "\n";
  }
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
