#include "render/printers.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

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
