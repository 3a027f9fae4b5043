#include "render/printers.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>

namespace qv {

namespace {

QString& CurrentSelection() {
  static QString name;
  return name;
}

QPageSize& PaperSelection() {
  static QPageSize paper;
  return paper;
}

PdfFileQuestion& Question() {
  static PdfFileQuestion question;
  return question;
}

QString& LastPdfFolder() {
  static QString folder = QDir::homePath();
  return folder;
}

QString FindInstalled(const QString& deviceName) {
  const QStringList names = QPrinterInfo::availablePrinterNames();
  for (const QString& n : names) {
    if (n == deviceName) return n;
  }
  for (const QString& n : names) {
    if (n.compare(deviceName, Qt::CaseInsensitive) == 0) return n;
  }
  return {};
}

}  // namespace

QString PdfPrinterName() { return QStringLiteral("PDF file"); }

bool IsPdfPrinterName(const QString& name) {
  return name.compare(PdfPrinterName(), Qt::CaseInsensitive) == 0;
}

QStringList InstalledPrinterNames() {
  QStringList names = QPrinterInfo::availablePrinterNames();
  names.append(PdfPrinterName());
  return names;
}

bool HasInstalledPrinters() { return !InstalledPrinterNames().isEmpty(); }

QString DefaultPrinterName() {
  QString name = QPrinterInfo::defaultPrinterName();
  if (!name.isEmpty()) return name;
  const QStringList installed = QPrinterInfo::availablePrinterNames();
  return installed.isEmpty() ? PdfPrinterName() : installed.first();
}

QString CurrentPrinterName() {
  if (CurrentSelection().isEmpty()) CurrentSelection() = DefaultPrinterName();
  return CurrentSelection();
}

void SetCurrentPrinterName(const QString& name) { CurrentSelection() = name; }

QPageSize CurrentPaper() { return PaperSelection(); }

void SetCurrentPaper(const QPageSize& paper) { PaperSelection() = paper; }

QString PrinterDeviceName(const QString& printerName) {
  qsizetype at = printerName.toUpper().indexOf(QStringLiteral(" ON "));
  return at < 0 ? printerName : printerName.left(at);
}

std::unique_ptr<QPrinter> CreatePrinter(const QString& deviceName) {
  if (IsPdfPrinterName(deviceName)) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setPrinterName(QString());
    return printer;
  }
  QString installed = FindInstalled(deviceName);
  if (installed.isEmpty()) return nullptr;
  auto printer =
      std::make_unique<QPrinter>(QPrinterInfo::printerInfo(installed), QPrinter::HighResolution);
  return printer;
}

bool IsPdfPrinter(const QPrinter& printer) { return printer.outputFormat() == QPrinter::PdfFormat; }

PrinterQueueState QueueState(const QString& deviceName) {
  PrinterQueueState state;
  const QByteArray name = deviceName.toLocal8Bit();
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
  if (dest == nullptr) return state;
  state.found = true;
  const char* accepting =
      cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
  state.accepting = accepting == nullptr || qstrcmp(accepting, "true") == 0;
  const char* printerState = cupsGetOption("printer-state", dest->num_options, dest->options);
  state.paused = printerState != nullptr && atoi(printerState) == IPP_PSTATE_STOPPED;
  cupsFreeDests(1, dest);
  return state;
}

QString QueueProblem(const QString& deviceName) {
  const PrinterQueueState state = QueueState(deviceName);
  if (!state.found) {
    return QStringLiteral("The printer %1 is no longer available; nothing was printed.")
        .arg(deviceName);
  }
  if (!state.accepting) {
    return QStringLiteral("The printer %1 is not accepting jobs; nothing was printed.")
        .arg(deviceName);
  }
  return {};
}

QString JobRefusal(const QString& deviceName) {
  const ipp_status_t status = cupsLastError();
  // 0x0000 to 0x00ff: accepted, perhaps with options ignored.
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return {};
  const QString reason = QString::fromLocal8Bit(cupsLastErrorString());
  if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
    return QStringLiteral("The print server of %1 cannot be reached (%2); nothing was printed.")
        .arg(deviceName, reason);
  }
  // CUPS's own words vary with where the hand-over stopped (a queue deleted
  // under a job is told as a missing file); the queue's state says why.
  const QString problem = QueueProblem(deviceName);
  if (!problem.isEmpty()) return problem;
  return QStringLiteral("The printer %1 refused the job (%2); nothing was printed.")
      .arg(deviceName, reason);
}

QString PausedQueueNotice(const QString& deviceName) {
  if (!QueueState(deviceName).paused) return {};
  return QStringLiteral(
             "The printer %1 is paused; the job waits in its queue until the printer is "
             "resumed.")
      .arg(deviceName);
}

void SetPdfFileQuestion(PdfFileQuestion question) { Question() = std::move(question); }

QString AskPdfFileName(const QString& title) {
  if (!Question()) return {};
  QString base = title.trimmed().isEmpty() ? QStringLiteral("Quorvane") : title.trimmed();
  base.replace(QLatin1Char('/'), QLatin1Char('-'));
  QString answer = Question()(QDir(LastPdfFolder()).filePath(base + QStringLiteral(".pdf")));
  if (answer.isEmpty()) return {};
  if (QFileInfo(answer).suffix().isEmpty()) answer += QStringLiteral(".pdf");
  LastPdfFolder() = QFileInfo(answer).absolutePath();
  return answer;
}

}  // namespace qv
